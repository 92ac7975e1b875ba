// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineDefinition.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace kel {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::uint32_t> ParseUnsigned(std::string_view s) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<bool> ParseOnOff(std::string_view s) {
    const std::string v = Lower(s);
    if (v == "on")
        return true;
    if (v == "off")
        return false;
    return std::nullopt;
}

// Applies one "key=value" word; false rejects the whole definition.
bool ApplyWord(LineSettings& line, std::string_view key, std::string_view value) {
    const std::string k = Lower(key);
    if (k == "baud") {
        const auto v = ParseUnsigned(value);
        if (!v || *v == 0)
            return false;
        line.baud = *v;
        return true;
    }
    if (k == "parity") {
        const std::string v = Lower(value);
        if (v.size() != 1 || std::string_view("neoms").find(v[0]) == std::string_view::npos)
            return false;
        line.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(v[0])));
        return true;
    }
    if (k == "data") {
        const auto v = ParseUnsigned(value);
        if (!v || *v < 5 || *v > 8)
            return false;
        line.dataBits = static_cast<std::uint8_t>(*v);
        return true;
    }
    if (k == "stop") {
        const auto v = ParseUnsigned(value);
        if (!v || (*v != 1 && *v != 2))
            return false;
        line.stopBits = static_cast<std::uint8_t>(*v);
        return true;
    }
    if (k == "dtr" || k == "rts" || k == "xon" || k == "to") {
        const auto v = ParseOnOff(value);
        if (!v)
            return false;
        if (k == "dtr")
            line.dtr = *v;
        else if (k == "rts")
            line.rts = *v;
        else if (k == "xon")
            line.xonXoff = *v;
        // "to" (infinite time-out) has no meaning here: reads are always short.
        return true;
    }
    return false;
}

} // namespace

std::string FormatDefinition(std::string_view name, std::uint32_t baud, char parity,
                             std::uint8_t dataBits, std::uint8_t stopBits) {
    char settings[128];
    std::snprintf(settings, sizeof settings,
                  ":baud=%u parity=%c data=%u stop=%u dtr=off rts=off to=off", baud, parity,
                  static_cast<unsigned>(dataBits), static_cast<unsigned>(stopBits));
    return std::string(name) + settings;
}

std::optional<LineSettings> ParseDefinition(std::string_view definition) {
    // A device path may hold ':' and '=' of its own, but no setting holds a
    // ':', so the prefix ends at the last ':'.
    const std::size_t colon = definition.rfind(':');
    if (colon != std::string_view::npos)
        definition.remove_prefix(colon + 1);

    LineSettings line;
    // Unlike the fallback, a parsed line starts with the modem lines low and
    // raises only what the definition asks for.
    line.dtr = false;
    line.rts = false;
    bool sawBaud = false;
    while (!definition.empty()) {
        const std::size_t start = definition.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        definition.remove_prefix(start);
        const std::size_t end = definition.find(' ');
        const std::string_view word = definition.substr(0, end);
        definition.remove_prefix(end == std::string_view::npos ? definition.size() : end);
        const std::size_t eq = word.find('=');
        if (eq == std::string_view::npos || eq == 0)
            return std::nullopt;
        const std::string_view key = word.substr(0, eq);
        if (!ApplyWord(line, key, word.substr(eq + 1)))
            return std::nullopt;
        sawBaud = sawBaud || Lower(key) == "baud";
    }
    if (!sawBaud)
        return std::nullopt;
    return line;
}

} // namespace kel
