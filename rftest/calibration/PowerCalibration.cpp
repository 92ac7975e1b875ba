// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/CalibrationSteps.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"
#include "rftest/calibration/Calibration.h"
#include "rftest/calibration/TrimSearch.h"

#include <algorithm>
#include <string>

namespace kel::rftest {

const std::array<int, 3> kPowerClassRateRows{RateRowAt(11.0f), RateRowAt(54.0f), RateRowAt(65.0f)};

namespace {

constexpr int kLowestLevel = 0;
constexpr int kHighestLevel = 120;
// A level step is a quarter dB on this family's amplifiers; the second
// measurement corrects it where compression bends the line.
constexpr double kNominalDbPerLevel = 0.25;

} // namespace

Failure StoreSddPowers(CommandContext& ctx, const PowerResult& result) {
    SddPowers levels;
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i] = std::to_string(result.classes[i].level);
    if (Failure failure = SetSddPowerAll(ctx, levels))
        return failure;
    SddPowers stored;
    if (Failure failure = GetSddPowerAll(ctx, stored))
        return failure;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (WholeReading(stored[i]) != result.classes[i].level)
            return kSddReadBackDiffers;
    }
    return nullptr;
}

bool PowerResult::Reached() const {
    return std::all_of(classes.begin(), classes.end(),
                       [](const PowerClassResult& c) { return c.reached; });
}

Failure CalibratePower(CommandContext& ctx, const BenchLink& link, const PowerOptions& options,
                       const PowerTrialSeen& seen, PowerResult& result) {
    if (Failure failure = SetChannel(ctx, options.channel))
        return failure;
    for (std::size_t powerClass = 0; powerClass < kPowerClassRateRows.size(); ++powerClass) {
        std::string powerText;
        if (Failure failure = SetRate(ctx, kPowerClassRateRows[powerClass], powerText))
            return failure;
        const int start = int(WholeReading(powerText).value_or((kLowestLevel + kHighestLevel) / 2));
        TrimSearch search({kLowestLevel, kHighestLevel, options.targetDbm[powerClass],
                           options.toleranceDb, kNominalDbPerLevel, options.maxSteps + 1},
                          start);
        PowerClassResult& classResult = result.classes[powerClass];
        while (const auto level = search.Next()) {
            if (link.Stopped())
                return kInterrupted;
            if (Failure failure = SetPower(ctx, std::to_string(*level)))
                return failure;
            PowerReading reading;
            bool held = false;
            const Failure failure = WithTx(ctx, [&] {
                held = link.Holding(
                    [&] { reading = ReadTxPower(*link.instrument, link.route, options.channel); });
            });
            if (failure)
                return failure;
            if (!held)
                return kInterrupted;
            search.Add(*level, reading.powerDbm);
            if (seen)
                seen(powerClass, *level, reading);
        }
        classResult.level = search.Best().knob;
        classResult.powerDbm = search.Best().value;
        classResult.measurements = int(search.Trials().size());
        classResult.reached = search.Reached();
        if (search.Trials().back().knob != classResult.level) {
            if (Failure failure = SetPower(ctx, std::to_string(classResult.level)))
                return failure;
        }
    }
    if (!options.save || !result.Reached())
        return nullptr;
    if (Failure failure = StoreSddPowers(ctx, result))
        return failure;
    result.saved = true;
    return nullptr;
}

} // namespace kel::rftest
