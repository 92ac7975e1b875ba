// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the bench's instruments see of a board: its crystal's error against
// the trim code (the frequency offset, 0 to 127) and its TX power against
// the power level and rate class. Each board's spread is drawn from its
// seed on a generator of its own, so a board's receiver draws stay as they
// were before the bench existed.

#include <array>
#include <cstdint>

namespace kel::board {

// The trim codes a board accepts.
inline constexpr int kMaxTrimCode = 127;

struct BenchCharacter {
    double crystalPpm = 0.0;               // the error at the middle code
    double trimPpmPerStep = 0.7;           // how far one code step pulls it down there
    double trimCurvePpm = 0.001;           // the pull grows towards the ends
    std::array<double, 3> powerSpreadDb{}; // per rate class
};

// From the board's seed: crystals within +-25 ppm, trim slopes from 0.6 to
// 0.75 ppm a step, bent so that no step exceeds 1 ppm: every board has a
// code within 0.5 ppm.
BenchCharacter DrawBenchCharacter(std::uint64_t seed);

// The frequency error in ppm with this trim code (clamped to 0..127).
double FrequencyErrorPpm(const BenchCharacter& character, int trimCode);

// The channel's centre frequency: 2407 + 5 ch MHz, 2484 MHz for 14.
double ChannelCentreHz(int channel);

// TX power in dBm at this level in this rate class (0 DSSS, 1 OFDM, 2
// MCS7): a quarter dB a level step around the class's nominal, compressed
// as the amplifier nears its saturation.
double TxPowerDbm(const BenchCharacter& character, int level, int powerClass);

} // namespace kel::board
