// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Switching the board's supply between LDO and DC-DC mode: two command lines
// each, without dialect prefix, each acknowledged through WaitAck before the
// next goes out. Only chip models with a power mode (ChipModels.h) have them;
// the others give kResultFailed with nothing sent. The board's error line counts as an answer.

namespace kel {

class CommandContext;

int switch_to_ldo_mode(CommandContext& ctx);
int switch_to_dcdc_mode(CommandContext& ctx);

} // namespace kel
