// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's main window. It owns the serial port, the read watchdog, the
// log pane, the SDD power list, the members its controls exchange data with
// (UpdateData) and the run state. Every control's notification is wired to a
// handler (MessageMap.cpp); the handlers live in one file per group:
// ConnectionHandlers, RfTestHandlers, CalibrationHandlers, SddExportHandlers,
// SessionLogHandlers (the session log file and the context menu's log entries).
// The protocol layer reaches the port, the chip model and the log pane through
// kel::CommandContext.
//
// Text members hold the bytes commands carry; UpdateData converts them to and
// from the controls' text by the one rule of console/BoardText.h, which the log
// pane follows too.

#include "console/ExchangeWaitTick.h"
#include "console/FolderOpener.h"
#include "console/LinkHost.h"
#include "console/Prompter.h"
#include "protocol/CommandContext.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "serial/SessionLog.h"
#include "windows/ConsoleSession.h"

#include <QDialog>
#include <QIcon>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CEditList;
class CommandHistory;
class ResultsRecorder;
class BenchInstrument;
class CalibrateWindow;
class ResultsWindow;
class SweepWindow;
namespace kel::board {
class VirtualBoardHost;
}
namespace kel {
class LinkWatcher;
class PortListWatcher;
} // namespace kel
class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

class CkelGuiToolDlg : public QDialog,
                       public kel::CommandContext,
                       public ConsoleSession,
                       public kel::LinkHost {
    Q_OBJECT
public:
    // Without a prompter the dialog asks with Qt's message boxes and file dialog.
    explicit CkelGuiToolDlg(std::unique_ptr<Prompter> prompter = nullptr,
                            QWidget* parent = nullptr);
    ~CkelGuiToolDlg() override;

    // kel::CommandContext
    kel::SerialPort& Port() override { return port; }
    int ChipModelIndex() const override { return chipModelIndex; }
    // Bytes appended at the end of the log pane as text (kel::TextFromBytes).
    void AppendLog(const std::string& text) override;
    // Characters appended since the pane was last emptied, as shown: a UTF-8
    // sequence counts one (two beyond U+FFFF), a byte that is not UTF-8 one,
    // "\r\n" two. The pane's 20480 limit is compared with this.
    std::size_t LogLength() const override { return logLength_; }
    void ClearLog() override;
    // Text that did not come from the board (a file path, say).
    void AppendLogText(const QString& text);
    // Replaces the whole log with text.
    void SetLogText(const std::string& text);
    QString LogText() const;

    // Controls to members (true) or members to controls (false), in the
    // order of the data-exchange table.
    bool UpdateData(bool saveAndValidate = true);
    // Enables the controls for the chip model and the state given: connected
    // (true) or not.
    void EnableControls(bool asConnected);
    // While a window's step runs: every control that reaches the board
    // locked, the window's input let through; unlocked, each is as it was.
    void LockTestControls(QWidget* window) override;
    // Writes the usage help into the two usage panes.
    void ShowUsage();

    // Controls by id; nullptr for an unknown id.
    QWidget* GetDlgItem(int id) const;
    // Every control in template (tab) order, those without an id included.
    const std::vector<QWidget*>& Controls() const { return controls_; }
    // The text a control shows (caption, edit text, combo text).
    QString GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const QString& text);
    // Check boxes and radio buttons: 0 unchecked, 1 checked. Checking or
    // unchecking a radio button leaves the other radios of its group alone.
    int IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, int check);

    // Asking the user; the busy cursor gives way while the question is shown.
    // After a message, a read or write that failed on the line since the
    // handler began is named in the log pane ("write failed: Input/output
    // error"), once.
    void MessageBox(const QString& text) override;
    // Shows a step's failure message (kel::rftest::Failure), if any; true
    // when the step succeeded.
    bool Succeeded(const char* failure) override;
    Prompter::Answer YesNoCancel(const QString& text);
    std::optional<QString> SaveFileName(const QString& proposedName, const QString& filter,
                                        const QString& dir = QString());
    std::optional<QString> SaveExportName(const QString& proposedName, const QString& filter,
                                          const QString& dir = QString()) override;
    void SetFolderOpener(std::unique_ptr<FolderOpener> opener);

    // The window menu's equivalent: minimise, close, the log entries,
    // "Reconnect automatically" (checkable) and the About entry, each group
    // after a separator. Each entry runs OnSysCommand with its command id.
    std::unique_ptr<QMenu> CreateSystemMenu();
    void OnSysCommand(unsigned commandId);

    // The OK command: does nothing, so Enter never closes the console.
    void OnOK() {}

    // Runs a control's handler: no cancel pending at its start, the busy
    // state ended after it; then a line that hung up meanwhile ends the
    // connection, and a close asked for meanwhile closes the window.
    void RunHandler(const std::function<void()>& handler);
    bool InHandler() const override { return inHandler_; }
    // Escape or the close box during a wait: the running handler's waits give
    // up (this one and every later one), with one log line saying so.
    void CancelWait();
    // A handler's wait between exchanges (a sweep's receive time), ticking as
    // the port's waits do; false when cancelled.
    bool WaitTicking(std::chrono::milliseconds duration) override;

    // The windows beyond the dialog, each opened once and shown again
    // (WindowEntries.cpp): "Sweep…" and the context menu's "RX Sweep…" and
    // "Results…".
    void OpenSweepWindow();
    void OpenResultsWindow() override;

    // ConsoleSession, what the windows ask of the connection (WindowEntries.cpp).
    bool Connected() const override { return connected != 0; }
    std::uint64_t ConnectionNumber() const override;
    bool TestRunning() const override;
    kel::CommandContext& Board() override { return *this; }
    std::string& PowerText() override { return powerText; }
    void RunStep(const std::function<void()>& step) override { RunHandler(step); }
    void CancelStep() override { CancelWait(); }
    void LeftAt(int channel, std::optional<int> rateRow) override;
    // A connection began or ended: the open windows say whose board they show.
    void WindowsFollowConnection();
    const kel::results::StoreSetting& ResultsSetting() const override;
    const kel::results::RunRecord& BeginSweepRun(const std::string& dut,
                                                 const std::string& instrument = {}) override;
    void RecordSweepPoint(const kel::rftest::Measurement& point) override;
    void EndSweepRun(const std::string& verdict) override;

    // Connection (ConnectionHandlers.cpp).
    void OnBnClickedConnect();
    // Opens the port the port box names and connects, as Connect does,
    // adding to the log pane rather than emptying it first.
    void OpenConnection();
    void OnCbnDropdownComPort();
    void OnCbnSelchangeChipModel();
    // The way to the disconnected state, for Disconnect (which sends the
    // board's disconnect first) and for a line that hung up (which cannot):
    // watchdog stopped, port closed, run flags and captions reset, the port
    // settings and Connect unlocked.
    void EndConnection(bool sendDisconnect);
    // The port went away under a handler: one log line naming it, then
    // EndConnection without sending.
    void OnConnectionLost();
    // kel::LinkHost, what the link watcher asks (Reconnect.cpp).
    const char* RunningTest() const override;
    void LinkLost() override;
    void LinkBack(const std::string& path, bool reconnect) override;
    // Connects to path again and restores what the user had set.
    void ReconnectTo(const std::string& path);
    void RestoreSettings();
    // RF tests (RfTestHandlers.cpp).
    void OnBnClickedGetMac();
    void OnBnClickedSetMac();
    void OnBnClickedSetPower();
    void OnBnClickedTone();
    void OnBnClickedTx();
    // With an instrument set, its reading of the tone (else the TX) just
    // started, in the log pane and the results store (InstrumentHandlers.cpp).
    void MeasureWithInstrument(bool tone);
    void OnBnClickedRx();
    void OnCbnSelchangeChannel();
    void OnCbnSelchangeRate();
    void OnBnClickedCountCheck();
    void OnBnClickedLengthCheck();
    // Calibration and power mode (CalibrationHandlers.cpp).
    void OnBnClickedSetFreqOffset();
    void OnBnClickedGetFreqOffset();
    void OnBnClickedSaveFreqOffset();
    void OnBnClickedGetSddFreqOffset();
    void OnBnClickedSetPowerAll();
    void OnBnClickedGetPowerAll();
    // The reads that finish a connection (the frequency offset, the SDD
    // powers, as the chip model has them) sent back to back after the
    // handshake; then catchUp brings the window up, then they are shown.
    void ReadAfterHandshake(const std::function<void()>& catchUp);
    void OnBnClickedSaveToSdd();
    void OnPowerMode(int id); // 1039 "LDO Mode" or 1040 "DC-DC Mode"
    void OnBnClickedSendCmd();
    // SDD file export (SddExportHandlers.cpp).
    void OnBnClickedExportSdd();
    // The session log and the log entries of the context menu
    // (SessionLogHandlers.cpp).
    void BeginSessionLog();
    // Where every connection ends, whatever ends it: stops the watchdog,
    // closes the port and the session log. Sends nothing.
    void EndSession();
    // A session log that failed since the last report is told once; so is a
    // results store that could not be written.
    void ReportSessionLogProblem();
    void OnSaveLogAs();
    void OnOpenLogFolder();
    // "Save Log As…" and "Open Log Folder", each running OnSysCommand.
    void AddLogEntries(QMenu& menu);

    // Members, in the order of the member table.
    QIcon appIcon;
    QComboBox* chipModelList = nullptr; // 1021
    QComboBox* comPortList = nullptr;   // 1006
    std::string powerText;              // 1007
    QComboBox* channelList = nullptr;   // 1009
    QComboBox* rateList = nullptr;      // 1008
    kel::SerialPort port;               // outlives the watchdog below
    QPlainTextEdit* logPane = nullptr;  // 1001
    QLineEdit* commandBox = nullptr;    // 1041
    int connected = 0;
    int toneRunning = 0;
    int txRunning = 0;
    int rxRunning = 0;
    std::string srcAddrText;  // 1011
    std::string dstAddrText;  // 1014
    std::string bssidText;    // 1015
    int countCheck = 0;       // 1017
    int lengthCheck = 0;      // 1019
    std::string txCountText;  // 1016
    std::string txLengthText; // 1018
    std::int16_t dcdcMode = 0;
    // Started by a connection, stopped before the port closes or goes.
    std::unique_ptr<kel::ReadWatchdog> watchdog;
    std::string freqOffsetText;        // 1024
    std::string spareOffsetText;       // 1034, read by no handler
    std::string sddPower11bText;       // 1031
    std::string sddPower11gnText;      // 1032
    std::string sddPower11nMcs7Text;   // 1033
    CEditList* sddPowerList = nullptr; // 1045
    int fullDutyCheck = 0;             // 1046
    QComboBox* baudRateBox = nullptr;  // 1047

    // The SDD power list's column the user edits: a class's power level.
    static constexpr int kSddPowerColumn = 1;
    // The three SDD power texts in the order of the list's rows, which is the
    // order of kel::rftest::SddPowerClass.
    std::array<std::string*, 3> SddPowerTexts() {
        return {&sddPower11bText, &sddPower11gnText, &sddPower11nMcs7Text};
    }

    // The chip model row 0..3 in use, -1 until one is chosen.
    int chipModelIndex = -1;

    // The folder of the last SDD export's file; the home folder until then.
    QString sddExportFolder;
    // Every byte of the port from Connect to the end of the connection.
    kel::SessionLog sessionLog;
    // The folder "Save Log As…" last saved to; the home folder until then.
    QString logSaveFolder;
    // Up and Down in the free command box.
    CommandHistory* commandHistory = nullptr;
    // Each connection a run in the results store, each result a measurement.
    std::unique_ptr<ResultsRecorder> results;
    // The instrument Tone Start and TX Start measure with, when one is set.
    std::unique_ptr<BenchInstrument> instrument;

    // The read slice of the watchdog each connection starts; tests shorten it.
    std::chrono::milliseconds watchdogSlice = kel::ReadWatchdog::kSlice;
    // The built-in virtual board, started the first time its port entry is
    // connected to; a test may put in one with a fault mode beforehand.
    std::unique_ptr<kel::board::VirtualBoardHost> virtualBoard;

    // Keeps the port list in step with the devices plugged in (PortListWatcher.h).
    kel::PortListWatcher* portListWatcher = nullptr;
    // Notices an idle line hanging up and the adapter coming back (LinkWatcher.h).
    kel::LinkWatcher* linkWatcher = nullptr;

    // The "Windows" row under the template's controls: a button per window
    // beyond the dialog, "Sweep…" and "Results…" first. A new window adds
    // its own with AddWindowEntry (its caption, an object name for tests,
    // what opens it); Tab reaches the entries after the template's controls.
    QWidget* windowsRow = nullptr;
    QPushButton* AddWindowEntry(const QString& caption, const QString& objectName,
                                const std::function<void()>& open);
    QPushButton* sweepButton = nullptr;
    QPushButton* resultsButton = nullptr;
    SweepWindow* sweepWindow = nullptr;
    ResultsWindow* resultsWindow = nullptr;
    // "Calibrate…" in the Windows row, in the SDD group beside the controls
    // it automates, and in the context menu; and what the Calibrate window
    // asks of the console (CalibrateEntry.cpp).
    QPushButton* calibrateButton = nullptr;
    QPushButton* calibrateGroupButton = nullptr;
    CalibrateWindow* calibrateWindow = nullptr;
    void OpenCalibrateWindow();
    bool Confirm(const QString& question) override;
    std::optional<Instrument> CalibrationInstrument(std::string& why) override;
    // "Station…" in the Windows row (StationEntry.cpp).
    QPushButton* stationButton = nullptr;
    void OpenStationStart();

    // The port's wait-tick; handlers run inside its scope (RunHandler).
    ExchangeWaitTick waitTick{*this, [this] { CancelWait(); }};

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // While a handler runs, the close box cancels its waits and the window
    // closes once it has ended.
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused push button and is the OK command elsewhere.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<QWidget*> controls_; // in template (tab) order
    std::size_t logLength_ = 0;
    // Text for the pane held while a handler runs: shown at its next wait
    // tick or when it ends, never between a reply and the next command.
    QString heldLog_;
    bool inHandler_ = false;
    bool closeAfterHandler_ = false;
    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<FolderOpener> folderOpener_ = MakeDesktopFolderOpener();

    void OnInitDialog();
    void DoDataExchange(bool saveAndValidate);
    void WireMessageMap();
    void FillLists();
    void PrepareSddPowerList();
    void AppendToPane(const QString& text);
    void ShowHeldLog();
    void InsertInPane(const QString& text);
    void AddLogEntriesToPaneMenu();
    void AddStationButton();
    void AddCalibrateButton();
    void AddWindowsRow();
    void MakeReadable(); // DialogReadability.cpp
    void PlaceWindowsRow();
    std::vector<QWidget*> windowEntries_;
    int formWidth_ = 0; // the template's size in dialog units, without the row
    int formHeight_ = 0;

    std::vector<QWidget*> lockedControls_; // by LockTestControls, to unlock
};
