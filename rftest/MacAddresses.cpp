// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/MacAddresses.h"

#include "rftest/RfSteps.h"
#include "rftest/ValueChecks.h"

#include <algorithm>
#include <cctype>

namespace kel::rftest {

namespace {
bool SameAddress(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}
} // namespace

std::string MacText(const MacAddresses& macs) {
    return "source " + macs[0] + ", dest " + macs[1] + ", bssid " + macs[2];
}

bool IsAddressWord(std::string_view text) {
    return !text.empty() && text.find_first_of(" \t") == std::string_view::npos &&
           !HoldsControlCharacter(text);
}

Failure SetMacAndReadBack(CommandContext& ctx, const MacAddresses& wanted, MacAddresses& held) {
    if (Failure failure = SetMacAddresses(ctx, wanted[0], wanted[1], wanted[2]))
        return failure;
    return GetMac(ctx, held[0], held[1], held[2]);
}

std::string MacMismatch(const MacAddresses& wanted, const MacAddresses& held) {
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (!SameAddress(held[i], wanted[i]))
            return "the board holds " + MacText(held) + ", not what was set";
    }
    return {};
}

} // namespace kel::rftest
