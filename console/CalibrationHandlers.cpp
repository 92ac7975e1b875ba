// Calibration and power mode: frequency offset, the SDD power table, the
// supply radios and the free command line.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/CommandHistory.h"
#include "editlist/CEditList.h"
#include "protocol/CalibrationCommands.h"
#include "protocol/CommandExchange.h"
#include "protocol/NumberReading.h"
#include "protocol/PowerModeCommands.h"
#include "resources/ResourceIds.h"

#include <QLineEdit>
#include <array>
#include <cstdint>
#include <string>

using namespace kel::res;

namespace {

constexpr std::int32_t kMaxFreqOffset = 127;
constexpr std::int32_t kMinSddPower = 0;
constexpr std::int32_t kMaxSddPower = 120;
constexpr int kPowerLevelColumn = 1;

// A number too big for 32 bits is refused as it stands, not by its low bits.
// A negative value reads as a large unsigned one, so it is refused too.
bool IsFreqOffset(const std::string& text) {
    if (!kel::FitsInt32(text))
        return false;
    return static_cast<std::uint32_t>(kel::ReadInteger(text)) <=
           static_cast<std::uint32_t>(kMaxFreqOffset);
}

bool IsSddPower(const std::string& text) {
    if (!kel::FitsInt32(text))
        return false;
    const std::int32_t value = kel::ReadInteger(text);
    return value >= kMinSddPower && value <= kMaxSddPower;
}

// The three power texts in the order of the list's rows.
std::array<std::string*, 3> PowerTexts(CkelGuiToolDlg& dlg) {
    return {&dlg.sddPower11bText, &dlg.sddPower11gnText, &dlg.sddPower11nMcs7Text};
}

// Puts the radio pair back to the mode last switched to.
void RestorePowerMode(CkelGuiToolDlg& dlg) {
    dlg.CheckDlgButton(IDC_LDO_MODE, dlg.dcdcMode == 0 ? 1 : 0);
    dlg.CheckDlgButton(IDC_DCDC_MODE, dlg.dcdcMode == 0 ? 0 : 1);
}

void ShowPowerMode(CkelGuiToolDlg& dlg, bool dcdc) {
    dlg.CheckDlgButton(IDC_LDO_MODE, dcdc ? 0 : 1);
    dlg.CheckDlgButton(IDC_DCDC_MODE, dcdc ? 1 : 0);
}

// False when the supply did not switch; the radios then show the old mode.
bool SwitchToLdo(CkelGuiToolDlg& dlg) {
    if (kel::switch_to_ldo_mode(dlg) != kel::kResultOk) {
        dlg.MessageBox(QStringLiteral("Failed to send Switch to LDO Mode cmd!"));
        RestorePowerMode(dlg);
        return false;
    }
    ShowPowerMode(dlg, false);
    return true;
}

bool SwitchToDcDc(CkelGuiToolDlg& dlg) {
    // Only a board with the DC-DC converter fitted survives the switch.
    const Prompter::Answer answer =
        dlg.YesNoCancel(QStringLiteral("Make sure the DC-DC is attached to the board? Only DC-DC "
                                       "on the board can switch to DC-DC mode"));
    if (answer != Prompter::Answer::Yes) {
        RestorePowerMode(dlg);
        return false;
    }
    if (kel::switch_to_dcdc_mode(dlg) != kel::kResultOk) {
        dlg.MessageBox(QStringLiteral("Failed to send Switch to DC-DC Mode cmd!"));
        RestorePowerMode(dlg);
        return false;
    }
    ShowPowerMode(dlg, true);
    return true;
}

} // namespace

void CkelGuiToolDlg::OnBnClickedSetFreqOffset() {
    UpdateData(true);
    if (!IsFreqOffset(freqOffsetText)) {
        MessageBox(QStringLiteral("Invalid Sdd Freq Offset value, should be 0-127!"));
        return;
    }
    if (kel::set_freq_offset(*this, freqOffsetText) != kel::kResultOk)
        MessageBox(QStringLiteral("Failed to send kel set freq offset cmd!"));
}

void CkelGuiToolDlg::OnBnClickedGetFreqOffset() {
    if (kel::get_freq_offset(*this, freqOffsetText) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel get freq offset cmd!"));
        return;
    }
    UpdateData(false);
}

void CkelGuiToolDlg::OnBnClickedSaveFreqOffset() {
    UpdateData(true);
    if (!IsFreqOffset(freqOffsetText)) {
        MessageBox(QStringLiteral("Invalid Sdd Freq Offset value, should be 0-127!"));
        return;
    }
    if (kel::set_sdd_freq_offset(*this, freqOffsetText) != kel::kResultOk)
        MessageBox(QStringLiteral("Failed to send kel set sdd freq offset cmd!"));
}

void CkelGuiToolDlg::OnBnClickedGetSddFreqOffset() {
    if (kel::get_sdd_freq_offset(*this, freqOffsetText) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel get sdd freq offset cmd!"));
        return;
    }
    UpdateData(false);
}

void CkelGuiToolDlg::OnBnClickedSetPowerAll() {
    UpdateData(true);
    // The list is what the user edits; the hidden edits only carry its values.
    const std::array<std::string*, 3> texts = PowerTexts(*this);
    for (int row = 0; row < 3; ++row)
        *texts[row] = kel::BytesFromText(sddPowerList->GetItemText(row, kPowerLevelColumn));
    for (const std::string* text : texts) {
        if (!IsSddPower(*text)) {
            MessageBox(QStringLiteral("Invalid Sdd power value, should be 0-120!"));
            return;
        }
    }
    if (kel::set_sdd_power_all(*this, *texts[0], *texts[1], *texts[2]) != kel::kResultOk)
        MessageBox(QStringLiteral("Failed to send kel set sdd power all cmd!"));
}

void CkelGuiToolDlg::OnBnClickedGetPowerAll() {
    const std::array<std::string*, 3> texts = PowerTexts(*this);
    if (kel::get_sdd_power_all(*this, *texts[0], *texts[1], *texts[2]) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel get sdd power all cmd!"));
        return;
    }
    for (int row = 0; row < 3; ++row)
        sddPowerList->SetItemText(row, kPowerLevelColumn, kel::TextFromBytes(*texts[row]));
    UpdateData(false);
}

void CkelGuiToolDlg::OnBnClickedSaveToSdd() {
    // Both halves always run: a refused power table does not keep the
    // frequency offset from being stored.
    OnBnClickedSetPowerAll();
    OnBnClickedSaveFreqOffset();
}

void CkelGuiToolDlg::OnPowerMode(int id) {
    const bool switched = id == IDC_DCDC_MODE ? SwitchToDcDc(*this) : SwitchToLdo(*this);
    if (!switched)
        return;
    dcdcMode = IsDlgButtonChecked(IDC_DCDC_MODE) ? 1 : 0;
}

void CkelGuiToolDlg::OnBnClickedSendCmd() {
    const QString text = commandBox->text();
    if (text.isEmpty()) {
        MessageBox(QStringLiteral("Invalid cmd !"));
        return;
    }
    commandHistory->Add(text);
    // The user types the whole command, dialect prefix included.
    const std::string bytes = kel::BytesFromText(text + QLatin1Char('\n'));
    const bool acknowledged = kel::SendCommand(*this, bytes.data(), bytes.size()) != 0 &&
                              kel::WaitAnyAck(*this) == kel::kResultOk;
    if (!acknowledged) {
        MessageBox(QStringLiteral("Ack Error!"));
        return;
    }
    commandBox->selectAll();
    commandBox->del();
}
