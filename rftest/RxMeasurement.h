// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Receive tests measured over a given time: one point (rx, the wait, rx_stop)
// or a sweep over channels and rates, with the packet error rate of each
// point by the console's formula (protocol/RxPer.h).

#include "rftest/Measurement.h"
#include "rftest/Messages.h"
#include "rftest/RfSteps.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// Waits the given time; false when the wait was cut short (the user
// interrupted), which ends the measurement.
using Pause = std::function<bool(std::chrono::milliseconds)>;

// Given when a measurement is cut short by its pause.
inline constexpr char kInterrupted[] = "Interrupted";

struct RxPoint {
    std::optional<int> channel; // as set for this point, when it was
    std::optional<int> rateRow;
    RxCounters counters;
    std::optional<std::int64_t> sent; // packets the tester sent, when known
    // "2.00", or "N/A" when the counters make no rate; empty without sent.
    std::string perText;

    // The rate in percent as the read-out shows it; nullopt for "N/A", when
    // nothing was said to be sent, and above 100 % (the board counted far
    // more than was sent: no rate, whatever the formula gives).
    std::optional<double> PerPercent() const;
};

// The point as a result, measured now: its channel and rate where it has
// them, the counters, and the rate where there is one.
Measurement MeasurementOf(const RxPoint& point);

// rx, the pause, rx_stop; the point's counters and rate.
Failure MeasureRx(CommandContext& ctx, std::chrono::milliseconds duration, const Pause& pause,
                  RxPoint& point);

struct SweepPlan {
    std::vector<int> channels;
    std::vector<int> rateRows;
    std::chrono::milliseconds duration{};
    std::int64_t sent = 0;
};

struct SweepObserver {
    // Before each point: its place (from 0) among all, and what it is.
    std::function<void(std::size_t index, std::size_t count, int channel, int rateRow)> starting;
    std::function<void(const RxPoint&)> measured;
    // After the channel or the rate command went out, acknowledged or not:
    // what the board was last told, which a front end shows when a sweep ends
    // early.
    std::function<void(int channel)> channelSent;
    std::function<void(int rateRow)> rateSent;
    // After measured: true measures the point again (rx, the pause, rx_stop;
    // the channel and rate stay), a retry of a point that failed its limit.
    std::function<bool(const RxPoint&)> again;
};

// For each channel, then each rate: channel, rate, then MeasureRx. Stops at
// the first failure; the points measured before it have been reported.
// powerText takes the level the board reports for each rate.
Failure SweepRx(CommandContext& ctx, const SweepPlan& plan, const Pause& pause,
                std::string& powerText, const SweepObserver& observer);

} // namespace kel::rftest
