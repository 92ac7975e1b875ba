// SPDX-License-Identifier: GPL-3.0-or-later
// The data exchange between the dialog's members and its controls.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "editlist/CEditList.h"
#include "resources/ResourceIds.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <variant>

namespace {

using Dlg = CkelGuiToolDlg;
using namespace kel::res;

// A control member (attached once), a text member or a check-state member.
using Member = std::variant<QComboBox * Dlg::*, QPlainTextEdit * Dlg::*, QLineEdit * Dlg::*,
                            CEditList * Dlg::*, std::string Dlg::*, int Dlg::*>;

struct Exchange {
    int id;
    Member member;
};

// In this order.
const Exchange kExchanges[] = {
    {IDC_COM_PORT, &Dlg::comPortList},
    {IDC_SRC_ADDR, &Dlg::srcAddrText},
    {IDC_POWER, &Dlg::powerText},
    {IDC_CHANNEL, &Dlg::channelList},
    {IDC_RATE, &Dlg::rateList},
    {IDC_LOG, &Dlg::logPane},
    {IDC_DST_ADDR, &Dlg::dstAddrText},
    {IDC_BSSID, &Dlg::bssidText},
    {IDC_COUNT_CHECK, &Dlg::countCheck},
    {IDC_LENGTH_CHECK, &Dlg::lengthCheck},
    {IDC_TX_COUNT, &Dlg::txCountText},
    {IDC_TX_LENGTH, &Dlg::txLengthText},
    {IDC_CHIP_MODEL, &Dlg::chipModelList},
    {IDC_FREQ_OFFSET, &Dlg::freqOffsetText},
    {IDC_SPARE_OFFSET, &Dlg::spareOffsetText},
    {IDC_SDD_POWER_11B, &Dlg::sddPower11bText},
    {IDC_SDD_POWER_11GN, &Dlg::sddPower11gnText},
    {IDC_SDD_POWER_11N_MCS7, &Dlg::sddPower11nMcs7Text},
    {IDC_COMMAND, &Dlg::commandBox},
    {IDC_SDD_POWER_LIST, &Dlg::sddPowerList},
    {IDC_FULL_DUTY, &Dlg::fullDutyCheck},
    {IDC_BAUD_RATE, &Dlg::baudRateBox},
};

template <class Control> void Transfer(Dlg& dlg, int id, Control* Dlg::*member, bool) {
    if (!(dlg.*member))
        dlg.*member = qobject_cast<Control*>(dlg.GetDlgItem(id));
}

void Transfer(Dlg& dlg, int id, std::string Dlg::*member, bool save) {
    auto* edit = qobject_cast<QLineEdit*>(dlg.GetDlgItem(id));
    if (!edit)
        return;
    if (save)
        dlg.*member = kel::BytesFromText(edit->text());
    else
        edit->setText(kel::TextFromBytes(dlg.*member));
}

void Transfer(Dlg& dlg, int id, int Dlg::*member, bool save) {
    if (save)
        dlg.*member = dlg.IsDlgButtonChecked(id);
    else
        dlg.CheckDlgButton(id, dlg.*member);
}

} // namespace

void CkelGuiToolDlg::DoDataExchange(bool saveAndValidate) {
    for (const Exchange& exchange : kExchanges) {
        std::visit([&](auto member) { Transfer(*this, exchange.id, member, saveAndValidate); },
                   exchange.member);
    }
}

bool CkelGuiToolDlg::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}
