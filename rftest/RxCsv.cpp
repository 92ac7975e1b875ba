// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/RxCsv.h"

#include "protocol/ReplyParsing.h"
#include "protocol/RxPer.h"

#include <charconv>
#include <system_error>

namespace kel::rftest {

namespace {

// "-72.5", "+3", "1e-3": a number a spreadsheet reads as one, not a formula.
bool PlainNumber(std::string_view text) {
    if (text.starts_with('+') || text.starts_with('-'))
        text.remove_prefix(1);
    if (text.empty() || text.starts_with('+') || text.starts_with('-'))
        return false;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string CsvField(std::string_view text) {
    std::string cell(text);
    // A spreadsheet runs a cell beginning so as a formula (a "CSV injection"):
    // a quote in front keeps it text.
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell[0]) != std::string_view::npos &&
        !PlainNumber(cell))
        cell.insert(0, 1, '\'');
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string quoted = "\"";
    for (const char c : cell)
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
