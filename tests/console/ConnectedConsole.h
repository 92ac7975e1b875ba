#pragma once
// The console as a successful connect leaves it (flags clear, captions at
// "Start", count and length "0", channel 7, rate row 0, the controls of the
// chip model enabled), on a port opened to the given device, with nothing
// sent. Whatever serves the device must outlive this object.
//
// The helpers act as the user does: a disabled control ignores them.

#include "ScriptedPrompter.h"
#include "console/CkelGuiToolDlg.h"
#include "resources/ResourceIds.h"
#include "serial/ReadWatchdog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

struct ConnectedConsole {
    ConnectedConsole(const std::string& device, int chipModel, std::chrono::milliseconds slice)
        : dlg(std::make_unique<ScriptedPrompter>(prompts)) {
        using namespace kel::res;
        dlg.chipModelList->setCurrentIndex(chipModel);
        dlg.chipModelIndex = chipModel;
        if (dlg.port.Open(device, 115200) != 0)
            throw std::runtime_error("cannot open " + device);
        dlg.watchdog = std::make_unique<kel::ReadWatchdog>(dlg.port, slice);
        dlg.EnableControls(true);
        dlg.connected = 1;
        dlg.SetDlgItemText(IDC_CONNECT, QStringLiteral("Disconnect"));
        dlg.SetDlgItemText(IDC_TX, QStringLiteral("TX Start"));
        dlg.SetDlgItemText(IDC_RX, QStringLiteral("RX Start"));
        dlg.SetDlgItemText(IDC_TONE, QStringLiteral("Tone Start"));
        dlg.txCountText = "0";
        dlg.txLengthText = "0";
        dlg.channelList->setCurrentIndex(6);
        dlg.rateList->setCurrentIndex(0);
        dlg.UpdateData(false);
    }

    void Click(int id) { qobject_cast<QAbstractButton*>(dlg.GetDlgItem(id))->click(); }

    // Picks a row of a list as the user does, so the selection-change handler runs.
    void Choose(int id, int row) {
        auto* list = qobject_cast<QComboBox*>(dlg.GetDlgItem(id));
        if (!list->isEnabled())
            return;
        list->setCurrentIndex(row);
        emit list->activated(row);
    }

    void Type(int id, const QString& text) {
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(id))->setText(text);
    }

    QString Text(int id) const { return dlg.GetDlgItemText(id); }
    bool Enabled(int id) const { return dlg.GetDlgItem(id)->isEnabled(); }
    QStringList Messages() const { return prompts->messages; }

    std::shared_ptr<PromptLog> prompts = std::make_shared<PromptLog>();
    CkelGuiToolDlg dlg;
};
