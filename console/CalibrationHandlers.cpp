// SPDX-License-Identifier: GPL-3.0-or-later
// Calibration and power mode: frequency offset, the SDD power table, the
// supply radios and the free command line.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/CommandHistory.h"
#include "console/ResultsRecorder.h"
#include "editlist/CEditList.h"
#include "protocol/ChipModels.h"
#include "resources/ResourceIds.h"
#include "rftest/CalibrationSteps.h"

#include <QLineEdit>
#include <array>
#include <cstdint>
#include <string>

using namespace kel::res;

namespace {

namespace rftest = kel::rftest;

// A value the user typed goes to the board: the fields go to the members
// first, and the member's text goes as typed.
// Recorded as kind once the board took it.
void SendTyped(CkelGuiToolDlg& dlg, rftest::Failure (*step)(kel::CommandContext&, std::string_view),
               const std::string& text, rftest::MeasurementKind kind) {
    dlg.UpdateData(true);
    if (dlg.Succeeded(step(dlg, text)))
        dlg.results->Record(kind, text);
}

// A value read from the board into its member: when the step succeeded,
// every member to its field.
void ShowReading(CkelGuiToolDlg& dlg, rftest::Failure failure, const std::string& text,
                 rftest::MeasurementKind kind) {
    if (!dlg.Succeeded(failure))
        return;
    dlg.UpdateData(false);
    dlg.results->Record(kind, text);
}

void ShowRead(CkelGuiToolDlg& dlg, rftest::Failure (*step)(kel::CommandContext&, std::string&),
              std::string& text, rftest::MeasurementKind kind) {
    ShowReading(dlg, step(dlg, text), text, kind);
}

// The SDD power table read into its members; a value line that came before a
// failure is taken all the same.
rftest::Failure ReadSddPowers(CkelGuiToolDlg& dlg) {
    const std::array<std::string*, 3> texts = dlg.SddPowerTexts();
    rftest::SddPowers powers{*texts[0], *texts[1], *texts[2]};
    const rftest::Failure failure = rftest::GetSddPowerAll(dlg, powers);
    for (int row = 0; row < 3; ++row)
        *texts[row] = powers[row];
    return failure;
}

void ShowSddPowers(CkelGuiToolDlg& dlg, rftest::Failure failure) {
    if (!dlg.Succeeded(failure))
        return;
    const std::array<std::string*, 3> texts = dlg.SddPowerTexts();
    for (int row = 0; row < 3; ++row)
        dlg.sddPowerList->SetItemText(row, CkelGuiToolDlg::kSddPowerColumn,
                                      kel::TextFromBytes(*texts[row]));
    dlg.UpdateData(false);
    dlg.results->RecordSddPowers();
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

// The step's outcome on the radios and in the results: false when the supply
// did not switch, the radios then showing the old mode.
bool ShowSwitch(CkelGuiToolDlg& dlg, const char* failure, bool dcdc) {
    if (!dlg.Succeeded(failure)) {
        RestorePowerMode(dlg);
        return false;
    }
    ShowPowerMode(dlg, dcdc);
    dlg.results->Record(rftest::MeasurementKind::Supply, {}, dcdc ? "dcdc" : "ldo");
    return true;
}

bool SwitchToLdo(CkelGuiToolDlg& dlg) {
    return ShowSwitch(dlg, rftest::SwitchToLdo(dlg), false);
}

bool SwitchToDcDc(CkelGuiToolDlg& dlg) {
    // Only a board with the DC-DC converter fitted survives the switch.
    const Prompter::Answer answer = dlg.YesNoCancel(QString::fromLatin1(rftest::kDcDcQuestion));
    if (answer != Prompter::Answer::Yes) {
        RestorePowerMode(dlg);
        return false;
    }
    return ShowSwitch(dlg, rftest::SwitchToDcDc(dlg), true);
}

} // namespace

void CkelGuiToolDlg::OnBnClickedSetFreqOffset() {
    SendTyped(*this, rftest::SetFreqOffset, freqOffsetText, rftest::MeasurementKind::FreqOffset);
}

void CkelGuiToolDlg::OnBnClickedGetFreqOffset() {
    ShowRead(*this, rftest::GetFreqOffset, freqOffsetText, rftest::MeasurementKind::FreqOffset);
}

void CkelGuiToolDlg::OnBnClickedSaveFreqOffset() {
    SendTyped(*this, rftest::SaveFreqOffset, freqOffsetText,
              rftest::MeasurementKind::SddFreqOffset);
}

void CkelGuiToolDlg::OnBnClickedGetSddFreqOffset() {
    ShowRead(*this, rftest::GetSddFreqOffset, freqOffsetText,
             rftest::MeasurementKind::SddFreqOffset);
}

void CkelGuiToolDlg::OnBnClickedSetPowerAll() {
    UpdateData(true);
    // The list is what the user edits; the hidden edits only carry its values.
    const std::array<std::string*, 3> texts = SddPowerTexts();
    rftest::SddPowers powers;
    for (int row = 0; row < 3; ++row) {
        *texts[row] = kel::BytesFromText(sddPowerList->GetItemText(row, kSddPowerColumn));
        powers[row] = *texts[row];
    }
    if (Succeeded(rftest::SetSddPowerAll(*this, powers)))
        results->RecordSddPowers();
}

void CkelGuiToolDlg::OnBnClickedGetPowerAll() {
    ShowSddPowers(*this, ReadSddPowers(*this));
}

void CkelGuiToolDlg::ReadAfterHandshake(const std::function<void()>& catchUp) {
    // Nothing of the window's between a reply and the next command: the
    // board's answers are shown once both reads are done. Their failures
    // have their own messages and leave the connection up.
    const bool offset = kel::ChipModelHas(chipModelIndex, &kel::ChipModel::hasCalibration);
    const bool sdd = kel::ChipModelHas(chipModelIndex, &kel::ChipModel::hasSdd);
    const rftest::Failure offsetFailure =
        offset ? rftest::GetFreqOffset(*this, freqOffsetText) : nullptr;
    const rftest::Failure sddFailure = sdd ? ReadSddPowers(*this) : nullptr;
    catchUp();
    if (offset)
        ShowReading(*this, offsetFailure, freqOffsetText, rftest::MeasurementKind::FreqOffset);
    if (sdd)
        ShowSddPowers(*this, sddFailure);
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
        MessageBox(QString::fromLatin1(rftest::kEmptyCommand));
        return;
    }
    commandHistory->Add(text);
    // The user types the whole command, dialect prefix included.
    if (!Succeeded(rftest::SendFreeCommand(*this, kel::BytesFromText(text))))
        return;
    commandBox->selectAll();
    commandBox->del();
}
