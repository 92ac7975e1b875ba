// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/calibration/CalibrationValues.h"

#include "rftest/ValueChecks.h"

#include <algorithm>
#include <string>

namespace kel::rftest {

double DecimalIn(const char* name, std::string_view text, double low, double high) {
    const auto value = ReadDecimal(text);
    if (!value || *value < low || *value > high)
        throw ValueError{std::string(name) + " must be a number from " + DecimalText(low) + " to " +
                         DecimalText(high)};
    return *value;
}

std::array<double, 3> ClassTargets(const char* name, std::string_view text) {
    constexpr double kLowest = -20, kHighest = 40;
    std::array<double, 3> targets{};
    std::size_t count = 0;
    for (std::size_t begin = 0; begin <= text.size();) {
        const std::size_t end = std::min(text.find(',', begin), text.size());
        if (count == targets.size())
            throw ValueError{std::string(name) + " takes one power, or three (11b,11gn,11n_mcs7)"};
        std::string_view item = text.substr(begin, end - begin);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        targets[count++] = DecimalIn(name, item, kLowest, kHighest);
        begin = end + 1;
    }
    if (count == 1)
        targets.fill(targets[0]);
    else if (count != targets.size())
        throw ValueError{std::string(name) + " takes one power, or three (11b,11gn,11n_mcs7)"};
    return targets;
}

} // namespace kel::rftest
