// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search behind a sensitivity measurement: the lowest generator level
// at which the board's packet error rate stays within its limit, found by
// halving the span between a level that fails and one that passes down to
// the step wanted. A 60 dB span to 0.5 dB takes seven points.

#include <optional>

namespace kel::rftest {

class LevelSearch {
public:
    // high is taken to pass and low to fail until measured otherwise.
    LevelSearch(double highDbm, double lowDbm, double stepDb);

    // The level to measure next; nothing when the span is down to the step
    // (or high itself failed).
    std::optional<double> Next() const;
    void Add(double dbm, bool passes);

    // The lowest level measured passing; nothing when none did.
    std::optional<double> Lowest() const { return lowestPass_; }
    int Points() const { return points_; }

private:
    double step_;
    double pass_; // passes, measured or assumed
    double fail_; // fails, measured or assumed
    std::optional<double> lowestPass_;
    bool highFailed_ = false;
    int points_ = 0;
};

} // namespace kel::rftest
