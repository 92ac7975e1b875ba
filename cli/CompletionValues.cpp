// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CompletionValues.h"

#include "cli/ExitCodes.h"
#include "protocol/ChipModels.h"
#include "rftest/RfTables.h"

#include <cstdint>
#include <ostream>

namespace kel::cli {

std::optional<int> AnswerCompleteValues(const std::vector<std::string>& args, std::ostream& out,
                                        std::ostream& err) {
    if (args.empty() || args[0] != kCompleteValuesOption)
        return std::nullopt;
    const std::string kind = args.size() == 2 ? args[1] : "";
    if (kind == "models") {
        for (const ChipModel& model : kChipModels)
            out << model.name << '\n';
    } else if (kind == "rates") {
        // As typed: 5.5 and 54, not 54.0.
        for (const rftest::RateRow& row : rftest::kRates)
            out << row.mbps << '\n';
    } else if (kind == "channels") {
        for (int channel = rftest::kFirstChannel; channel <= rftest::kLastChannel; ++channel)
            out << channel << '\n';
    } else if (kind == "bauds") {
        for (const std::uint32_t baud : rftest::kBaudRates)
            out << baud << '\n';
    } else {
        err << "kel-rftest: " << kCompleteValuesOption
            << " takes models, rates, channels or bauds\n";
        return kExitUsage;
    }
    return kExitOk;
}

} // namespace kel::cli
