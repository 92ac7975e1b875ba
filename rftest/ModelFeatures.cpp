// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/ModelFeatures.h"

#include "rftest/ValueChecks.h"

namespace kel::rftest {

std::optional<std::string> MissingFeature(int modelRow, const ModelFeature& feature) {
    const ChipModel* model = ChipModelAt(modelRow);
    if (model == nullptr || model->*feature.trait)
        return std::nullopt;
    std::vector<std::string> having;
    for (const ChipModel& other : kChipModels) {
        if (other.*feature.trait)
            having.emplace_back(other.name);
    }
    return std::string(model->name) + " has no " + feature.what + " (" + Listed(having) +
           " have)";
}

} // namespace kel::rftest
