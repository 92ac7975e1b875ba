// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the board fares receiving: the level the tester's signal reaches it with
// against the sensitivity of the rate it listens at. Pure functions, so the
// model's shape is checked without a board, plus the one draw that turns a
// loss chance into a receiver's counters.

#include "board/BoardState.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace kel::board {

// The levels a board accepts: a tester's range, from beyond any sensitivity
// to a cabled signal.
inline constexpr double kMinRxLevelDbm = -120.0;
inline constexpr double kMaxRxLevelDbm = 0.0;
// How much worse than its peers a board with the weak-rx fault receives: far
// enough to fail a production limit at the top rates.
inline constexpr double kWeakRxPenaltyDb = 8.0;
// The frames a tester sends a second while an RX test runs.
inline constexpr int kFramesPerSecond = 100;

// The frames a tester sending kFramesPerSecond has sent after this long,
// capped where the 32-bit counters end.
std::int32_t FramesSentIn(std::chrono::milliseconds elapsed);

// The level at which a nominal board loses half of the frames sent at this
// rate on a middle channel: from -94 dBm at 1 Mbit/s to -73 dBm at 65 Mbit/s.
// A rate the mode does not offer gets the mode's fastest.
double RateSensitivityDbm(int mode, int rateTenths);

// How much worse a channel receives than the middle of the band: 0 dB there,
// 1 dB at channels 1 and 13 (and 14).
double ChannelTiltDb(int channel);

// The chance that one frame is lost, marginDb above the level where half are:
// a logistic in dB, steeper for OFDM (modes 2 and 5) than for DSSS (mode 1).
double FrameLossChance(double marginDb, int mode);

// Of the frames lost at this level, the share the receiver never saw at all
// (no preamble found); the rest it saw and counted as failed. Near the floor
// of preamble detection most lost frames go unseen.
double UnseenShare(double levelDbm);

// Draws what a receiver counts of `frames` frames, each lost with lossChance:
// frames never seen are missing from the total, the others lost are counted
// in it as CRC errors, a quarter of them as aborted receptions instead.
RxCounters DrawRxCounts(std::int64_t frames, double lossChance, double unseenShare,
                        std::mt19937_64& generator);

} // namespace kel::board
