// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/InstrumentUrl.h"

#include <charconv>

namespace kel::instrument {

namespace {

constexpr std::string_view kScheme = "tcp://";

std::optional<int> ParsePort(std::string_view text) {
    int port = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (failure != std::errc{} || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

std::string InstrumentUrl::Text() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return std::string(kScheme) + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<InstrumentUrl> ParseInstrumentUrl(std::string_view text, std::string& error) {
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (!text.starts_with(kScheme)) {
        error = quoted + " is not an instrument URL: tcp://HOST[:PORT] (raw SCPI over LAN)";
        return std::nullopt;
    }
    std::string_view rest = text.substr(kScheme.size());
    if (rest.ends_with('/'))
        rest.remove_suffix(1);
    InstrumentUrl url;
    std::string_view portText;
    bool hasPort = false;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            error = quoted + ": an IPv6 address needs its closing bracket";
            return std::nullopt;
        }
        url.host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) {
            error = quoted + ": expected :PORT after the address";
            return std::nullopt;
        }
        hasPort = !after.empty();
        portText = hasPort ? after.substr(1) : after;
    } else {
        const std::size_t colon = rest.find(':');
        url.host = rest.substr(0, colon);
        hasPort = colon != std::string_view::npos;
        if (hasPort)
            portText = rest.substr(colon + 1);
    }
    if (url.host.empty() || url.host.find_first_of("/ \t") != std::string::npos) {
        error = quoted + " names no host: tcp://HOST[:PORT]";
        return std::nullopt;
    }
    if (hasPort) {
        const auto port = ParsePort(portText);
        if (!port) {
            error = quoted + ": the port must be a number from 1 to 65535";
            return std::nullopt;
        }
        url.port = *port;
    }
    return url;
}

} // namespace kel::instrument
