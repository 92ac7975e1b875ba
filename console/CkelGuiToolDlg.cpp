// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CkelGuiToolDlg.h"

#include "board/VirtualBoardHost.h"
#include "console/BenchInstrument.h"
#include "console/BoardText.h"
#include "console/CAboutDlg.h"
#include "console/CommandHistory.h"
#include "console/ConsoleTables.h"
#include "console/DebugCategories.h"
#include "console/DialogBuilder.h"
#include "console/LinkWatcher.h"
#include "console/PortListWatcher.h"
#include "console/QtPrompter.h"
#include "console/ResultsRecorder.h"
#include "editlist/CEditList.h"
#include "protocol/ChipModels.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"
#include "rftest/RfTables.h"
#include "serial/SessionLogFolder.h"
#include "windows/StateFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <thread>
#include <utility>

using namespace kel::res;

namespace {

// Window menu commands the dialog answers besides the About entry.
constexpr unsigned kScMinimize = 0xF020;
constexpr unsigned kScClose = 0xF060;

// The property that holds what a control shows: a caption, a title, an
// edit's text, a list's chosen or typed entry; nullptr for other controls.
const char* TextProperty(const QWidget* control) {
    if (qobject_cast<const QPlainTextEdit*>(control))
        return "plainText";
    if (qobject_cast<const QComboBox*>(control))
        return "currentText";
    if (qobject_cast<const QGroupBox*>(control))
        return "title";
    if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QAbstractButton*>(control) ||
        qobject_cast<const QLabel*>(control))
        return "text";
    return nullptr;
}

// The SDD power list opens an edit box on the power level column only.
int SddPowerEditor(int column) {
    return column == CkelGuiToolDlg::kSddPowerColumn ? CEditList::kEditBoxEditor
                                                     : CEditList::kNoEditor;
}

// What the results store takes of the dialog with each result.
ResultsRecorder::Shown ShownForResults(const CkelGuiToolDlg& dlg) {
    ResultsRecorder::Shown shown;
    shown.chipModel = dlg.chipModelList->itemText(dlg.chipModelIndex).toStdString();
    shown.port = dlg.port.name;
    shown.baud = dlg.port.baudRate;
    shown.sessionLog = dlg.sessionLog.Path().string();
    shown.channelRow = dlg.channelList->currentIndex();
    shown.rateRow = dlg.rateList->currentIndex();
    shown.powerText = dlg.powerText;
    shown.sendPktNum = kel::BytesFromText(dlg.GetDlgItemText(IDC_SEND_PKT_NUM));
    shown.sddPowers = {dlg.sddPower11bText, dlg.sddPower11gnText, dlg.sddPower11nMcs7Text};
    return shown;
}

} // namespace

CkelGuiToolDlg::CkelGuiToolDlg(std::unique_ptr<Prompter> prompter, QWidget* parent)
    : QDialog(parent), prompter_(std::move(prompter)) {
    if (!prompter_)
        prompter_ = std::make_unique<QtPrompter>(this);
    kel::RouteDebugNotesToQt();

    // The template's font exists only on one platform: take the platform's
    // own UI font at the template's size.
    const DialogTemplate& tmpl = MainDialogTemplate();
    QFont font = QApplication::font();
    font.setPointSize(tmpl.pointSize);
    setFont(font);

    setWindowTitle(QString::fromUtf8(tmpl.caption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    const kel::DialogBaseUnits units = kel::BaseUnitsOf(this->font());
    controls_ = kel::BuildControls(this, tmpl, units);
    formWidth_ = tmpl.width;
    formHeight_ = tmpl.height;
    setFixedSize(kel::MapDialogSize(tmpl.width, tmpl.height, units));
    AddWindowsRow();
    AddStationButton();
    AddCalibrateButton();

    appIcon = QIcon(QString::fromUtf8(kAppIconPath));
    // A calibration's worker thread reads the port too: only this thread ticks.
    port.SetWaitTick([this] {
        if (QThread::currentThread() == thread())
            waitTick.Tick();
    });
    port.SetTrafficTap([this](kel::Traffic direction, const std::uint8_t* bytes,
                              std::size_t count) { sessionLog.Record(direction, bytes, count); });

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { OnSysCommand(IDM_ABOUTBOX); });

    WireMessageMap();
    OnInitDialog();
    MakeReadable();
    portListWatcher = new kel::PortListWatcher(
        comPortList, [this] { return port.IsOpen(); }, this);
    linkWatcher = new kel::LinkWatcher(*this, *portListWatcher, this);
    portListWatcher->SetOnChange([this] { linkWatcher->DevicesChanged(); });

    kel::PruneSessionLogs(QFile::encodeName(SessionLogFolder()).toStdString(),
                          kel::SessionLog::Clock::now());
    commandHistory = new CommandHistory(commandBox, CommandHistoryFile());
    results = std::make_unique<ResultsRecorder>(
        *this, [this](const QString& text) { AppendLogText(text); },
        [this] { return ShownForResults(*this); }, [this] { return InHandler(); });
    instrument = std::make_unique<BenchInstrument>();
    AddLogEntriesToPaneMenu();
}

CkelGuiToolDlg::~CkelGuiToolDlg() {
    // Closing sends nothing to the board; the run ends with the connection.
    results.reset();
    instrument.reset(); // its virtual bench measures the built-in board's tray
    EndSession();
    port.SetWaitTick({});
    port.SetTrafficTap({});
}

void CkelGuiToolDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(appIcon);
    setWindowTitle(QString::fromStdString(kel::VersionCaption()));
    ClearLog();
    FillLists();
    PrepareSddPowerList();
    EnableControls(false);
    ShowUsage();

    baudRateBox->clear();
    for (std::uint32_t baud : kel::rftest::kBaudRates)
        kel::AddString(baudRateBox, QString::number(baud));
    baudRateBox->setCurrentIndex(kel::rftest::kDefaultBaudRow);

    dcdcMode = IsDlgButtonChecked(IDC_DCDC_MODE) ? 1 : 0;

    // The command box is locked until a connection; then the user starts at
    // the chip model.
    commandBox->setFocus();
    if (!commandBox->isEnabled())
        chipModelList->setFocus();
}

void CkelGuiToolDlg::FillLists() {
    for (int channel = kel::rftest::kFirstChannel; channel <= kel::rftest::kLastChannel; ++channel)
        kel::AddString(channelList, QString::number(channel));
    for (const kel::rftest::RateRow& rate : kel::rftest::kRates)
        kel::AddString(rateList, QString::fromStdString(kel::rftest::RateListText(rate)));
    for (const kel::ChipModel& model : kel::kChipModels)
        kel::AddString(chipModelList, QString::fromUtf8(model.name));
}

void CkelGuiToolDlg::PrepareSddPowerList() {
    sddPowerList->setShowGrid(true);
    sddPowerList->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Rows as tall as a list's rows: the three classes fit without scrolling.
    sddPowerList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    sddPowerList->InsertColumn(0, QStringLiteral("rate"), Qt::AlignHCenter, 90);
    sddPowerList->InsertColumn(kSddPowerColumn, QStringLiteral("power level"), Qt::AlignHCenter,
                               102);
    sddPowerList->InsertItem(0, QStringLiteral("11b"));
    sddPowerList->InsertItem(1, QStringLiteral("11gn"));
    sddPowerList->InsertItem(2, QStringLiteral("11n mcs7"));
    sddPowerList->editorCallback = SddPowerEditor;
}

// --- Handlers and their waits ------------------------------------------------

void CkelGuiToolDlg::RunHandler(const std::function<void()>& handler) {
    port.ClearCancel();
    port.ClearLineFailure();
    inHandler_ = true;
    {
        HandlerScope scope(waitTick);
        handler();
    }
    inHandler_ = false;
    ShowHeldLog();
    if (port.IsOpen() && (port.HungUp() || linkWatcher->TakeHangUp()))
        OnConnectionLost();
    // Reported only now, so a message box never stops an exchange halfway.
    ReportSessionLogProblem();
    if (std::exchange(closeAfterHandler_, false))
        close();
}

bool CkelGuiToolDlg::WaitTicking(std::chrono::milliseconds duration) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + duration;
    for (;;) {
        waitTick.Tick();
        if (port.CancelRequested())
            return false;
        const auto left = until - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(left, kel::SerialPort::kTickInterval));
    }
}

void CkelGuiToolDlg::CancelWait() {
    if (port.CancelRequested())
        return; // one line per handler, however often the user asks
    port.RequestCancel();
    AppendLog("Cancelled: the console stopped waiting for the board.\r\n");
}

void CkelGuiToolDlg::closeEvent(QCloseEvent* event) {
    if (!inHandler_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    closeAfterHandler_ = true;
    CancelWait();
}

// --- Log pane ---------------------------------------------------------------

void CkelGuiToolDlg::AppendToPane(const QString& text) {
    logLength_ += static_cast<std::size_t>(text.size());
    if (inHandler_) {
        if (heldLog_.isEmpty())
            QTimer::singleShot(0, this, &CkelGuiToolDlg::ShowHeldLog);
        heldLog_ += text;
        return;
    }
    ShowHeldLog();
    InsertInPane(text);
}

void CkelGuiToolDlg::InsertInPane(const QString& text) {
    QTextCursor end(logPane->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    // Whatever the user selected, the newest line stays in view.
    logPane->moveCursor(QTextCursor::End);
    logPane->verticalScrollBar()->setValue(logPane->verticalScrollBar()->maximum());
}

void CkelGuiToolDlg::ShowHeldLog() {
    if (heldLog_.isEmpty())
        return;
    InsertInPane(std::exchange(heldLog_, QString()));
}

void CkelGuiToolDlg::AppendLog(const std::string& text) {
    AppendToPane(kel::TextFromBytes(text));
}

void CkelGuiToolDlg::AppendLogText(const QString& text) {
    AppendToPane(text);
}

void CkelGuiToolDlg::ClearLog() {
    heldLog_.clear();
    logPane->clear();
    logLength_ = 0;
}

void CkelGuiToolDlg::SetLogText(const std::string& text) {
    ClearLog();
    AppendLog(text);
}

QString CkelGuiToolDlg::LogText() const {
    return logPane->toPlainText() + heldLog_;
}

// --- Controls by id ---------------------------------------------------------

QWidget* CkelGuiToolDlg::GetDlgItem(int id) const {
    if (id == IDC_STATIC)
        return nullptr;
    for (QWidget* control : controls_) {
        if (kel::DlgIdOf(control) == id)
            return control;
    }
    return nullptr;
}

QString CkelGuiToolDlg::GetDlgItemText(int id) const {
    QWidget* control = GetDlgItem(id);
    const char* property = TextProperty(control);
    return property != nullptr ? control->property(property).toString() : QString();
}

void CkelGuiToolDlg::SetDlgItemText(int id, const QString& text) {
    QWidget* control = GetDlgItem(id);
    const char* property = TextProperty(control);
    // A list's shown text changes only where it can be typed into.
    const auto* combo = qobject_cast<const QComboBox*>(control);
    if (property == nullptr || (combo != nullptr && !combo->isEditable()))
        return;
    control->setProperty(property, text);
}

int CkelGuiToolDlg::IsDlgButtonChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    return button && button->isChecked() ? 1 : 0;
}

void CkelGuiToolDlg::CheckDlgButton(int id, int check) {
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    if (!button)
        return;
    // An exclusive group refuses to uncheck its checked button; the code sets
    // each radio on its own, as the user's click cannot.
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive)
        group->setExclusive(false);
    button->setChecked(check != 0);
    if (exclusive)
        group->setExclusive(true);
}

// --- Questions to the user --------------------------------------------------

void CkelGuiToolDlg::MessageBox(const QString& text) {
    waitTick.EndBusy();
    ShowHeldLog(); // the lines that led to it in sight
    sessionLog.Note(kel::BytesFromText(text));
    prompter_->MessageBox(text);
    if (port.lineFailure().empty())
        return;
    AppendLog(port.lineFailure().Text() + "\r\n");
    port.ClearLineFailure();
}

bool CkelGuiToolDlg::Succeeded(const char* failure) {
    if (failure == nullptr)
        return true;
    MessageBox(QString::fromLatin1(failure));
    return false;
}

Prompter::Answer CkelGuiToolDlg::YesNoCancel(const QString& text) {
    waitTick.EndBusy();
    const Prompter::Answer answer = prompter_->YesNoCancel(text);
    static const char* const kAnswers[] = {"Yes", "No", "Cancel"};
    sessionLog.Note(kel::BytesFromText(text) + " [" + kAnswers[static_cast<int>(answer)] + "]");
    return answer;
}

std::optional<QString> CkelGuiToolDlg::SaveFileName(const QString& proposedName,
                                                    const QString& filter, const QString& dir) {
    waitTick.EndBusy();
    return prompter_->SaveFileName(proposedName, filter, dir);
}

std::optional<QString> CkelGuiToolDlg::SaveExportName(const QString& proposedName,
                                                      const QString& filter, const QString& dir) {
    waitTick.EndBusy();
    return prompter_->SaveFileName(proposedName, filter, dir, false);
}

void CkelGuiToolDlg::SetFolderOpener(std::unique_ptr<FolderOpener> opener) {
    folderOpener_ = std::move(opener);
}

// --- Window menu and About box ------------------------------------------------

std::unique_ptr<QMenu> CkelGuiToolDlg::CreateSystemMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(tr("Minimize"))->setData(kScMinimize);
    menu->addAction(tr("Close"))->setData(kScClose);
    menu->addSeparator();
    AddLogEntries(*menu);
    menu->addSeparator();
    QAction* reconnect = menu->addAction(QString::fromUtf8(kReconnectMenuText));
    reconnect->setData(IDM_RECONNECT);
    reconnect->setCheckable(true);
    reconnect->setChecked(linkWatcher->ReconnectAutomatically());
    menu->addSeparator();
    // A sweep needs a connection, as the Sweep… button does.
    QAction* sweep = menu->addAction(QString::fromUtf8(kSweepMenuText));
    sweep->setData(IDM_SWEEP);
    sweep->setEnabled(sweepButton->isEnabled());
    menu->addAction(QString::fromUtf8(kResultsMenuText))->setData(IDM_RESULTS);
    menu->addAction(QString::fromUtf8(kCalibrateMenuText))->setData(IDM_CALIBRATE);
    const QString about = QString::fromUtf8(kAboutMenuText);
    if (!about.isEmpty()) {
        menu->addSeparator();
        menu->addAction(about)->setData(IDM_ABOUTBOX);
    }
    return menu;
}

void CkelGuiToolDlg::OnSysCommand(unsigned commandId) {
    switch (commandId & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(this);
        about.exec();
        return;
    }
    case IDM_SAVELOGAS:
        OnSaveLogAs();
        return;
    case IDM_OPENLOGFOLDER:
        OnOpenLogFolder();
        return;
    case IDM_RECONNECT:
        if (!linkWatcher->SetReconnectAutomatically(!linkWatcher->ReconnectAutomatically()))
            MessageBox(QStringLiteral("Cannot keep the option in\n%1").arg(OptionsFile()));
        return;
    case IDM_SWEEP:
        OpenSweepWindow();
        return;
    case IDM_CALIBRATE:
        OpenCalibrateWindow();
        return;
    case IDM_RESULTS:
        OpenResultsWindow();
        return;
    case kScMinimize:
        showMinimized();
        return;
    case kScClose:
        close();
        return;
    default:
        return;
    }
}

void CkelGuiToolDlg::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = CreateSystemMenu();
    if (QAction* chosen = menu->exec(event->globalPos()))
        OnSysCommand(chosen->data().toUInt());
}
