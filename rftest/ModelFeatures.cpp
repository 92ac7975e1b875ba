#include "rftest/ModelFeatures.h"

namespace kel::rftest {

std::optional<std::string> MissingFeature(int modelRow, const ModelFeature& feature) {
    const ChipModel* model = ChipModelAt(modelRow);
    if (model == nullptr || model->*feature.trait)
        return std::nullopt;
    std::string having;
    for (const ChipModel& other : kChipModels) {
        if (!(other.*feature.trait))
            continue;
        having += having.empty() ? "" : " and ";
        having += other.name;
    }
    return std::string(model->name) + " has no " + feature.what + " (" + having + " have)";
}

} // namespace kel::rftest
