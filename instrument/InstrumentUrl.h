// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where an instrument listens: tcp://HOST[:PORT], the raw SCPI socket LAN
// instruments serve (port 5025 unless given). HOST may be a name, an IPv4
// address or an IPv6 address in brackets.

#include <optional>
#include <string>
#include <string_view>

namespace kel::instrument {

inline constexpr int kDefaultScpiPort = 5025;

struct InstrumentUrl {
    std::string host; // without brackets
    int port = kDefaultScpiPort;

    // tcp://host:port, brackets restored for IPv6.
    std::string Text() const;
};

// The URL, or nothing with the reason in error.
std::optional<InstrumentUrl> ParseInstrumentUrl(std::string_view text, std::string& error);

} // namespace kel::instrument
