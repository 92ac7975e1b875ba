// SPDX-License-Identifier: GPL-3.0-or-later
// Number reading, the reply-line parsers and the PER text on arbitrary bytes,
// with the round trips they promise: a plain decimal reads back as itself,
// the 32-bit value is the low 32 bits of the 64-bit reading, and the reading
// agrees with the C library's strtoll (which saturates the same way).

#include "fuzz/FuzzCheck.h"
#include "protocol/NumberReading.h"
#include "protocol/ReplyParsing.h"
#include "protocol/RxPer.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace kel::fuzz {
namespace {

// The low 32 bits as a signed value, worked out without casts of our own code.
std::int32_t Low32(std::int64_t value) {
    const __int128 wrapped = ((__int128{value} % 0x100000000LL) + 0x100000000LL) % 0x100000000LL;
    return static_cast<std::int32_t>(wrapped > INT32_MAX ? wrapped - 0x100000000LL : wrapped);
}

void CheckReading(const std::string& text) {
    const std::int64_t value = ReadInteger64(text);
    Require(value == std::strtoll(text.c_str(), nullptr, 10), "reads as strtoll base 10 does");
    Require(ReadInteger(text) == Low32(value), "the 32-bit reading is the low 32 bits");
    Require(FitsInt32(text) == (value >= INT32_MIN && value <= INT32_MAX),
            "FitsInt32 says whether the whole reading fits");
}

void CheckRoundTrips(std::int64_t value) {
    const std::string plain = std::to_string(value);
    Require(ReadInteger64(plain) == value, "a plain decimal reads back as itself");
    Require(ReadInteger64(" \t\r\n" + plain + "x9") == value, "blanks before, junk after");
    if (value >= 0)
        Require(ReadInteger64("+000" + plain) == value, "a plus sign and leading zeros");
    Require(ValueAfterLastColon("freq offset is: 3:" + plain + "\n") == Low32(value),
            "the value after the last colon");
    Require(NumberAfterLabel("Total:" + plain + "\n", "Total:") == Low32(value),
            "the number after a label");
    const int level = static_cast<int>(value % 1000);
    if (level >= -99) {
        char line[32];
        std::snprintf(line, sizeof line, "DSSS: %3d\n", level);
        Require(ValueInLastFour(line) == level, "a level in the last three characters");
    }
}

void CheckLineParsers(std::string_view bytes) {
    // A reply line as the parsers get it: up to its first NUL.
    const std::string_view line = bytes.substr(0, bytes.find('\0'));
    const std::string mac = MacAddressValue(line);
    Require(mac.size() <= 17 && line.find(mac) != std::string_view::npos,
            "a MAC text is at most 17 characters of the line");
    ValueAfterLastColon(line);
    ValueInLastFour(line);
    NumberAfterLabel(line, "Total:");
    std::string rest(line);
    std::erase(rest, '\n');
    Require(TextAfterLabel("power level:" + rest + "\n", "power level:") == rest,
            "the text after a label, kept exactly");
}

void CheckFixedDecimal(double value) {
    if (!std::isfinite(value))
        return;
    const std::string text = FixedDecimal(value, 2);
    const std::size_t point = text.find('.');
    Require(point != std::string::npos && text.size() - point == 3, "two decimals after a point");
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    Require(std::fabs(back - value) <= 0.005 + std::fabs(value) * 1e-15, "rounds to the value");
}

std::string_view Field(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view field = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return field;
}

// The input as lines: the sent count as typed, then the three counters.
void CheckRxPer(std::string_view bytes) {
    std::string_view rest = bytes;
    const std::string_view sentText = Field(rest);
    const std::int32_t total = ReadInteger(Field(rest));
    const std::int32_t aborts = ReadInteger(Field(rest));
    const std::int32_t crcs = ReadInteger(Field(rest));
    const auto per = RxPerText(sentText, total, aborts, crcs);
    if (sentText.empty()) {
        Require(!per, "nothing shown without a sent count");
        return;
    }
    Require(per.has_value(), "a text once a sent count is there");
    const std::int64_t sent = ReadInteger(sentText);
    const std::int64_t errors = std::llabs(sent - total) + std::int64_t{aborts} + crcs;
    if (sent <= 0 || errors < 0) {
        Require(*per == "N/A", "N/A when no rate can be computed");
        return;
    }
    double shown = -1;
    std::from_chars(per->data(), per->data() + per->size(), shown);
    const double exact = static_cast<double>(errors) / static_cast<double>(sent) * 100.0;
    Require(std::fabs(shown - exact) <= 0.005 + exact * 1e-6, "the rate in percent");
}

} // namespace
} // namespace kel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel::fuzz;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckReading(bytes);
    CheckLineParsers(bytes);
    CheckRxPer(bytes);
    if (size >= sizeof(std::int64_t)) {
        std::int64_t value = 0;
        std::memcpy(&value, data, sizeof value);
        CheckRoundTrips(value);
        CheckFixedDecimal(std::bit_cast<double>(value));
    }
    return 0;
}
