// SPDX-License-Identifier: GPL-3.0-or-later
// The board is back after its line hung up (LinkWatcher): the port field shows
// where, and with "Reconnect automatically" the console connects again: open,
// handshake, then the channel, rate and power the user had set, each step in
// the log pane. A test that ran when the line hung up is not started again.

#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"

#include <QComboBox>

namespace res = kel::res;
namespace rftest = kel::rftest;

const char* CkelGuiToolDlg::RunningTest() const {
    if (toneRunning)
        return "tone";
    if (txRunning)
        return "TX";
    return rxRunning ? "RX" : "";
}

void CkelGuiToolDlg::LinkLost() {
    RunHandler([this] { OnConnectionLost(); });
}

void CkelGuiToolDlg::LinkBack(const std::string& path, bool reconnect) {
    SetDlgItemText(res::IDC_COM_PORT, QString::fromLocal8Bit(path));
    if (reconnect)
        RunHandler([this, path] { ReconnectTo(path); });
}

void CkelGuiToolDlg::ReconnectTo(const std::string& path) {
    AppendLog("Reconnecting automatically to " + path + ".\r\n");
    // A new connection forgets what the user set; this one is to restore it.
    const rftest::TestSettings settings = linkWatcher->chosen;
    OpenConnection();
    linkWatcher->chosen = settings;
    if (!connected)
        return; // its usual message is shown
    RestoreSettings();
    const std::string& stoppedTest = linkWatcher->StoppedTest();
    if (!stoppedTest.empty())
        AppendLog("The " + stoppedTest + " test that ran before is not started again.\r\n");
}

void CkelGuiToolDlg::RestoreSettings() {
    const rftest::TestSettings& chosen = linkWatcher->chosen;
    // The lists show what is asked before it is sent, as after the user's
    // own choice; a failure leaves them so, with its usual message.
    if (chosen.channel)
        channelList->setCurrentIndex(rftest::RowOfChannel(*chosen.channel));
    if (chosen.rateRow)
        rateList->setCurrentIndex(*chosen.rateRow);
    const auto logStep = [this](rftest::SettingStep done) {
        switch (done) {
        case rftest::SettingStep::Channel:
            AppendLogText(
                QStringLiteral("Channel %1 restored.\r\n").arg(channelList->currentText()));
            return;
        case rftest::SettingStep::Rate:
            AppendLogText(QStringLiteral("Rate %1 restored.\r\n").arg(rateList->currentText()));
            return;
        case rftest::SettingStep::Power:
            AppendLog("Power " + powerText + " restored.\r\n");
            return;
        }
    };
    const rftest::Failure failure = rftest::ApplySettings(*this, chosen, powerText, logStep);
    SetDlgItemText(res::IDC_POWER, QString::fromStdString(powerText));
    Succeeded(failure);
}
