// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spread between boards of one design: each board's own MAC address,
// receiver sensitivity and crystal offset, drawn once from its seed.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace kel::board {

// Sensitivity spread between boards, either way, in dB.
inline constexpr double kSensitivitySpreadDb = 1.5;
// Crystal frequency offsets come out of production within this distance of
// the nominal one.
inline constexpr int kNominalFreqOffset = 48;
inline constexpr int kFreqOffsetSpread = 8;

struct BoardCharacter {
    std::string mac; // the source MAC address it starts with
    std::uint64_t seed = 0;
    double sensitivityOffsetDb = 0.0;    // positive: receives worse than nominal
    int freqOffset = kNominalFreqOffset; // live and stored at start
};

// 02:4b:45:4c:XX:YY with XXYY the index plus one, in hexadecimal.
std::string MacOfIndex(int index);

// The MAC address's 48 bits as a number.
std::uint64_t SeedOfMac(std::string_view mac);

// Seeds the generator with the board's seed (its MAC's unless given) and
// draws the board's spread from it; the generator goes on serving the board.
BoardCharacter DrawCharacter(int index, std::optional<std::uint64_t> seed,
                             std::mt19937_64& generator);

} // namespace kel::board
