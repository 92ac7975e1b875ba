// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/CalibrationSteps.h"
#include "rftest/RfSteps.h"
#include "rftest/calibration/Calibration.h"
#include "rftest/calibration/TrimSearch.h"

#include <string>

namespace kel::rftest {

namespace {

constexpr int kLowestCode = 0;
constexpr int kHighestCode = 127;
constexpr int kMiddleCode = 64;
// A code step pulls a crystal down by about this much; the second
// measurement corrects it.
constexpr double kNominalPpmPerCode = -0.7;

int StartCode(CommandContext& ctx) {
    std::string live;
    if (GetFreqOffset(ctx, live))
        return kMiddleCode;
    const auto code = WholeReading(live);
    if (!code || *code < kLowestCode || *code > kHighestCode)
        return kMiddleCode;
    return int(*code);
}

} // namespace

Failure StoreFreqOffset(CommandContext& ctx, int code) {
    const std::string text = std::to_string(code);
    if (Failure failure = SaveFreqOffset(ctx, text))
        return failure;
    std::string stored;
    if (Failure failure = GetSddFreqOffset(ctx, stored))
        return failure;
    return WholeReading(stored) == code ? nullptr : kSddReadBackDiffers;
}

Failure CalibrateCrystal(CommandContext& ctx, const BenchLink& link, const CrystalOptions& options,
                         const CrystalTrialSeen& seen, CrystalResult& result) {
    if (Failure failure = SetChannel(ctx, options.channel))
        return failure;
    TrimSearch search({kLowestCode, kHighestCode, 0.0, options.tolerancePpm, kNominalPpmPerCode,
                       options.maxSteps + 1},
                      StartCode(ctx));
    std::string powerText;
    while (const auto code = search.Next()) {
        if (link.Stopped())
            return kInterrupted;
        if (Failure failure = SetFreqOffset(ctx, std::to_string(*code)))
            return failure;
        ToneReading reading;
        bool held = false;
        const Failure failure = WithTone(ctx, powerText, [&] {
            held = link.Holding([&] {
                reading = ReadToneFrequency(*link.instrument, link.route, options.channel);
            });
        });
        if (failure)
            return failure;
        if (!held)
            return kInterrupted;
        search.Add(*code, reading.errorPpm);
        if (seen)
            seen(*code, reading);
        if (reading.errorPpm == search.Best().value)
            result.reading = reading;
    }
    const TrimTrial& best = search.Best();
    result.code = best.knob;
    result.measurements = int(search.Trials().size());
    result.reached = search.Reached();
    // The board is left at the closest code; the SDD data only learns a
    // proven one.
    if (search.Trials().back().knob != best.knob) {
        if (Failure failure = SetFreqOffset(ctx, std::to_string(best.knob)))
            return failure;
    }
    if (!options.save || !result.reached)
        return nullptr;
    if (Failure failure = StoreFreqOffset(ctx, best.knob))
        return failure;
    result.saved = true;
    return nullptr;
}

} // namespace kel::rftest
