// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual board's model on arbitrary input and any board of a tray (its
// index, RX level, weak-rx or error fault, seed): it never crashes, its
// replies do not depend on how the bytes are split into writes, every reply
// stays bounded by the lines that asked for it, what it keeps stays within
// what the firmware accepts, and its RX counters add up and never go down
// while a test runs.

#include "board/BoardModel.h"
#include "board/CommandText.h"
#include "fuzz/BoardModelInput.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

namespace kel::fuzz {
namespace {

using board::BoardModel;

// The longest reply one command line gets: the SDD dump, with room to spare.
constexpr std::size_t kLongestReply = 1024;

BoardModel MakeBoard(board::BoardConfig config) {
    // A clock that moves a second per look, the same for every board.
    config.clock = [now = std::chrono::steady_clock::time_point{}]() mutable {
        return now += std::chrono::seconds(1);
    };
    return BoardModel(config);
}

void CheckReply(const board::Reply& reply, std::string_view input) {
    const std::size_t lineEnds =
        std::count(input.begin(), input.end(), '\n') + std::count(input.begin(), input.end(), '\r');
    Require(board::Join(reply).size() <= lineEnds * kLongestReply, "replies stay bounded");
    for (const board::ReplyPiece& piece : reply) {
        if (!piece.isLine)
            continue;
        Require(piece.bytes.find('\n') == piece.bytes.size() - 1, "a reply line is one line");
    }
}

void CheckState(const board::BoardState& state) {
    Require(board::IsMacAddress(state.sourceMac) && board::IsMacAddress(state.destMac) &&
                board::IsMacAddress(state.bssid),
            "MAC addresses stay addresses");
    Require(state.channel >= 1 && state.channel <= 14, "a 2 GHz channel");
    Require(board::IsKnownRate(state.rateMode, state.rateTenths), "a rate the mode offers");
    Require(state.liveFreqOffset >= 0 && state.liveFreqOffset <= 127 && state.sddFreqOffset >= 0 &&
                state.sddFreqOffset <= 127,
            "frequency offsets 0 to 127");
    for (int i = 0; i < 3; ++i) {
        Require(state.sddPower[i] >= 0 && state.sddPower[i] <= 120, "SDD power 0 to 120");
        Require(state.livePower[i] >= -118 && state.livePower[i] <= 120, "live power in range");
    }
    Require(state.topLdoTenths == 14 || state.topLdoTenths == 18, "1.4 V or 1.8 V");
    Require(state.txLength >= 0 && state.txLength <= 4095 && state.txCount >= 0, "TX options");
    const board::RxCounters& rx = state.rxCounters;
    Require(rx.abortErrors >= 0 && rx.crcErrors >= 0 &&
                std::int64_t{rx.abortErrors} + rx.crcErrors <= rx.total,
            "the failed frames are counted in the total");
    Require(rx.total <= state.rxFramesCounted &&
                state.rxFramesCounted <= std::numeric_limits<std::int32_t>::max(),
            "no more frames counted than sent");
}

// Within one RX test the counters only grow.
void CheckGrowth(const board::BoardState& before, const board::BoardState& after) {
    if (!before.rxRunning || !after.rxRunning || before.rxStart != after.rxStart)
        return;
    Require(after.rxCounters.total >= before.rxCounters.total &&
                after.rxCounters.abortErrors >= before.rxCounters.abortErrors &&
                after.rxCounters.crcErrors >= before.rxCounters.crcErrors,
            "RX counters never go down while the test runs");
}

} // namespace
} // namespace kel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel::fuzz;
    if (size < kBoardHeaderSize)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kel::board::BoardConfig config = DecodeBoardHeader(bytes);
    const std::string_view input = bytes.substr(kBoardHeaderSize);
    data += kBoardHeaderSize;
    size -= kBoardHeaderSize;

    BoardModel whole = MakeBoard(config);
    const kel::board::Reply all = whole.Feed(input);
    CheckReply(all, input);
    CheckState(whole.State());

    // The same bytes in pieces of 1 to 16, sized by the bytes themselves.
    BoardModel pieces = MakeBoard(config);
    std::string joined;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = std::min<std::size_t>(1 + data[at] % 16, size - at);
        const kel::board::BoardState before = pieces.State();
        joined += kel::board::Join(pieces.Feed(input.substr(at, length)));
        CheckGrowth(before, pieces.State());
        at += length;
    }
    Require(joined == kel::board::Join(all), "replies do not depend on how the bytes arrive");
    return 0;
}
