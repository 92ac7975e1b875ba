// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port's mode definition string ("<name>:baud=115200 parity=N data=8
// stop=1 dtr=off rts=off to=off") and the line settings it stands for.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

struct LineSettings {
    std::uint32_t baud = 38400;
    std::uint8_t dataBits = 8;
    char parity = 'N'; // N, E, O, M or S
    std::uint8_t stopBits = 1;
    bool dtr = true;
    bool rts = true;
    bool xonXoff = false;

    bool operator==(const LineSettings&) const = default;
};

// The line used when the definition is empty or rejected: 38400 bit/s, 8N1,
// DTR and RTS raised, no XON/XOFF.
inline LineSettings FallbackLineSettings() {
    return {};
}

// Builds the definition string the way Open does.
std::string FormatDefinition(std::string_view name, std::uint32_t baud, char parity,
                             std::uint8_t dataBits, std::uint8_t stopBits);

// Parses "key=value" words, optionally after a "<name>:" prefix (any name,
// ':' and '=' included). Unknown keys, bad values, a zero baud rate and an
// empty text are rejected (nullopt).
std::optional<LineSettings> ParseDefinition(std::string_view definition);

} // namespace kel
