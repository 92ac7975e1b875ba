#include "rftest/RfTables.h"

#include "protocol/ReplyParsing.h"

#include <charconv>
#include <cmath>

namespace kel::rftest {

std::string RateLabel(const RateRow& row) {
    return FixedDecimal(static_cast<double>(row.mbps), 1);
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
    if (rateRow >= 0 && rateRow <= 3)
        return SddPowerClass::Dsss11b;
    if (rateRow >= 4 && rateRow <= 17)
        return SddPowerClass::Ofdm11gn;
    if (rateRow == 19)
        return SddPowerClass::Mcs7;
    return std::nullopt;
}

} // namespace kel::rftest
