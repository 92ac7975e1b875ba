// SPDX-License-Identifier: GPL-3.0-or-later
// "Reconnect automatically": the option, kept in the state folder, and the
// reconnection it makes when the adapter is back: open, handshake, then the
// channel, rate and power the user had set, each step in the log pane. A test
// that ran when the line hung up is not started again.

#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"
#include "windows/StateFolder.h"

#include <QComboBox>
#include <QSettings>

namespace kel {

namespace {

const QString kReconnectKey = QStringLiteral("reconnectAutomatically");

} // namespace

bool LinkWatcher::LoadReconnectOption() {
    return QSettings(OptionsFile(), QSettings::IniFormat).value(kReconnectKey, false).toBool();
}

void LinkWatcher::SetReconnectAutomatically(bool on) {
    reconnect_ = on;
    QSettings options(OptionsFile(), QSettings::IniFormat);
    options.setValue(kReconnectKey, on);
    options.sync();
    if (options.status() != QSettings::NoError)
        dlg_.MessageBox(QStringLiteral("Cannot keep the option in\n%1").arg(OptionsFile()));
}

void LinkWatcher::Reconnect(const std::string& path) {
    dlg_.AppendLog("Reconnecting automatically to " + path + ".\r\n");
    reconnecting_ = true;
    dlg_.OpenConnection();
    reconnecting_ = false;
    if (!dlg_.connected)
        return; // its usual message is shown
    RestoreSettings();
    if (!stoppedTest_.empty())
        dlg_.AppendLog("The " + stoppedTest_ + " test that ran before is not started again.\r\n");
}

void LinkWatcher::RestoreSettings() {
    // The lists show what is asked before it is sent, as after the user's
    // own choice; a failure leaves them so, with its usual message.
    if (chosen.channel)
        dlg_.channelList->setCurrentIndex(rftest::RowOfChannel(*chosen.channel));
    if (chosen.rateRow)
        dlg_.rateList->setCurrentIndex(*chosen.rateRow);
    const auto logStep = [this](rftest::SettingStep done) {
        switch (done) {
        case rftest::SettingStep::Channel:
            dlg_.AppendLogText(
                QStringLiteral("Channel %1 restored.\r\n").arg(dlg_.channelList->currentText()));
            return;
        case rftest::SettingStep::Rate:
            dlg_.AppendLogText(
                QStringLiteral("Rate %1 restored.\r\n").arg(dlg_.rateList->currentText()));
            return;
        case rftest::SettingStep::Power:
            dlg_.AppendLog("Power " + dlg_.powerText + " restored.\r\n");
            return;
        }
    };
    const rftest::Failure failure = rftest::ApplySettings(dlg_, chosen, dlg_.powerText, logStep);
    dlg_.SetDlgItemText(res::IDC_POWER, QString::fromStdString(dlg_.powerText));
    dlg_.Succeeded(failure);
}

} // namespace kel
