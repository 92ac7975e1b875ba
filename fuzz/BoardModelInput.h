// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board-model target's input: a few bytes that choose the board (its
// index, RX level, weak-rx or the error fault, an explicit seed), then what a
// client writes to it. The seed writer encodes the header the target decodes.

#include "board/BoardConfig.h"
#include "board/RadioModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::fuzz {

inline constexpr std::size_t kBoardHeaderSize = 4;

enum BoardHeaderFlags : std::uint8_t { kWeakRx = 1, kErrorReplies = 2, kSeeded = 4 };

// Half-dB steps from the lowest level a board accepts: 241 of them reach the highest.
inline constexpr int kLevelSteps = 241;

inline board::BoardConfig DecodeBoardHeader(std::string_view header) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(header[i]); };
    board::BoardConfig config;
    config.index = byte(0);
    config.rxLevelDbm = board::kMinRxLevelDbm + (byte(1) % kLevelSteps) * 0.5;
    if (byte(2) & kWeakRx)
        config.fault.kind = board::FaultKind::WeakRx;
    else if (byte(2) & kErrorReplies)
        config.fault.kind = board::FaultKind::ErrorReplies;
    if (byte(2) & kSeeded)
        config.seed = byte(3);
    return config;
}

inline std::string EncodeBoardHeader(int index, double rxLevelDbm, std::uint8_t flags = 0,
                                     std::uint8_t seed = 0) {
    const int step = static_cast<int>((rxLevelDbm - board::kMinRxLevelDbm) * 2);
    return {static_cast<char>(index), static_cast<char>(step), static_cast<char>(flags),
            static_cast<char>(seed)};
}

} // namespace kel::fuzz
