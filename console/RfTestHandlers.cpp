// SPDX-License-Identifier: GPL-3.0-or-later
// RF tests: MAC addresses, power, tone, TX, RX, channel, rate, and the
// Count and Length check boxes. Each button flips its run-state flag and
// caption only when the board acknowledged the command; a failure leaves the
// dialog as it was and says which command failed.

#include "console/BenchInstrument.h"
#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "console/ResultsRecorder.h"
#include "editlist/CEditList.h"
#include "protocol/ChipModels.h"
#include "protocol/NumberReading.h"
#include "protocol/RxPer.h"
#include "resources/ResourceIds.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"

#include <QComboBox>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

namespace {

using Dlg = CkelGuiToolDlg;
using namespace kel::res;

namespace rftest = kel::rftest;

bool UsesToneCarrier(int chipModelIndex) {
    return kel::ChipModelHas(chipModelIndex, &kel::ChipModel::toneOnTxCarrier);
}
// The other chip models send the tone alone, with no TX under it.
bool SendsToneAlone(int chipModelIndex) {
    return kel::ChipModelAt(chipModelIndex) != nullptr && !UsesToneCarrier(chipModelIndex);
}

void Enable(Dlg& dlg, std::initializer_list<int> ids, bool enable) {
    for (int id : ids)
        dlg.GetDlgItem(id)->setEnabled(enable);
}

// Shows the given members in their fields and leaves every other field alone,
// so text the user typed but no exchange has taken yet is not thrown away.
void ShowMembers(Dlg& dlg, std::initializer_list<std::pair<int, const std::string*>> fields) {
    for (const auto& [id, text] : fields)
        dlg.SetDlgItemText(id, kel::TextFromBytes(*text));
}

// The packet error rate read-out from the number the tester sent (1044) and
// the board's counters, into 1036. -1 when 1044 is empty: 1036 stays as it is.
int show_rx_per(Dlg& dlg, std::int32_t total, std::int32_t abortErrors, std::int32_t crcErrors) {
    const std::string sent = kel::BytesFromText(dlg.GetDlgItemText(IDC_SEND_PKT_NUM));
    const std::optional<std::string> per = kel::RxPerText(sent, total, abortErrors, crcErrors);
    if (!per)
        return -1;
    dlg.SetDlgItemText(IDC_RX_PER, kel::TextFromBytes(*per));
    return 0;
}

} // namespace

void CkelGuiToolDlg::OnBnClickedGetMac() {
    if (!Succeeded(rftest::GetMac(*this, srcAddrText, dstAddrText, bssidText)))
        return;
    ShowMembers(
        *this,
        {{IDC_SRC_ADDR, &srcAddrText}, {IDC_DST_ADDR, &dstAddrText}, {IDC_BSSID, &bssidText}});
    results->RecordMacs({srcAddrText, dstAddrText, bssidText});
}

void CkelGuiToolDlg::OnBnClickedSetMac() {
    UpdateData(true);
    Succeeded(rftest::SetMac(*this, srcAddrText, dstAddrText, bssidText));
}

void CkelGuiToolDlg::OnBnClickedSetPower() {
    UpdateData(true);
    if (!Succeeded(rftest::SetPower(*this, powerText)))
        return;
    results->Record(rftest::MeasurementKind::Power, powerText);
    linkWatcher->chosen.power = powerText;

    // The level becomes the stored power of the selected rate's class.
    const std::optional<rftest::SddPowerClass> powerClass =
        rftest::SddPowerClassOf(rateList->currentIndex());
    if (!powerClass)
        return;
    const int listRow = static_cast<int>(*powerClass);
    *SddPowerTexts()[static_cast<std::size_t>(listRow)] = powerText;
    sddPowerList->SetItemText(listRow, kSddPowerColumn, kel::TextFromBytes(powerText));
    UpdateData(false);
}

void CkelGuiToolDlg::OnBnClickedTone() {
    if (toneRunning) {
        if (!Succeeded(rftest::ToneStopCommand(*this)))
            return;
        // Stops the carrier TX; with the TX flag clear (a counted TX was
        // asked for) the handler runs its start steps instead.
        if (UsesToneCarrier(chipModelIndex))
            OnBnClickedTx();
        SetDlgItemText(IDC_TONE, QStringLiteral("Tone Start"));
        if (!txRunning)
            Enable(*this, {IDC_RX}, true);
        toneRunning = 0;
        results->Record(rftest::MeasurementKind::Tone, {}, "stopped");
        return;
    }

    if (UsesToneCarrier(chipModelIndex)) {
        // Whatever the TX handler and the rate change report, the tone goes on.
        if (!txRunning) {
            // The carrier's start is measured as the tone, once it is on.
            auto quiet = std::exchange(instrument, nullptr);
            OnBnClickedTx();
            instrument = std::move(quiet);
        }
        if (!Succeeded(rftest::StopTx(*this)))
            return;
        rateList->setCurrentIndex(rftest::kToneRateRow);
        OnCbnSelchangeRate();
        // The length as last exchanged, with no range check here: a start
        // through the TX handler has checked it already.
        if (!Succeeded(
                rftest::StartToneCarrier(*this, kel::ReadInteger(txLengthText), fullDutyCheck)))
            return;
    } else if (SendsToneAlone(chipModelIndex) && txRunning) {
        OnBnClickedTx(); // stops it
    }

    if (!Succeeded(rftest::ToneCommand(*this)))
        return;
    results->Record(rftest::MeasurementKind::Tone, {}, "running");
    SetDlgItemText(IDC_TONE, QStringLiteral("Tone Stop"));
    Enable(*this, {IDC_RX}, false);
    toneRunning = 1;
    MeasureWithInstrument(true);
}

void CkelGuiToolDlg::OnBnClickedTx() {
    if (txRunning) {
        // On failure the flag and caption stay, so the next click stops again.
        if (!Succeeded(rftest::StopTx(*this)))
            return;
        if (!toneRunning)
            Enable(*this, {IDC_RX}, true);
        Enable(*this, {IDC_CHANNEL, IDC_RATE}, true);
        SetDlgItemText(IDC_TX, QStringLiteral("TX Start"));
        txRunning = 0;
        results->Record(rftest::MeasurementKind::Tx, {}, "stopped");
        return;
    }

    UpdateData(true);
    // Any count goes to the board, negative ones too; 0 means until stopped.
    if (!Succeeded(rftest::StartTx(*this, txCountText, txLengthText, fullDutyCheck)))
        return;
    // The count as the value: 0 runs until stopped.
    results->Record(rftest::MeasurementKind::Tx, txCountText, "running");
    // A counted burst ends on the board by itself: nothing to stop.
    if (!rftest::IsContinuousTx(txCountText))
        return;
    SetDlgItemText(IDC_TX, QStringLiteral("TX Stop"));
    Enable(*this, {IDC_RX, IDC_CHANNEL, IDC_RATE}, false);
    txRunning = 1;
    MeasureWithInstrument(false);
}

void CkelGuiToolDlg::OnBnClickedRx() {
    if (rxRunning) {
        rftest::RxCounters counters;
        if (!Succeeded(rftest::StopRx(*this, counters)))
            return;
        show_rx_per(*this, counters.total, counters.abortErrors, counters.crcErrors);
        results->RecordRx(counters);
        SetDlgItemText(IDC_RX, QStringLiteral("RX Start"));
        Enable(*this, {IDC_CHANNEL, IDC_RATE, IDC_TX, IDC_TONE}, true);
        rxRunning = 0;
        return;
    }

    if (!Succeeded(rftest::StartRx(*this)))
        return;
    SetDlgItemText(IDC_RX, QStringLiteral("RX Stop"));
    SetDlgItemText(IDC_RX_PER, QString());
    Enable(*this, {IDC_CHANNEL, IDC_RATE, IDC_TX, IDC_TONE}, false);
    rxRunning = 1;
}

void CkelGuiToolDlg::OnCbnSelchangeChannel() {
    const int row = channelList->currentIndex();
    if (row < 0)
        return;
    // Nothing to show afterwards: a refresh of every field would only throw
    // away what the user typed and has not used yet.
    if (Succeeded(rftest::SetChannel(*this, rftest::ChannelAtRow(row))))
        linkWatcher->chosen.channel = rftest::ChannelAtRow(row);
}

void CkelGuiToolDlg::OnCbnSelchangeRate() {
    const int row = rateList->currentIndex();
    if (row < 0)
        return;
    if (!Succeeded(rftest::SetRate(*this, row, powerText)))
        return;
    linkWatcher->chosen.rateRow = row;
    // The Power box shows the level the board reports for the new rate.
    ShowMembers(*this, {{IDC_POWER, &powerText}});
}

void CkelGuiToolDlg::OnBnClickedCountCheck() {
    UpdateData(true);
    Enable(*this, {IDC_TX_COUNT}, countCheck != 0);
}

void CkelGuiToolDlg::OnBnClickedLengthCheck() {
    UpdateData(true);
    Enable(*this, {IDC_TX_LENGTH}, lengthCheck != 0);
}
