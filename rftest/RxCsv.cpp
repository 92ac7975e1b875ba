// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RxCsv.h"

#include "protocol/ReplyParsing.h"
#include "protocol/RxPer.h"

namespace kel::rftest {

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string RxCsvHeader() {
    namespace f = field;
    std::string header;
    for (const char* name :
         {f::kChannel, f::kRateMbps, f::kTotal, f::kAbortErrors, f::kCrcErrors, f::kSent,
          f::kPerPercent, f::kTime, f::kPort, f::kBoardMac, f::kVerdict})
        header += (header.empty() ? "" : ",") + std::string(name);
    return header + "\n";
}

std::string RxCsvRow(const Measurement& rx, std::string_view port,
                     const std::optional<std::string>& boardMac) {
    const auto number = [](const auto& value) {
        return value ? std::to_string(*value) : std::string();
    };
    return number(rx.channel) + "," + (rx.rateMbps ? RateText(*rx.rateMbps) : "") + "," +
           number(rx.total) + "," + number(rx.abortErrors) + "," + number(rx.crcErrors) + "," +
           number(rx.sent) + "," + PerText(rx) + "," + rx.at + "," + CsvField(port) + "," +
           CsvField(boardMac.value_or("")) + "," + std::string(VerdictName(rx.verdict)) + "\n";
}

std::string RateText(double mbps) {
    return FixedDecimal(mbps, 1);
}

std::string PerText(const Measurement& rx) {
    if (!rx.sent)
        return {};
    return rx.perPercent ? FixedDecimal(*rx.perPercent, 2) : kRxPerUnavailable;
}

} // namespace kel::rftest
