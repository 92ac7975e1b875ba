// RF tests: MAC addresses, power, tone, TX, RX, channel, rate, and the
// Count and Length check boxes. Each button flips its run-state flag and
// caption only when the board acknowledged the command; a failure leaves the
// dialog as it was and says which command failed.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/ConsoleTables.h"
#include "editlist/CEditList.h"
#include "protocol/CommandExchange.h"
#include "protocol/NumberReading.h"
#include "protocol/RfTestCommands.h"
#include "protocol/RxPer.h"
#include "resources/ResourceIds.h"

#include <QComboBox>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

namespace {

using Dlg = CkelGuiToolDlg;
using namespace kel::res;

constexpr std::int64_t kMinPower = -118;
constexpr std::int64_t kMaxPower = 120;
constexpr std::uint32_t kMaxTxLength = 4095;
// The tone of chip models 0 and 1 rides on a continuous TX at 65 Mbps.
constexpr int kToneRateRow = 19;

bool UsesToneCarrier(int chipModelIndex) {
    return chipModelIndex == 0 || chipModelIndex == 1;
}
// Chip models 2 and 3 send the tone alone, with no TX under it.
bool SendsToneAlone(int chipModelIndex) {
    return chipModelIndex == 2 || chipModelIndex == 3;
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

// The SDD power class a rate row belongs to: its text member and list row.
struct SddPowerSlot {
    std::string Dlg::*text;
    int listRow;
};

std::optional<SddPowerSlot> SddPowerSlotOf(int rateRow) {
    if (rateRow >= 0 && rateRow <= 3)
        return SddPowerSlot{&Dlg::sddPower11bText, 0};
    if (rateRow >= 4 && rateRow <= 17)
        return SddPowerSlot{&Dlg::sddPower11gnText, 1};
    if (rateRow == 19)
        return SddPowerSlot{&Dlg::sddPower11nMcs7Text, 2};
    return std::nullopt; // 58.5 Mbps has no class of its own in the SDD table
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
    if (kel::get_mac(*this, srcAddrText, dstAddrText, bssidText) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel get mac cmd!"));
        return;
    }
    ShowMembers(
        *this,
        {{IDC_SRC_ADDR, &srcAddrText}, {IDC_DST_ADDR, &dstAddrText}, {IDC_BSSID, &bssidText}});
}

void CkelGuiToolDlg::OnBnClickedSetMac() {
    UpdateData(true);
    // The board checks the addresses; they go as typed.
    if (kel::set_mac(*this, srcAddrText, dstAddrText, bssidText) != kel::kResultOk)
        MessageBox(QStringLiteral("Failed to send kel set mac cmd!"));
}

void CkelGuiToolDlg::OnBnClickedSetPower() {
    UpdateData(true);
    // A number beyond 32 bits must not pass as its low bits ("4294967308" as 12).
    const std::int32_t power = kel::ReadInteger(powerText);
    if (!kel::FitsInt32(powerText) || power < kMinPower || power > kMaxPower) {
        MessageBox(QStringLiteral("Invalid power value, should be -118 to 120!"));
        return;
    }
    // The board gets the text as typed, not the number read from it.
    if (kel::power_level(*this, powerText) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel set power cmd!"));
        return;
    }

    const std::optional<SddPowerSlot> slot = SddPowerSlotOf(rateList->currentIndex());
    if (!slot)
        return;
    this->*(slot->text) = powerText;
    sddPowerList->SetItemText(slot->listRow, 1, kel::TextFromBytes(powerText));
    UpdateData(false);
}

void CkelGuiToolDlg::OnBnClickedTone() {
    if (toneRunning) {
        if (kel::tone_stop(*this) != kel::kResultOk) {
            MessageBox(QStringLiteral("Failed to send kel tone stop cmd!"));
            return;
        }
        // Stops the carrier TX; with the TX flag clear (a counted TX was
        // asked for) the handler runs its start steps instead.
        if (UsesToneCarrier(chipModelIndex))
            OnBnClickedTx();
        SetDlgItemText(IDC_TONE, QStringLiteral("Tone Start"));
        if (!txRunning)
            Enable(*this, {IDC_RX}, true);
        toneRunning = 0;
        return;
    }

    if (UsesToneCarrier(chipModelIndex)) {
        // Whatever the TX handler and the rate change report, the tone goes on.
        if (!txRunning)
            OnBnClickedTx();
        if (kel::tx_stop(*this) != kel::kResultOk) {
            MessageBox(QStringLiteral("Failed to send kel tx stop cmd!"));
            return;
        }
        rateList->setCurrentIndex(kToneRateRow);
        OnCbnSelchangeRate();
        // The length as last exchanged, with no range check here: a start
        // through the TX handler has checked it already.
        if (kel::tx(*this, kel::ReadInteger(txLengthText), 0, fullDutyCheck) != kel::kResultOk) {
            MessageBox(QStringLiteral("Failed to send kel tx cmd!"));
            return;
        }
    } else if (SendsToneAlone(chipModelIndex) && txRunning) {
        OnBnClickedTx(); // stops it
    }

    if (kel::tone(*this) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel tone cmd!"));
        return;
    }
    SetDlgItemText(IDC_TONE, QStringLiteral("Tone Stop"));
    Enable(*this, {IDC_RX}, false);
    toneRunning = 1;
}

void CkelGuiToolDlg::OnBnClickedTx() {
    if (txRunning) {
        // On failure the flag and caption stay, so the next click stops again.
        if (kel::tx_stop(*this) != kel::kResultOk) {
            MessageBox(QStringLiteral("Failed to send kel tx stop cmd!"));
            return;
        }
        if (!toneRunning)
            Enable(*this, {IDC_RX}, true);
        Enable(*this, {IDC_CHANNEL, IDC_RATE}, true);
        SetDlgItemText(IDC_TX, QStringLiteral("TX Start"));
        txRunning = 0;
        return;
    }

    UpdateData(true);
    if (txCountText.empty()) {
        MessageBox(QStringLiteral("Please enter TX count!"));
        return;
    }
    // Any count goes to the board, negative ones too; 0 means until stopped.
    const std::int32_t count = kel::ReadInteger(txCountText);
    const std::int32_t length = kel::ReadInteger(txLengthText);
    // Negative lengths fail as huge unsigned ones; a number beyond 32 bits
    // must not pass as its low bits ("4294967296" as automatic length).
    if (!kel::FitsInt32(txLengthText) || static_cast<std::uint32_t>(length) > kMaxTxLength) {
        MessageBox(
            QStringLiteral("Invalid TX length!\nLength should be 0 - 4095(0 for auto length)"));
        return;
    }
    if (kel::tx(*this, length, count, fullDutyCheck) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel tx cmd!"));
        return;
    }
    // A counted burst ends on the board by itself: nothing to stop.
    if (count != 0)
        return;
    SetDlgItemText(IDC_TX, QStringLiteral("TX Stop"));
    Enable(*this, {IDC_RX, IDC_CHANNEL, IDC_RATE}, false);
    txRunning = 1;
}

void CkelGuiToolDlg::OnBnClickedRx() {
    if (rxRunning) {
        // A counter line the board leaves out counts as 0.
        std::int32_t total = 0;
        std::int32_t abortErrors = 0;
        std::int32_t crcErrors = 0;
        if (kel::rx_stop(*this, total, abortErrors, crcErrors) != kel::kResultOk) {
            MessageBox(QStringLiteral("Failed to send kel rx stop cmd!"));
            return;
        }
        show_rx_per(*this, total, abortErrors, crcErrors);
        SetDlgItemText(IDC_RX, QStringLiteral("RX Start"));
        Enable(*this, {IDC_CHANNEL, IDC_RATE, IDC_TX, IDC_TONE}, true);
        rxRunning = 0;
        return;
    }

    if (kel::rx(*this) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel rx cmd!"));
        return;
    }
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
    if (kel::channel(*this, row + 1) != kel::kResultOk)
        MessageBox(QStringLiteral("Failed to send kel channel cmd!"));
}

void CkelGuiToolDlg::OnCbnSelchangeRate() {
    const int row = rateList->currentIndex();
    if (row < 0)
        return;
    if (row >= static_cast<int>(kel::kRates.size())) {
        MessageBox(QStringLiteral("Invalid rate!"));
        return;
    }
    const kel::RateRow& rate = kel::kRates[static_cast<std::size_t>(row)];
    if (kel::rate(*this, rate.mode, rate.mbps, powerText) != kel::kResultOk) {
        MessageBox(QStringLiteral("Failed to send kel rate cmd!"));
        return;
    }
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
