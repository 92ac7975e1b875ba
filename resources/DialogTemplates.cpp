// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/DialogTemplates.h"

#include "resources/ResourceIds.h"

#include <array>

namespace kel::res {
namespace {

constexpr auto kButton = ControlKind::PushButton;
constexpr auto kEdit = ControlKind::Edit;
constexpr auto kCombo = ControlKind::ComboBox;
constexpr auto kLabel = ControlKind::Label;
constexpr auto kGroup = ControlKind::GroupBox;
constexpr auto kCheck = ControlKind::CheckBox;
constexpr auto kRadio = ControlKind::RadioButton;
constexpr auto kList = ControlKind::ListView;
constexpr auto kIcon = ControlKind::Icon;

constexpr bool kShown = true;
constexpr bool kHidden = false;

using namespace style;

// Template order is tab order: keep the rows as they are.
constexpr std::array<ControlTemplate, 72> kMainControls{{
    {IDOK, kButton, "Exit", {146, 227, 60, 16}, kHidden, kNone, ""},
    {IDC_LOG, kEdit, "", {7, 91, 268, 220}, kShown, kMultiLine | kReadOnly | kVScroll, "Log"},
    {IDC_CONNECT, kButton, "Connect", {404, 27, 60, 15}, kShown, kNone, ""},
    {IDC_TX, kButton, "TX Start", {404, 145, 60, 15}, kShown, kNone, ""},
    {IDC_RX, kButton, "RX Start", {404, 193, 60, 15}, kShown, kNone, ""},
    {IDC_SET_POWER, kButton, "Set Power", {404, 111, 60, 15}, kShown, kNone, ""},
    {IDC_COM_PORT, kCombo, "", {337, 29, 60, 43}, kShown, kSorted | kEditable, ""},
    {IDC_POWER, kEdit, "", {337, 112, 60, 12}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Power", {285, 113, 27, 10}, kShown, kNone, "", IDC_POWER},
    {IDC_RATE, kCombo, "", {337, 96, 60, 43}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Rate", {285, 98, 27, 10}, kShown, kNone, "", IDC_RATE},
    {IDC_CHANNEL, kCombo, "", {337, 68, 60, 43}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Channel", {285, 69, 27, 10}, kShown, kNone, "", IDC_CHANNEL},
    {IDC_TONE, kButton, "Tone Start", {404, 162, 60, 15}, kShown, kNone, ""},
    {IDC_SRC_ADDR, kEdit, "", {96, 127, 124, 14}, kHidden, kNone, ""},
    {IDC_SET_MAC, kButton, "Set MAC", {95, 107, 60, 16}, kHidden, kNone, ""},
    {IDC_GET_MAC, kButton, "Get MAC", {161, 107, 60, 16}, kHidden, kNone, ""},
    {IDC_STATIC, kLabel, "Src Addr", {53, 131, 28, 10}, kHidden, kNone, "", IDC_SRC_ADDR},
    {IDC_STATIC, kGroup, "COM Select", {27, 115, 188, 36}, kHidden, kNone, ""},
    {IDC_STATIC, kGroup, "Channel Set", {280, 59, 188, 27}, kShown, kNone, ""},
    {IDC_DST_ADDR, kEdit, "", {96, 146, 124, 14}, kHidden, kNone, ""},
    {IDC_BSSID, kEdit, "", {96, 163, 124, 14}, kHidden, kNone, ""},
    {IDC_STATIC, kLabel, "Dst Addr", {53, 150, 29, 10}, kHidden, kNone, "", IDC_DST_ADDR},
    {IDC_STATIC, kLabel, "BSSID", {53, 167, 21, 10}, kHidden, kNone, "", IDC_BSSID},
    {IDC_TX_COUNT, kEdit, "", {337, 146, 60, 12}, kShown, kNone, ""},
    {IDC_COUNT_CHECK, kCheck, "Count", {174, 179, 30, 10}, kHidden, kAuto, ""},
    {IDC_TX_LENGTH, kEdit, "", {337, 164, 60, 12}, kShown, kNone, ""},
    {IDC_LENGTH_CHECK, kCheck, "Length", {132, 182, 33, 10}, kHidden, kAuto, ""},
    {IDC_STATIC, kLabel, "Com", {285, 28, 27, 10}, kShown, kNone, "", IDC_COM_PORT},
    {IDC_STATIC, kGroup, "Settings", {280, 3, 188, 54}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Chip Model", {285, 14, 35, 8}, kShown, kNone, "", IDC_CHIP_MODEL},
    {IDC_CHIP_MODEL, kCombo, "", {337, 12, 60, 15}, kShown, kNone, ""},
    {IDC_STATIC, kGroup, "SDD Config", {280, 232, 188, 62}, kShown, kNone, ""},
    {IDC_EXPORT_SDD, kButton, "Export SDD File", {404, 260, 60, 15}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Freq offset", {285, 130, 37, 13}, kShown, kNone, "", IDC_FREQ_OFFSET},
    {IDC_FREQ_OFFSET, kEdit, "", {337, 129, 60, 12}, kShown, kNone, ""},
    {IDC_SET_FREQ_OFFSET, kButton, "Set Freq Offset", {404, 128, 60, 15}, kShown, kNone, ""},
    {IDC_GET_FREQ_OFFSET, kButton, "Get Freq Offset", {167, 170, 60, 16}, kHidden, kNone, ""},
    {IDC_GET_POWER_ALL, kButton, "Get Power All", {167, 190, 60, 16}, kHidden, kNone, ""},
    {IDC_SET_POWER_ALL, kButton, "Set Power All", {104, 190, 60, 16}, kHidden, kNone, ""},
    {IDC_GET_SDD_FREQ_OFFSET, kButton, "Get Freq Offset", {105, 134, 60, 16}, kHidden, kNone, ""},
    {IDC_SAVE_FREQ_OFFSET, kButton, "Save Freq Offset", {104, 170, 60, 16}, kHidden, kNone, ""},
    {IDC_STATIC, kLabel, "SDD Power:", {18, 228, 39, 13}, kHidden, kNone, "", IDC_SDD_POWER_LIST},
    {IDC_STATIC, kLabel, "Freq Offset", {61, 138, 40, 11}, kHidden, kNone, ""},
    {IDC_SDD_POWER_11B, kEdit, "", {79, 221, 60, 16}, kHidden, kNone, ""},
    {IDC_SDD_POWER_11GN, kEdit, "", {79, 241, 60, 16}, kHidden, kNone, ""},
    {IDC_SDD_POWER_11N_MCS7, kEdit, "", {79, 261, 60, 16}, kHidden, kNone, ""},
    {IDC_LABEL_11B, kLabel, "11b", {29, 225, 13, 12}, kHidden, kNone, "", IDC_SDD_POWER_11B},
    {IDC_STATIC, kLabel, "11g/n", {27, 245, 20, 8}, kHidden, kNone, "", IDC_SDD_POWER_11GN},
    {IDC_STATIC, kLabel, "11n_mcs7", {27, 265, 34, 10}, kHidden, kNone, "", IDC_SDD_POWER_11N_MCS7},
    {IDC_SPARE_OFFSET, kEdit, "", {106, 154, 59, 14}, kHidden, kNone, "Spare offset"},
    {IDC_STATIC, kLabel, "Count", {285, 147, 27, 10}, kShown, kNone, "", IDC_TX_COUNT},
    {IDC_STATIC, kLabel, "Length", {285, 165, 27, 10}, kShown, kNone, "", IDC_TX_LENGTH},
    {IDC_SAVE_TO_SDD, kButton, "Save To SDD", {404, 243, 60, 15}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "SDD File", {158, 260, 39, 13}, kHidden, kNone, ""},
    {IDC_USAGE, kEdit, "", {7, 7, 131, 78}, kShown, kMultiLine | kReadOnly, "Usage"},
    {IDC_PARAM_RANGE, kEdit, "", {144, 7, 131, 78}, kShown, kMultiLine | kReadOnly, "Param range"},
    {IDC_STATIC, kLabel, "RX PER(%)", {285, 212, 36, 10}, kShown, kNone, "", IDC_RX_PER},
    {IDC_RX_PER, kEdit, "", {337, 211, 60, 12}, kShown, kReadOnly, ""},
    {IDC_STATIC, kGroup, "Extend Configuration", {26, 150, 188, 34}, kHidden, kNone, ""},
    {IDC_LDO_MODE, kRadio, "LDO Mode", {337, 42, 60, 12}, kShown, kAuto | kGroupStart, ""},
    {IDC_DCDC_MODE, kRadio, "DC-DC Mode", {404, 42, 60, 12}, kShown, kAuto, ""},
    {IDC_STATIC, kLabel, "Power Mode", {285, 42, 43, 12}, kShown, kNone, "", IDC_LDO_MODE},
    {IDC_COMMAND, kEdit, "", {280, 298, 117, 12}, kShown, kMultiLine, "Command"},
    {IDC_SEND_CMD, kButton, "Send Cmd", {403, 297, 60, 15}, kShown, kNone, ""},
    {IDC_STATIC, kGroup, "Tx Test", {280, 87, 188, 94}, kShown, kNone, ""},
    {IDC_STATIC, kGroup, "Rx Test", {280, 184, 188, 45}, kShown, kNone, ""},
    {IDC_SEND_PKT_NUM, kEdit, "", {337, 194, 60, 12}, kShown, kNone, ""},
    {IDC_STATIC, kLabel, "Send Pkt Num", {285, 196, 47, 13}, kShown, kNone, "", IDC_SEND_PKT_NUM},
    {IDC_SDD_POWER_LIST,
     kList,
     "",
     {285, 243, 112, 47},
     kShown,
     kReportView | kEditLabels,
     "SDD power"},
    {IDC_FULL_DUTY, kCheck, "Full Duty", {404, 98, 43, 10}, kShown, kAuto, ""},
    {IDC_BAUD_RATE, kCombo, "", {404, 12, 60, 30}, kShown, kEditable, "Baud rate"},
}};

constexpr std::array<ControlTemplate, 4> kAboutControls{{
    {IDC_STATIC, kIcon, "", {14, 14, 21, 20}, kShown, kNone, "KEL GUI Tool"},
    {IDC_ABOUT_VERSION, kLabel, "kelGuiTool，1.0 版", {42, 14, 114, 8}, kShown, kNone, ""},
    {IDC_ABOUT_NOTICE, kLabel, "", {42, 26, 114, 8}, kShown, kNone, ""},
    {IDOK, kButton, "OK", {113, 41, 50, 14}, kShown, kDefaultButton, ""},
}};

constexpr const char kTemplateFont[] = "MS Shell Dlg";

} // namespace

const DialogTemplate& MainDialogTemplate() {
    static const DialogTemplate main{
        IDD_KELGUITOOL_DIALOG, "kelGuiTool", 475, 319, kTemplateFont, 9, kMainControls};
    return main;
}

const DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate about{
        IDD_ABOUTBOX, "About KEL GUI Tool", 170, 62, kTemplateFont, 9, kAboutControls};
    return about;
}

} // namespace kel::res
