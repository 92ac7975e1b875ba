// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/PowerModeCommands.h"

#include "protocol/CatalogueExchange.h"
#include "protocol/ChipModels.h"
#include "protocol/CommandContext.h"

#include <string_view>

namespace kel {

namespace {
int RunSupplySequence(CommandContext& ctx, std::string_view first, std::string_view second) {
    if (!HasChipModel(ctx))
        return kResultNoChipModel;
    if (!ChipModelHas(ctx.ChipModelIndex(), &ChipModel::hasPowerMode))
        return kResultFailed;
    for (const std::string_view command : {first, second}) {
        if (SendWithoutDialect(ctx, command) != kResultOk)
            return kResultFailed;
        if (WaitAck(ctx) != kResultOk)
            return kResultFailed;
    }
    return kResultOk;
}
} // namespace

int switch_to_ldo_mode(CommandContext& ctx) {
    return RunSupplySequence(ctx, "gpio deconfig pa23\n", "prcm set_top_ldo 1.8\n");
}

int switch_to_dcdc_mode(CommandContext& ctx) {
    return RunSupplySequence(ctx, "gpio config pa23 m=2 p=1 l=1\n", "prcm set_top_ldo 1.4\n");
}

} // namespace kel
