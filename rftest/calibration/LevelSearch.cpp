// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/LevelSearch.h"

#include <cmath>

namespace kel::rftest {

LevelSearch::LevelSearch(double highDbm, double lowDbm, double stepDb)
    : step_(stepDb), pass_(highDbm), fail_(lowDbm) {}

std::optional<double> LevelSearch::Next() const {
    if (highFailed_)
        return std::nullopt;
    if (pass_ - fail_ <= step_ + 1e-9) {
        // The span is closed, but the passing side was only assumed: it is
        // measured before it is claimed.
        if (!lowestPass_)
            return pass_;
        return std::nullopt;
    }
    // The middle on the step's grid above the failing side, so the span
    // ends exactly one step wide.
    const double steps = std::floor((pass_ - fail_) / step_ / 2.0 + 0.5);
    return fail_ + std::max(1.0, steps) * step_;
}

void LevelSearch::Add(double dbm, bool passes) {
    ++points_;
    if (passes) {
        pass_ = dbm;
        lowestPass_ = dbm;
        return;
    }
    if (dbm >= pass_) {
        highFailed_ = true;
        return;
    }
    fail_ = dbm;
}

} // namespace kel::rftest
