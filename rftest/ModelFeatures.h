// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a test needs of the chip model, and the refusal when the model lacks
// it: one wording for kel-rftest's subcommands and a plan's steps.

#include "protocol/ChipModels.h"

#include <optional>
#include <string>

namespace kel::rftest {

struct ModelFeature {
    bool ChipModel::*trait;
    const char* what; // as the refusal names it
};

inline constexpr ModelFeature kFreqOffsetFeature{&ChipModel::hasCalibration,
                                                 "frequency-offset calibration"};
inline constexpr ModelFeature kSddPowerFeature{&ChipModel::hasSdd, "SDD power table"};
inline constexpr ModelFeature kSddFileFeature{&ChipModel::hasSdd, "SDD file"};
inline constexpr ModelFeature kSupplyFeature{&ChipModel::hasPowerMode, "supply switch"};
inline constexpr ModelFeature kPerFeature{&ChipModel::hasPer, "RX packet error rate"};

// "QB201 has no SDD file (QB202 and QB101 have)"; nothing when the model has it.
std::optional<std::string> MissingFeature(int modelRow, const ModelFeature& feature);

} // namespace kel::rftest
