// SPDX-License-Identifier: GPL-3.0-or-later
// The line definition parser on arbitrary text, and the round trip the port
// relies on: a definition formatted for any device path a user could type
// (anything but NUL) parses back to the settings it was made from, both whole
// and as Open takes it (the text after the name and its colon).

#include "fuzz/FuzzCheck.h"
#include "serial/LineDefinition.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::fuzz {
namespace {

constexpr std::string_view kParities = "NEOMS";

void CheckParsed(std::string_view text) {
    const auto line = ParseDefinition(text);
    if (!line)
        return;
    Require(line->baud > 0, "a parsed rate is not 0");
    Require(line->dataBits >= 5 && line->dataBits <= 8, "5 to 8 data bits");
    Require(kParities.find(line->parity) != std::string_view::npos, "a parity letter");
    Require(line->stopBits == 1 || line->stopBits == 2, "1 or 2 stop bits");
    const auto again = ParseDefinition(
        FormatDefinition("x", line->baud, line->parity, line->dataBits, line->stopBits));
    Require(again && again->baud == line->baud && again->parity == line->parity &&
                again->dataBits == line->dataBits && again->stopBits == line->stopBits,
            "what was parsed formats and parses back");
}

// FNV-1a: rate and frame drawn from the input without taking bytes off the path.
std::uint64_t Hash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text)
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    return hash;
}

void CheckRoundTrip(std::string_view text) {
    std::string path(text);
    std::erase(path, '\0');
    const std::uint64_t hash = Hash(text);
    LineSettings expected;
    expected.baud = static_cast<std::uint32_t>(hash % 0xFFFFFFFFull) + 1;
    expected.parity = kParities[(hash >> 32) % kParities.size()];
    expected.dataBits = static_cast<std::uint8_t>(5 + (hash >> 40) % 4);
    expected.stopBits = static_cast<std::uint8_t>(1 + (hash >> 48) % 2);
    expected.dtr = expected.rts = expected.xonXoff = false; // "dtr=off rts=off"
    const std::string definition = FormatDefinition(path, expected.baud, expected.parity,
                                                    expected.dataBits, expected.stopBits);
    Require(ParseDefinition(definition) == expected, "a formatted definition parses back");
    Require(ParseDefinition(std::string_view(definition).substr(path.size() + 1)) == expected,
            "the settings after the name parse back");
}

} // namespace
} // namespace kel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kel::fuzz::CheckParsed(text);
    kel::fuzz::CheckRoundTrip(text);
    return 0;
}
