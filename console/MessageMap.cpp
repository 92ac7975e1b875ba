// SPDX-License-Identifier: GPL-3.0-or-later
// Wires every control's notification to its handler. A handler runs through
// RunHandler: whatever waiting it does shows a busy cursor until it returns.

#include "console/CkelGuiToolDlg.h"
#include "console/DropDownComboBox.h"
#include "resources/ResourceIds.h"

#include <QAbstractButton>
#include <QComboBox>

namespace {

using Dlg = CkelGuiToolDlg;
using namespace kel::res;

enum class Notification {
    Clicked,   // a button was clicked
    SelChange, // the user chose a row of a list (not a change made by code)
    DropDown,  // a list is about to open
};

struct Entry {
    int id;
    Notification notification;
    void (Dlg::*handler)();
};

const Entry kMessageMap[] = {
    {IDC_CONNECT, Notification::Clicked, &Dlg::OnBnClickedConnect},
    {IDC_GET_MAC, Notification::Clicked, &Dlg::OnBnClickedGetMac},
    {IDC_SET_MAC, Notification::Clicked, &Dlg::OnBnClickedSetMac},
    {IDC_SET_POWER, Notification::Clicked, &Dlg::OnBnClickedSetPower},
    {IDC_TONE, Notification::Clicked, &Dlg::OnBnClickedTone},
    {IDC_TX, Notification::Clicked, &Dlg::OnBnClickedTx},
    {IDC_RX, Notification::Clicked, &Dlg::OnBnClickedRx},
    {IDC_COM_PORT, Notification::DropDown, &Dlg::OnCbnDropdownComPort},
    {IDC_CHANNEL, Notification::SelChange, &Dlg::OnCbnSelchangeChannel},
    {IDC_RATE, Notification::SelChange, &Dlg::OnCbnSelchangeRate},
    {IDC_COUNT_CHECK, Notification::Clicked, &Dlg::OnBnClickedCountCheck},
    {IDC_LENGTH_CHECK, Notification::Clicked, &Dlg::OnBnClickedLengthCheck},
    {IDC_CHIP_MODEL, Notification::SelChange, &Dlg::OnCbnSelchangeChipModel},
    {IDC_EXPORT_SDD, Notification::Clicked, &Dlg::OnBnClickedExportSdd},
    {IDC_SET_FREQ_OFFSET, Notification::Clicked, &Dlg::OnBnClickedSetFreqOffset},
    {IDC_GET_FREQ_OFFSET, Notification::Clicked, &Dlg::OnBnClickedGetFreqOffset},
    {IDC_SAVE_FREQ_OFFSET, Notification::Clicked, &Dlg::OnBnClickedSaveFreqOffset},
    {IDC_GET_SDD_FREQ_OFFSET, Notification::Clicked, &Dlg::OnBnClickedGetSddFreqOffset},
    {IDC_SET_POWER_ALL, Notification::Clicked, &Dlg::OnBnClickedSetPowerAll},
    {IDC_GET_POWER_ALL, Notification::Clicked, &Dlg::OnBnClickedGetPowerAll},
    {IDC_SAVE_TO_SDD, Notification::Clicked, &Dlg::OnBnClickedSaveToSdd},
    // IDC_LDO_MODE .. IDC_DCDC_MODE: OnPowerMode with the id, wired below.
    {IDC_SEND_CMD, Notification::Clicked, &Dlg::OnBnClickedSendCmd},
    // The hidden "Exit" button: the OK command, which must not close the console.
    {IDOK, Notification::Clicked, &Dlg::OnOK},
    // A rate is taken when Connect opens the port; choosing one sends nothing.
    {IDC_BAUD_RATE, Notification::SelChange, &Dlg::OnOK},
};

constexpr int kPowerModeFirst = IDC_LDO_MODE;
constexpr int kPowerModeLast = IDC_DCDC_MODE;

} // namespace

void CkelGuiToolDlg::WireMessageMap() {
    for (const Entry& entry : kMessageMap) {
        QWidget* control = GetDlgItem(entry.id);
        const auto run = [this, handler = entry.handler] {
            RunHandler([&] { (this->*handler)(); });
        };
        switch (entry.notification) {
        case Notification::Clicked:
            connect(qobject_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this, run);
            break;
        case Notification::SelChange:
            connect(qobject_cast<QComboBox*>(control), &QComboBox::activated, this, run);
            break;
        case Notification::DropDown:
            connect(qobject_cast<DropDownComboBox*>(control), &DropDownComboBox::dropDown, this,
                    run);
            break;
        }
    }
    for (int id = kPowerModeFirst; id <= kPowerModeLast; ++id) {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                [this, id] { RunHandler([&] { OnPowerMode(id); }); });
    }
}
