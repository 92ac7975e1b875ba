// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardCharacter.h"

#include <cstdio>

namespace kel::board {

std::string MacOfIndex(int index) {
    const unsigned number = static_cast<unsigned>(index + 1) & 0xFFFFu;
    char text[18];
    std::snprintf(text, sizeof text, "02:4b:45:4c:%02x:%02x", number >> 8, number & 0xFFu);
    return text;
}

std::uint64_t SeedOfMac(std::string_view mac) {
    std::uint64_t seed = 0;
    for (char c : mac) {
        if (c == ':')
            continue;
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        seed = seed << 4 | static_cast<std::uint64_t>(digit & 0xF);
    }
    return seed;
}

BoardCharacter DrawCharacter(int index, std::optional<std::uint64_t> seed,
                             std::mt19937_64& generator) {
    BoardCharacter character;
    character.mac = MacOfIndex(index);
    character.seed = seed.value_or(SeedOfMac(character.mac));
    generator.seed(character.seed);
    character.sensitivityOffsetDb = std::uniform_real_distribution<double>(
        -kSensitivitySpreadDb, kSensitivitySpreadDb)(generator);
    character.freqOffset = std::uniform_int_distribution<int>(
        kNominalFreqOffset - kFreqOffsetSpread, kNominalFreqOffset + kFreqOffsetSpread)(generator);
    return character;
}

} // namespace kel::board
