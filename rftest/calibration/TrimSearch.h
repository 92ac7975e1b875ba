// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search behind crystal and TX power calibration: a whole-numbered knob
// (the trim code, the power level) moves a measured value (ppm, dBm) nearly
// in a straight line. The first step trusts a nominal slope, every later
// one the slope of the two closest points measured, so a board is usually
// done in two or three measurements where bisection takes seven. The
// measurement that lands within the tolerance is the one that proves it.

#include <optional>
#include <vector>

namespace kel::rftest {

struct TrimTrial {
    int knob = 0;
    double value = 0;
};

struct TrimGoal {
    int low = 0;
    int high = 0;
    double target = 0;
    double tolerance = 0;
    // How far one knob step moves the value, before anything is measured.
    double nominalSlope = 1;
    int maxTrials = 6;
};

class TrimSearch {
public:
    TrimSearch(const TrimGoal& goal, int start);

    // The knob to measure next; nothing when the search has ended (reached,
    // out of trials, or no untried knob can come closer).
    std::optional<int> Next() const;
    void Add(int knob, double value);

    bool Reached() const;
    // The trial closest to the target; only after one was added.
    const TrimTrial& Best() const;
    const std::vector<TrimTrial>& Trials() const { return trials_; }

private:
    double Slope() const;
    bool Tried(int knob) const;
    double Miss(const TrimTrial& trial) const;

    TrimGoal goal_;
    int start_;
    std::vector<TrimTrial> trials_;
};

} // namespace kel::rftest
