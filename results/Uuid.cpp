// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Uuid.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <sys/random.h>

namespace kel::results {

std::string NewUuid() {
    std::array<std::uint8_t, 16> bytes{};
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got = getrandom(bytes.data() + have, bytes.size() - have, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw std::runtime_error("no random source for a row identity");
        have += static_cast<std::size_t>(got);
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

} // namespace kel::results
