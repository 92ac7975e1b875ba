// Which controls the user can reach: before a connection only the choice of
// chip model, port and baud rate; while connected the test controls, and the
// calibration controls only for the chip models that have them.

#include "console/CkelGuiToolDlg.h"
#include "console/ConsoleTables.h"
#include "resources/ResourceIds.h"

#include <QWidget>
#include <array>

namespace {

using namespace kel::res;

constexpr std::array kWhileDisconnected{IDC_CHIP_MODEL, IDC_COM_PORT, IDC_BAUD_RATE};

constexpr std::array kWhileConnected{
    IDC_CONNECT,   IDC_TX,       IDC_RX,       IDC_SET_POWER,   IDC_POWER,
    IDC_RATE,      IDC_CHANNEL,  IDC_TONE,     IDC_FULL_DUTY,   IDC_TX_COUNT,
    IDC_TX_LENGTH, IDC_COMMAND,  IDC_SEND_CMD, IDC_SRC_ADDR,    IDC_SET_MAC,
    IDC_GET_MAC,   IDC_DST_ADDR, IDC_BSSID,    IDC_COUNT_CHECK, IDC_LENGTH_CHECK,
};

// Connected and a chip model with calibration.
constexpr std::array kCalibration{
    IDC_SAVE_TO_SDD,
    IDC_EXPORT_SDD,
    IDC_FREQ_OFFSET,
    IDC_SET_FREQ_OFFSET,
    IDC_LDO_MODE,
    IDC_DCDC_MODE,
    IDC_RX_PER,
    IDC_SEND_PKT_NUM,
    IDC_SDD_POWER_LIST,
    IDC_GET_FREQ_OFFSET,
    IDC_GET_POWER_ALL,
    IDC_SET_POWER_ALL,
    IDC_GET_SDD_FREQ_OFFSET,
    IDC_SAVE_FREQ_OFFSET,
    IDC_SDD_POWER_11B,
    IDC_SDD_POWER_11GN,
    IDC_SDD_POWER_11N_MCS7,
    IDC_SPARE_OFFSET,
};

} // namespace

void CkelGuiToolDlg::EnableControls(bool connected) {
    for (int id : kWhileDisconnected)
        GetDlgItem(id)->setEnabled(!connected);
    for (int id : kWhileConnected)
        GetDlgItem(id)->setEnabled(connected);

    const bool calibration = kel::HasCalibration(chipModelIndex);
    for (int id : kCalibration)
        GetDlgItem(id)->setEnabled(connected && calibration);

    // The board starts on its LDO supply; the remembered mode is left alone.
    if (calibration) {
        CheckDlgButton(IDC_LDO_MODE, 1);
        CheckDlgButton(IDC_DCDC_MODE, 0);
    }
}
