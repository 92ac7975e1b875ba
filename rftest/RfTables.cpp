// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RfTables.h"

#include "protocol/ReplyParsing.h"

#include <charconv>
#include <cmath>

namespace kel::rftest {

std::string RateLabel(const RateRow& row) {
    return FixedDecimal(static_cast<double>(row.mbps), 1);
}

std::string RateListText(const RateRow& row) {
    return RateLabel(row) + "Mbps";
}

std::optional<int> RateRowOf(std::string_view mbps) {
    double value = 0;
    const auto [end, error] =
        std::from_chars(mbps.data(), mbps.data() + mbps.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != mbps.data() + mbps.size())
        return std::nullopt;
    for (std::size_t row = 0; row < kRates.size(); ++row) {
        // Every rate of the table is a whole number of tenths.
        if (std::fabs(value - static_cast<double>(kRates[row].mbps)) < 1e-6)
            return static_cast<int>(row);
    }
    return std::nullopt;
}

std::optional<SddPowerClass> SddPowerClassOf(int rateRow) {
    if (rateRow < 0 || rateRow >= static_cast<int>(kRates.size()))
        return std::nullopt;
    return kRates[static_cast<std::size_t>(rateRow)].sddPowerClass;
}

} // namespace kel::rftest
