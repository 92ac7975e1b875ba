// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/FaultShaper.h"

#include <array>

namespace kel::board {

namespace {

// Status chatter of a running firmware; none of it begins with a label the
// console parses or equals a line it waits for.
constexpr std::array<std::string_view, 4> kNoiseLines = {
    "[wlan] rf calibration done\n",
    "[phy] agc gain index 12, rssi -48 dbm\n",
    "heap free 41216 bytes\n",
    "[sys] watchdog fed\n",
};

} // namespace

ShapedReply FaultShaper::Shape(const Reply& reply) {
    ShapedReply out;
    if (hungUp_ || mode_.kind == FaultKind::Silent)
        return out;
    for (const ReplyPiece& piece : reply) {
        if (hungUp_)
            break;
        // A slow line is slow in the announced body too; no other line rule
        // applies there.
        if (mode_.kind == FaultKind::Slow) {
            EmitInTwoHalves(out, piece.bytes);
            continue;
        }
        if (!piece.isLine) {
            Emit(out, piece.bytes);
            continue;
        }
        switch (mode_.kind) {
        case FaultKind::CrLf: {
            std::string line = piece.bytes;
            if (!line.empty() && line.back() == '\n') {
                line.back() = '\r';
                line.push_back('\n');
            }
            Emit(out, std::move(line));
            break;
        }
        case FaultKind::Noise:
            Emit(out, NextNoiseLine());
            Emit(out, piece.bytes);
            break;
        default:
            Emit(out, piece.bytes);
            break;
        }
    }
    out.hangUp = hungUp_;
    return out;
}

void FaultShaper::Emit(ShapedReply& out, std::string bytes, std::chrono::milliseconds pause) {
    const bool limited = mode_.kind == FaultKind::StopAfter || mode_.kind == FaultKind::HangUp;
    if (limited) {
        const std::size_t room = mode_.byteCount > sent_ ? mode_.byteCount - sent_ : 0;
        if (bytes.size() >= room) {
            bytes.resize(room);
            if (mode_.kind == FaultKind::HangUp)
                hungUp_ = true;
        }
    }
    if (bytes.empty())
        return;
    sent_ += bytes.size();
    out.emissions.push_back({std::move(bytes), pause});
}

void FaultShaper::EmitInTwoHalves(ShapedReply& out, const std::string& bytes) {
    if (bytes.size() < 2) {
        Emit(out, bytes);
        return;
    }
    const std::size_t half = bytes.size() / 2;
    Emit(out, bytes.substr(0, half), mode_.pause);
    Emit(out, bytes.substr(half));
}

std::string FaultShaper::NextNoiseLine() {
    const std::string_view line = kNoiseLines[noiseIndex_];
    noiseIndex_ = (noiseIndex_ + 1) % kNoiseLines.size();
    return std::string(line);
}

} // namespace kel::board
