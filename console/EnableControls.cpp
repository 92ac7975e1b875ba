// SPDX-License-Identifier: GPL-3.0-or-later
// Which controls the user can reach: before a connection only the choice of
// chip model, port and baud rate; while connected the test controls, and the
// calibration controls only for the chip models that have them.

#include "console/CkelGuiToolDlg.h"
#include "protocol/ChipModels.h"
#include "resources/ResourceIds.h"

#include <QPushButton>
#include <QWidget>
#include <array>
#include <utility>

namespace {

using namespace kel::res;

constexpr std::array kWhileDisconnected{IDC_CHIP_MODEL, IDC_COM_PORT, IDC_BAUD_RATE};

constexpr std::array kWhileConnected{
    IDC_CONNECT,   IDC_TX,       IDC_RX,       IDC_SET_POWER,   IDC_POWER,
    IDC_RATE,      IDC_CHANNEL,  IDC_TONE,     IDC_FULL_DUTY,   IDC_TX_COUNT,
    IDC_TX_LENGTH, IDC_COMMAND,  IDC_SEND_CMD, IDC_SRC_ADDR,    IDC_SET_MAC,
    IDC_GET_MAC,   IDC_DST_ADDR, IDC_BSSID,    IDC_COUNT_CHECK, IDC_LENGTH_CHECK,
};

// Connected, and each group only for the chip models with its trait.
constexpr std::array kCalibration{
    IDC_FREQ_OFFSET,         IDC_SET_FREQ_OFFSET,  IDC_GET_FREQ_OFFSET,
    IDC_GET_SDD_FREQ_OFFSET, IDC_SAVE_FREQ_OFFSET, IDC_SPARE_OFFSET,
};
constexpr std::array kSdd{
    IDC_SAVE_TO_SDD,   IDC_EXPORT_SDD,    IDC_SDD_POWER_LIST, IDC_GET_POWER_ALL,
    IDC_SET_POWER_ALL, IDC_SDD_POWER_11B, IDC_SDD_POWER_11GN, IDC_SDD_POWER_11N_MCS7,
};
constexpr std::array kPowerMode{IDC_LDO_MODE, IDC_DCDC_MODE};
constexpr std::array kPer{IDC_RX_PER, IDC_SEND_PKT_NUM};

template <std::size_t N>
void EnableGroup(CkelGuiToolDlg& dlg, const std::array<int, N>& ids, bool enable) {
    for (int id : ids)
        dlg.GetDlgItem(id)->setEnabled(enable);
}

} // namespace

void CkelGuiToolDlg::EnableControls(bool asConnected) {
    EnableGroup(*this, kWhileDisconnected, !asConnected);
    EnableGroup(*this, kWhileConnected, asConnected);

    const auto has = [this](bool kel::ChipModel::*trait) {
        return kel::ChipModelHas(chipModelIndex, trait);
    };
    EnableGroup(*this, kCalibration, asConnected && has(&kel::ChipModel::hasCalibration));
    EnableGroup(*this, kSdd, asConnected && has(&kel::ChipModel::hasSdd));
    EnableGroup(*this, kPowerMode, asConnected && has(&kel::ChipModel::hasPowerMode));
    EnableGroup(*this, kPer, asConnected && has(&kel::ChipModel::hasPer));
    // A sweep measures the PER: only where the read-out is.
    sweepButton->setEnabled(asConnected && has(&kel::ChipModel::hasPer));

    // The board starts on its LDO supply; the remembered mode is left alone.
    if (has(&kel::ChipModel::hasPowerMode)) {
        CheckDlgButton(IDC_LDO_MODE, 1);
        CheckDlgButton(IDC_DCDC_MODE, 0);
    }
}

void CkelGuiToolDlg::LockTestControls(QWidget* window) {
    if (!window) {
        waitTick.LetInputThrough(nullptr);
        for (QWidget* control : std::exchange(lockedControls_, {}))
            control->setEnabled(true);
        return;
    }
    const auto lockGroup = [this](const auto& ids) {
        for (int id : ids) {
            QWidget* control = GetDlgItem(id);
            if (!control->isEnabled())
                continue;
            control->setEnabled(false);
            lockedControls_.push_back(control);
        }
    };
    lockGroup(kWhileConnected);
    lockGroup(kCalibration);
    lockGroup(kSdd);
    lockGroup(kPowerMode);
    lockGroup(kPer);
    if (sweepButton->isEnabled()) {
        sweepButton->setEnabled(false);
        lockedControls_.push_back(sweepButton);
    }
    waitTick.LetInputThrough(window);
}
