// SPDX-License-Identifier: GPL-3.0-or-later
// The ways into the windows beyond the dialog: the "Windows" row under the
// template's controls, one button per window (AddWindowEntry: a window that
// comes later adds its own there), and the context menu's entries. Each
// window is made once and shown again, and closes with the console. The
// windows reach the connection through ConsoleSession, implemented here.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "console/LinkWatcher.h"
#include "console/ResultsRecorder.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"
#include "rftest/RfTables.h"
#include "windows/ResultsWindow.h"
#include "windows/SweepWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// The row's margins, as the template's controls keep from the dialog's edge.
constexpr kel::res::DialogRect kRowMargins{7, 4, 7, 6};

void Raise(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void CkelGuiToolDlg::AddWindowsRow() {
    windowsRow = new QWidget(this);
    windowsRow->setObjectName(QStringLiteral("windowsRow"));
    windowsRow->setAccessibleName(tr("Windows"));
    auto* row = new QHBoxLayout(windowsRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Windows:"), windowsRow));
    row->addStretch(1);
    sweepButton = AddWindowEntry(QString::fromUtf8(kel::res::kSweepButtonText),
                                 QStringLiteral("sweepButton"), [this] { OpenSweepWindow(); });
    resultsButton =
        AddWindowEntry(QString::fromUtf8(kel::res::kResultsMenuText),
                       QStringLiteral("resultsButton"), [this] { OpenResultsWindow(); });
    // The windows go when the console does.
    connect(this, &QDialog::finished, this, [this] {
        for (QWidget* window :
             {static_cast<QWidget*>(sweepWindow), static_cast<QWidget*>(resultsWindow)}) {
            if (window)
                window->close();
        }
    });
}

QPushButton* CkelGuiToolDlg::AddWindowEntry(const QString& caption, const QString& objectName,
                                            const std::function<void()>& open) {
    auto* row = static_cast<QHBoxLayout*>(windowsRow->layout());
    auto* button = new QPushButton(caption, windowsRow);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    // Entries stand in the order added, after the label, before the stretch.
    row->insertWidget(row->count() - 1, button);
    // Tab reaches them after the template's last control, in that order.
    QWidget* before = windowEntries_.empty() ? controls_.back() : windowEntries_.back();
    setTabOrder(before, button);
    windowEntries_.push_back(button);
    connect(button, &QPushButton::clicked, this, open);
    PlaceWindowsRow();
    return button;
}

void CkelGuiToolDlg::PlaceWindowsRow() {
    const QRect margins = kel::MapDialogRect(kRowMargins, kel::BaseUnitsOf(font()));
    const QSize form = kel::MapDialogSize(formWidth_, formHeight_, kel::BaseUnitsOf(font()));
    const int height = windowsRow->sizeHint().height();
    windowsRow->setGeometry(margins.x(), form.height() + margins.y(),
                            form.width() - margins.x() - margins.width(), height);
    setFixedSize(form.width(), form.height() + margins.y() + height + margins.height());
}

void CkelGuiToolDlg::OpenSweepWindow() {
    if (!sweepWindow)
        sweepWindow = new SweepWindow(*this, this);
    Raise(*sweepWindow);
}

void CkelGuiToolDlg::OpenResultsWindow() {
    // Opened again, it lists the runs recorded since (a sweep just made),
    // once the recording thread has stored them.
    results->Flush();
    if (!resultsWindow)
        resultsWindow = new ResultsWindow(*this, this);
    else
        resultsWindow->ShowRuns();
    Raise(*resultsWindow);
}

// --- ConsoleSession -------------------------------------------------------------

bool CkelGuiToolDlg::TestRunning() const {
    return txRunning || toneRunning || rxRunning;
}

std::uint64_t CkelGuiToolDlg::ConnectionNumber() const {
    return connected ? linkWatcher->Connection() : 0;
}

void CkelGuiToolDlg::WindowsFollowConnection() {
    if (sweepWindow)
        sweepWindow->ConnectionChanged();
}

void CkelGuiToolDlg::LeftAt(int channel, std::optional<int> rateRow) {
    channelList->setCurrentIndex(kel::rftest::RowOfChannel(channel));
    linkWatcher->chosen.channel = channel;
    if (rateRow) {
        rateList->setCurrentIndex(*rateRow);
        linkWatcher->chosen.rateRow = *rateRow;
    }
    SetDlgItemText(kel::res::IDC_POWER, kel::TextFromBytes(powerText));
}

const kel::results::StoreSetting& CkelGuiToolDlg::ResultsSetting() const {
    return results->Setting();
}

const kel::results::RunRecord& CkelGuiToolDlg::BeginSweepRun(const std::string& dut,
                                                             const std::string& instrument) {
    results->BeginSweep(dut, instrument);
    return results->SweepRun();
}

void CkelGuiToolDlg::RecordSweepPoint(const kel::rftest::Measurement& point) {
    results->RecordSweepPoint(point);
}

void CkelGuiToolDlg::EndSweepRun(const std::string& verdict) {
    results->EndSweep(verdict);
}
