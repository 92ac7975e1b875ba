// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BenchPhysics.h"

#include <algorithm>
#include <random>

namespace kel::board {

namespace {

constexpr int kMiddleCode = 64;
constexpr double kCrystalSpreadPpm = 25.0;
constexpr double kPowerSpreadDb = 1.0;
constexpr double kDbPerLevel = 0.25;
// The class's level-to-dBm offset: 64 gives 18 dBm DSSS, 56 gives 16 dBm
// OFDM, 48 gives 14 dBm at MCS7 (the stored defaults).
constexpr std::array<double, 3> kClassOffsetDb{2.0, 2.0, 2.0};
constexpr double kCompressionStartDbm = 20.0;
constexpr double kCompressionSlope = 0.4;
// Mixed into the seed so the bench's draws are not the receiver's.
constexpr std::uint64_t kBenchSalt = 0x62656e6368ULL;

} // namespace

BenchCharacter DrawBenchCharacter(std::uint64_t seed) {
    std::mt19937_64 generator(seed ^ kBenchSalt);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(generator);
    };
    BenchCharacter character;
    character.crystalPpm = uniform(-kCrystalSpreadPpm, kCrystalSpreadPpm);
    character.trimPpmPerStep = uniform(0.6, 0.75);
    character.trimCurvePpm = uniform(0.0005, 0.0015);
    for (double& spread : character.powerSpreadDb)
        spread = uniform(-kPowerSpreadDb, kPowerSpreadDb);
    return character;
}

double FrequencyErrorPpm(const BenchCharacter& character, int trimCode) {
    const double fromMiddle = std::clamp(trimCode, 0, kMaxTrimCode) - kMiddleCode;
    return character.crystalPpm - character.trimPpmPerStep * fromMiddle -
           character.trimCurvePpm * fromMiddle * fromMiddle;
}

double ChannelCentreHz(int channel) {
    if (channel == 14)
        return 2484e6;
    return (2407.0 + 5.0 * channel) * 1e6;
}

double TxPowerDbm(const BenchCharacter& character, int level, int powerClass) {
    const std::size_t rateClass = static_cast<std::size_t>(std::clamp(powerClass, 0, 2));
    const double linear =
        kClassOffsetDb[rateClass] + kDbPerLevel * level + character.powerSpreadDb[rateClass];
    if (linear <= kCompressionStartDbm)
        return linear;
    return kCompressionStartDbm + (linear - kCompressionStartDbm) * kCompressionSlope;
}

} // namespace kel::board
