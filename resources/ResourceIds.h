// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numeric ids of the console's resources: dialog templates, strings, the icon
// and every control the code reaches by id. Handlers use these names; the
// numbers are the ones the dialog templates carry.

namespace kel::res {

// Dialog templates, string table, icon. The string and the icon are reached
// by path and by text here (resources/Strings.h, the Qt resource), so no code
// looks up IDS_ABOUTBOX or IDR_MAINFRAME; they stay as the resources' names.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_KELGUITOOL_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;

// The About entry of the window menu; the low four bits belong to the system.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
// The log entries of the context menu.
constexpr unsigned IDM_SAVELOGAS = 0x0020;
constexpr unsigned IDM_OPENLOGFOLDER = 0x0030;
// "Reconnect automatically" in the context menu.
constexpr unsigned IDM_RECONNECT = 0x0040;
// The windows beyond the dialog: the RX sweep, the results, calibration.
constexpr unsigned IDM_SWEEP = 0x0050;
constexpr unsigned IDM_RESULTS = 0x0060;
constexpr unsigned IDM_CALIBRATE = 0x0070;

// Controls without an id.
constexpr int IDC_STATIC = 0;

// The OK command: the hidden "Exit" button and the About box's OK.
constexpr int IDOK = 1;

// Main dialog controls.
constexpr int IDC_LOG = 1001;
constexpr int IDC_CONNECT = 1002;
constexpr int IDC_TX = 1003;
constexpr int IDC_RX = 1004;
constexpr int IDC_SET_POWER = 1005;
constexpr int IDC_COM_PORT = 1006;
constexpr int IDC_POWER = 1007;
constexpr int IDC_RATE = 1008;
constexpr int IDC_CHANNEL = 1009;
constexpr int IDC_TONE = 1010;
constexpr int IDC_SRC_ADDR = 1011;
constexpr int IDC_SET_MAC = 1012;
constexpr int IDC_GET_MAC = 1013;
constexpr int IDC_DST_ADDR = 1014;
constexpr int IDC_BSSID = 1015;
constexpr int IDC_TX_COUNT = 1016;
constexpr int IDC_COUNT_CHECK = 1017;
constexpr int IDC_TX_LENGTH = 1018;
constexpr int IDC_LENGTH_CHECK = 1019;
constexpr int IDC_USAGE = 1020;
constexpr int IDC_CHIP_MODEL = 1021;
constexpr int IDC_PARAM_RANGE = 1022;
constexpr int IDC_EXPORT_SDD = 1023;
constexpr int IDC_FREQ_OFFSET = 1024;
constexpr int IDC_SET_FREQ_OFFSET = 1025;
constexpr int IDC_GET_FREQ_OFFSET = 1026;
constexpr int IDC_GET_POWER_ALL = 1027;
constexpr int IDC_SET_POWER_ALL = 1028;
constexpr int IDC_GET_SDD_FREQ_OFFSET = 1029;
constexpr int IDC_SAVE_FREQ_OFFSET = 1030;
constexpr int IDC_SDD_POWER_11B = 1031;
constexpr int IDC_SDD_POWER_11GN = 1032;
constexpr int IDC_SDD_POWER_11N_MCS7 = 1033;
constexpr int IDC_SPARE_OFFSET = 1034;
constexpr int IDC_LABEL_11B = 1035;
constexpr int IDC_RX_PER = 1036;
constexpr int IDC_SAVE_TO_SDD = 1038;
constexpr int IDC_LDO_MODE = 1039;
constexpr int IDC_DCDC_MODE = 1040;
constexpr int IDC_COMMAND = 1041;
constexpr int IDC_SEND_CMD = 1042;
constexpr int IDC_SEND_PKT_NUM = 1044;
constexpr int IDC_SDD_POWER_LIST = 1045;
constexpr int IDC_FULL_DUTY = 1046;
constexpr int IDC_BAUD_RATE = 1047;

// About box labels.
constexpr int IDC_ABOUT_VERSION = 1019;
constexpr int IDC_ABOUT_NOTICE = 1020;

} // namespace kel::res
