// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RxMeasurement.h"

#include "protocol/RxPer.h"
#include "rftest/RfTables.h"

#include <charconv>

namespace kel::rftest {

std::optional<double> RxPoint::PerPercent() const {
    double value = 0;
    const char* end = perText.data() + perText.size();
    const auto [stop, error] = std::from_chars(perText.data(), end, value);
    if (perText.empty() || error != std::errc() || stop != end || value > 100.0)
        return std::nullopt;
    return value;
}

Measurement MeasurementOf(const RxPoint& point) {
    Measurement m;
    m.kind = MeasurementKind::Rx;
    m.at = UtcNow();
    m.channel = point.channel;
    if (point.rateRow)
        m.rateMbps = kRates[static_cast<std::size_t>(*point.rateRow)].mbps;
    m.sent = point.sent;
    m.total = point.counters.total;
    m.abortErrors = point.counters.abortErrors;
    m.crcErrors = point.counters.crcErrors;
    m.perPercent = point.PerPercent();
    return m;
}

Failure MeasureRx(CommandContext& ctx, std::chrono::milliseconds duration, const Pause& pause,
                  RxPoint& point) {
    if (Failure failure = StartRx(ctx))
        return failure;
    if (!pause(duration))
        return kInterrupted;
    if (Failure failure = StopRx(ctx, point.counters))
        return failure;
    const RxCounters& c = point.counters;
    if (point.sent)
        point.perText = RxPerText(*point.sent, c.total, c.abortErrors, c.crcErrors);
    return nullptr;
}

Failure SweepRx(CommandContext& ctx, const SweepPlan& plan, const Pause& pause,
                std::string& powerText, const SweepObserver& observer) {
    const std::size_t count = plan.channels.size() * plan.rateRows.size();
    std::size_t index = 0;
    for (const int channel : plan.channels) {
        for (const int rateRow : plan.rateRows) {
            if (observer.starting)
                observer.starting(index++, count, channel, rateRow);
            const Failure channelFailure = SetChannel(ctx, channel);
            if (observer.channelSent)
                observer.channelSent(channel);
            if (channelFailure)
                return channelFailure;
            const Failure rateFailure = SetRate(ctx, rateRow, powerText);
            if (observer.rateSent)
                observer.rateSent(rateRow);
            if (rateFailure)
                return rateFailure;
            RxPoint point{channel, rateRow, {}, plan.sent, {}};
            do {
                if (Failure failure = MeasureRx(ctx, plan.duration, pause, point))
                    return failure;
                if (observer.measured)
                    observer.measured(point);
            } while (observer.again && observer.again(point));
        }
    }
    return nullptr;
}

} // namespace kel::rftest
