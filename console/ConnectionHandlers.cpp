// SPDX-License-Identifier: GPL-3.0-or-later
// Connection: Connect/Disconnect, the port list's drop-down, the chip model.

#include "board/VirtualBoardHost.h"
#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "console/PortList.h"
#include "console/PortListWatcher.h"
#include "console/ResultsRecorder.h"
#include "protocol/NumberReading.h"
#include "resources/ResourceIds.h"
#include "rftest/Connection.h"
#include "rftest/RfTables.h"

#include <QComboBox>
#include <QLineEdit>
#include <cstdint>
#include <limits>
#include <system_error>

using namespace kel::res;

namespace {

// Where the lists stand after a connection: channel 7 at 1 Mbit/s.
constexpr int kConnectChannelRow = kel::rftest::RowOfChannel(7);
constexpr int kConnectRateRow = kel::rftest::RateRowAt(1.0f);

// The baud box's text as an unsigned 32-bit number: an out-of-range value
// saturates, a negative one wraps, as the C library's unsigned reading does.
std::uint32_t ReadBaudRate(const QString& text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    const std::int64_t value = kel::ReadInteger64(kel::BytesFromText(text));
    if (value > kMax || value < -kMax)
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(value);
}

// The device to open for the port box's text; the virtual board's entry
// starts the built-in board the first time. Empty, with a log line saying
// why, when there is nothing to open.
std::string ResolvePortPath(CkelGuiToolDlg& dlg, const QString& text) {
    if (!kel::IsVirtualBoardEntry(text))
        return kel::DevicePathOf(text);
    if (!dlg.virtualBoard)
        dlg.virtualBoard = std::make_unique<kel::board::VirtualBoardHost>();
    if (dlg.virtualBoard->SlavePath().empty()) {
        dlg.AppendLog("The virtual board could not start: " + dlg.virtualBoard->Error() + "\r\n");
        dlg.virtualBoard.reset(); // try afresh next time
    }
    return dlg.virtualBoard ? dlg.virtualBoard->SlavePath() : std::string();
}

// The watchdog for the port just opened. A thread that cannot be created
// closes the port again, so the next attempt can open it.
bool StartWatchdog(CkelGuiToolDlg& dlg) {
    try {
        dlg.watchdog = std::make_unique<kel::ReadWatchdog>(dlg.port, dlg.watchdogSlice);
        return true;
    } catch (const std::system_error& error) {
        dlg.EndSession();
        dlg.AppendLog(std::string("Cannot start the read watchdog: ") + error.what() +
                      "; the port is closed again.\r\n");
        return false;
    }
}

// No test runs: flags clear, the buttons offer to start.
void ResetRunState(CkelGuiToolDlg& dlg) {
    dlg.txRunning = 0;
    dlg.rxRunning = 0;
    dlg.toneRunning = 0;
    dlg.SetDlgItemText(IDC_TX, QStringLiteral("TX Start"));
    dlg.SetDlgItemText(IDC_RX, QStringLiteral("RX Start"));
    dlg.SetDlgItemText(IDC_TONE, QStringLiteral("Tone Start"));
}

void Connect(CkelGuiToolDlg& dlg) {
    const QString portText = dlg.comPortList->currentText();
    if (portText.trimmed().isEmpty()) {
        dlg.MessageBox(QStringLiteral("Please select a com!"));
        return;
    }
    // A long entry shows its beginning, whatever the caret did while typing.
    if (QLineEdit* field = dlg.comPortList->lineEdit())
        field->setCursorPosition(0);
    const std::uint32_t baud = ReadBaudRate(dlg.baudRateBox->currentText());
    const std::string path = ResolvePortPath(dlg, portText);
    if (path.empty() || dlg.port.Open(path, baud) != 0) {
        if (!path.empty())
            dlg.AppendLog(kel::OpenFailureLine(dlg.port.lastError(), path));
        dlg.MessageBox(QString::fromLatin1(kel::rftest::kOpenFailed));
        return;
    }
    dlg.BeginSessionLog();
    if (!StartWatchdog(dlg))
        return;

    if (!dlg.Succeeded(kel::rftest::Handshake(dlg, dlg.powerText))) {
        dlg.EndSession();
        return;
    }
    // The window comes up to the connection once the board has said all it
    // says on connecting.
    dlg.ReadAfterHandshake([&dlg] {
        dlg.results->BeginRun();
        dlg.SetDlgItemText(IDC_CONNECT, QStringLiteral("Disconnect"));
        dlg.EnableControls(true);
        ResetRunState(dlg);
        dlg.fullDutyCheck = 0;
        dlg.txCountText = "0";
        dlg.txLengthText = "0";
        dlg.channelList->setCurrentIndex(kConnectChannelRow);
        dlg.rateList->setCurrentIndex(kConnectRateRow);
        dlg.UpdateData(false);
    });
    dlg.connected = 1;
    dlg.linkWatcher->Connected();
    dlg.WindowsFollowConnection();
}

} // namespace

void CkelGuiToolDlg::EndConnection(bool sendDisconnect) {
    if (sendDisconnect)
        kel::rftest::Disconnect(*this);
    SetDlgItemText(IDC_CONNECT, QStringLiteral("Connect"));
    results->EndRun(!sendDisconnect);
    EndSession();
    ResetRunState(*this);
    EnableControls(false);
    // A chip model is chosen, so a new connection may be tried at once.
    comPortList->setEnabled(true);
    GetDlgItem(IDC_CONNECT)->setEnabled(true);
    connected = 0;
    WindowsFollowConnection();
}

void CkelGuiToolDlg::OnConnectionLost() {
    AppendLog("The port " + port.name + " went away (the line hung up); disconnected.\r\n");
    linkWatcher->Lost();
    EndConnection(false);
}

void CkelGuiToolDlg::OnBnClickedConnect() {
    if (!connected) {
        ClearLog();
        Connect(*this);
        return;
    }
    EndConnection(true);
    OnCbnSelchangeChipModel(); // the log pane shows the chip model alone
}

void CkelGuiToolDlg::OpenConnection() {
    Connect(*this);
}

void CkelGuiToolDlg::OnCbnDropdownComPort() {
    portListWatcher->Refill();
}

void CkelGuiToolDlg::OnCbnSelchangeChipModel() {
    const int row = chipModelList->currentIndex();
    if (row < 0)
        return;
    chipModelIndex = row;
    SetLogText("Chip Model: " + kel::BytesFromText(chipModelList->itemText(row)) + "\n");
    comPortList->setEnabled(true);
    GetDlgItem(IDC_CONNECT)->setEnabled(true);
    UpdateData(false);
}
