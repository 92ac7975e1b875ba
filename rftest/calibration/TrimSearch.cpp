// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/TrimSearch.h"

#include <algorithm>
#include <cmath>

namespace kel::rftest {

TrimSearch::TrimSearch(const TrimGoal& goal, int start)
    : goal_(goal), start_(std::clamp(start, goal.low, goal.high)) {}

double TrimSearch::Miss(const TrimTrial& trial) const {
    return std::abs(trial.value - goal_.target);
}

bool TrimSearch::Tried(int knob) const {
    return std::any_of(trials_.begin(), trials_.end(),
                       [&](const TrimTrial& trial) { return trial.knob == knob; });
}

const TrimTrial& TrimSearch::Best() const {
    return *std::min_element(
        trials_.begin(), trials_.end(),
        [&](const TrimTrial& a, const TrimTrial& b) { return Miss(a) < Miss(b); });
}

bool TrimSearch::Reached() const {
    return !trials_.empty() && Miss(Best()) <= goal_.tolerance;
}

double TrimSearch::Slope() const {
    // The two closest points see the curve where the answer is; a slope
    // against the nominal's sign or flatter than a tenth of it is noise.
    std::vector<TrimTrial> sorted = trials_;
    std::sort(sorted.begin(), sorted.end(),
              [&](const TrimTrial& a, const TrimTrial& b) { return Miss(a) < Miss(b); });
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].knob == sorted[0].knob)
            continue;
        const double slope =
            (sorted[i].value - sorted[0].value) / double(sorted[i].knob - sorted[0].knob);
        if (slope / goal_.nominalSlope >= 0.1)
            return slope;
        break;
    }
    return goal_.nominalSlope;
}

std::optional<int> TrimSearch::Next() const {
    if (trials_.empty())
        return start_;
    if (Reached() || int(trials_.size()) >= goal_.maxTrials)
        return std::nullopt;
    const TrimTrial& best = Best();
    const double step = (goal_.target - best.value) / Slope();
    const int predicted =
        std::clamp(int(std::lround(double(best.knob) + step)), goal_.low, goal_.high);
    if (!Tried(predicted))
        return predicted;
    // Rounding led back to a knob already measured: its neighbour on the
    // target's side is the only one left that can come closer.
    const int neighbour = best.knob + (step > 0 ? 1 : -1);
    if (neighbour < goal_.low || neighbour > goal_.high || Tried(neighbour))
        return std::nullopt;
    return neighbour;
}

void TrimSearch::Add(int knob, double value) {
    trials_.push_back({knob, value});
}

} // namespace kel::rftest
