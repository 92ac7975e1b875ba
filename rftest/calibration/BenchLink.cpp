// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/BenchLink.h"

#include "instrument/InstrumentError.h"

#include <string>

namespace kel::rftest {

bool BenchLink::Holding(const std::function<void()>& measure) const {
    const auto named = [&] {
        try {
            measure();
        } catch (const instrument::InstrumentError& error) {
            if (!route)
                throw;
            throw instrument::InstrumentError(error.fault(), std::string(error.what()) +
                                                                 " (route " +
                                                                 std::to_string(*route) + ")");
        }
    };
    if (!hold) {
        named();
        return true;
    }
    return hold(named);
}

} // namespace kel::rftest
