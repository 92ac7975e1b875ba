// SPDX-License-Identifier: GPL-3.0-or-later
// The session log: a file per connection in the state folder, begun once the
// port is open and ended wherever the connection ends; and the context menu's
// "Save Log As…" (the log pane's text) and "Open Log Folder".

#include "console/CkelGuiToolDlg.h"
#include "console/ConsoleTables.h"
#include "console/LinkWatcher.h"
#include "console/ResultsRecorder.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"
#include "resources/Version.h"
#include "windows/StateFolder.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace {

const QString kLogFilter = QStringLiteral("(*.txt *.log)");

} // namespace

void CkelGuiToolDlg::BeginSessionLog() {
    kel::SessionInfo info;
    info.program = kel::res::kApplicationName;
    info.version = std::string(kel::res::BuildVersion());
    info.chipModel = chipModelList->itemText(chipModelIndex).toStdString();
    info.port = port.name;
    info.baud = port.baudRate;
    // A failure is told when the handler ends (ReportSessionLogProblem), as
    // one in the middle of an exchange must be.
    sessionLog.Open(QFile::encodeName(SessionLogFolder()).toStdString(), info);
}

void CkelGuiToolDlg::EndSession() {
    // The watchers stop before the port they watch closes.
    watchdog.reset();
    linkWatcher->StopWatching();
    port.Close();
    sessionLog.Close();
}

void CkelGuiToolDlg::ReportSessionLogProblem() {
    results->Flush();
    for (const std::string& problem : {sessionLog.TakeProblem(), results->TakeProblem()}) {
        if (!problem.empty())
            MessageBox(QString::fromStdString(problem));
    }
}

void CkelGuiToolDlg::AddLogEntries(QMenu& menu) {
    using namespace kel::res;
    menu.addAction(QString::fromUtf8(kSaveLogAsMenuText))->setData(IDM_SAVELOGAS);
    menu.addAction(QString::fromUtf8(kOpenLogFolderMenuText))->setData(IDM_OPENLOGFOLDER);
}

// A right click on the log pane is where an engineer looks for saving the
// log: its own menu (Copy, Select All) gains the log entries.
void CkelGuiToolDlg::AddLogEntriesToPaneMenu() {
    logPane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(logPane, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(logPane->createStandardContextMenu(at));
        menu->addSeparator();
        AddLogEntries(*menu);
        // The pane's own entries carry no command id and have run already.
        if (QAction* chosen = menu->exec(logPane->viewport()->mapToGlobal(at)))
            OnSysCommand(chosen->data().toUInt());
    });
}

void CkelGuiToolDlg::OnSaveLogAs() {
    const QString proposed = QDateTime::currentDateTime().toString(
        QStringLiteral("'kelGuiTool_'yyyy-MM-dd_HH-mm-ss'.txt'"));
    const QString folder = logSaveFolder.isEmpty() ? QDir::homePath() : logSaveFolder;
    const std::optional<QString> chosen = SaveFileName(proposed, kLogFilter, folder);
    if (!chosen)
        return;
    // Written aside and renamed into place: a failed save leaves no half file.
    QSaveFile file(*chosen);
    if (!file.open(QIODevice::WriteOnly) || file.write(LogText().toUtf8()) < 0 || !file.commit()) {
        MessageBox(
            QStringLiteral("Cannot save the log to\n%1\n%2").arg(*chosen, file.errorString()));
        return;
    }
    logSaveFolder = QFileInfo(*chosen).absolutePath();
}

void CkelGuiToolDlg::OnOpenLogFolder() {
    const QString folder = SessionLogFolder();
    if (!QDir().mkpath(folder)) {
        MessageBox(QStringLiteral("Cannot create the log folder\n%1").arg(folder));
        return;
    }
    if (!folderOpener_->OpenFolder(folder))
        MessageBox(QStringLiteral("No file manager could show the log folder\n%1").arg(folder));
}
