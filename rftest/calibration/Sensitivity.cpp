// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/RxPer.h"
#include "rftest/RfSteps.h"
#include "rftest/calibration/Calibration.h"
#include "rftest/calibration/LevelSearch.h"

namespace kel::rftest {

namespace {

// One PER point: the generator at the channel and level, the board counting
// one burst. The board's RX and the generator's output end whatever fails.
Failure MeasurePoint(CommandContext& ctx, instrument::Instrument& bench, std::optional<int> route,
                     double centreHz, double dbm, RxPoint& point) {
    if (route)
        bench.Route(*route);
    bench.SetGenerator(centreHz, dbm);
    bench.Output(true);
    if (Failure failure = StartRx(ctx)) {
        bench.Output(false);
        return failure;
    }
    try {
        bench.Burst(*point.sent);
    } catch (...) {
        RxCounters dropped;
        StopRx(ctx, dropped);
        throw;
    }
    Failure failure = StopRx(ctx, point.counters);
    bench.Output(false);
    if (failure)
        return failure;
    const RxCounters& c = point.counters;
    point.perText = RxPerText(*point.sent, c.total, c.abortErrors, c.crcErrors);
    return nullptr;
}

} // namespace

Failure MeasureSensitivity(CommandContext& ctx, const BenchLink& link,
                           const SensitivityOptions& options, const SensitivityPointSeen& seen,
                           std::vector<SensitivityResult>& results) {
    if (Failure failure = SetChannel(ctx, options.channel))
        return failure;
    const double centreHz = ChannelCentreHz(options.channel);
    for (const int rateRow : options.rateRows) {
        std::string powerText;
        if (Failure failure = SetRate(ctx, rateRow, powerText))
            return failure;
        LevelSearch search(options.highDbm, options.lowDbm, options.stepDb);
        while (const auto dbm = search.Next()) {
            if (link.Stopped())
                return kInterrupted;
            RxPoint point{options.channel, rateRow, {}, options.frames, {}};
            Failure failure = nullptr;
            const bool held = link.Holding([&] {
                failure = MeasurePoint(ctx, *link.instrument, link.route, centreHz, *dbm, point);
            });
            if (!held)
                return kInterrupted;
            if (failure)
                return failure;
            const auto per = point.PerPercent();
            search.Add(*dbm, per && *per <= options.perPercent);
            if (seen)
                seen(*dbm, point);
        }
        results.push_back({rateRow, search.Lowest(), search.Points()});
    }
    return nullptr;
}

} // namespace kel::rftest
