// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the model's replies into what actually goes on the line under a
// fault mode: bytes to write and pauses between them, and when to hang up.
// Keeps the count of bytes sent, since two modes act after N bytes.

#include "board/BoardModel.h"
#include "board/FaultMode.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace kel::board {

struct Emission {
    std::string bytes;
    std::chrono::milliseconds pauseAfter{0};

    bool operator==(const Emission&) const = default;
};

struct ShapedReply {
    std::vector<Emission> emissions;
    bool hangUp = false; // close the line once the emissions are written
};

class FaultShaper {
public:
    explicit FaultShaper(FaultMode mode) : mode_(mode) {}

    ShapedReply Shape(const Reply& reply);

    std::size_t BytesSent() const { return sent_; }

private:
    void Emit(ShapedReply& out, std::string bytes, std::chrono::milliseconds pause = {});
    // The slow line: the first half, the pause, the second half.
    void EmitInTwoHalves(ShapedReply& out, const std::string& bytes);
    std::string NextNoiseLine();

    FaultMode mode_;
    std::size_t sent_ = 0;
    std::size_t noiseIndex_ = 0;
    bool hungUp_ = false;
};

} // namespace kel::board
