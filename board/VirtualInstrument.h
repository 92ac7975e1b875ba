// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The virtual bench's instrument: a frequency counter, a power meter, a
// signal generator and an RF switch in one box, answering SCPI as a LAN
// instrument does, coupled to the boards of a tray. Route N (1 to the tray's
// size, in the order of its boards) connects it to board N - 1:
//  - the counter reads the board's tone at the channel centre times the
//    crystal's error at its live trim code, with a little noise;
//  - the meter reads the board's TX (or tone) power for its level and rate class;
//  - the generator's level, with its output on, is what the routed board
//    hears, and a triggered burst is what its RX counters count.
// Nothing to measure gives 9.91E37 and an entry in the error queue.
//
// Not thread-safe: the server's one thread drives it.

#include "board/BenchPhysics.h"
#include "board/ScpiHeader.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kel::board {

class BoardTray;

class VirtualInstrument {
public:
    // identity is the *IDN? reply.
    VirtualInstrument(BoardTray& tray, std::string identity);

    // The reply to one line (its queries' answers joined by ';'), or
    // nothing when the line held no query.
    std::optional<std::string> HandleLine(std::string_view line);

    // The board routed to (0-based), if any.
    std::optional<std::size_t> RoutedBoard() const { return routed_; }
    const BenchCharacter& Character(std::size_t board) const { return characters_.at(board); }

private:
    std::optional<std::string> Handle(const ScpiCommand& command);
    std::optional<std::string> HandleCommon(const ScpiCommand& command);
    std::optional<std::string> HandleRoute(const ScpiCommand& command);
    std::optional<std::string> HandleMeasure(const ScpiCommand& command);
    std::optional<std::string> HandleSource(const ScpiCommand& command);
    void Trigger();
    std::string MeasureFrequency();
    std::string MeasurePower();
    // The generator's state to the routed board: its level while the output is on.
    void CoupleGenerator(std::optional<std::size_t> previous);
    void PushError(int code, std::string_view text);
    std::string NoValue(std::string_view why);

    BoardTray& tray_;
    std::string identity_;
    std::vector<BenchCharacter> characters_;
    std::mt19937_64 noise_;
    std::deque<std::string> errors_;

    std::optional<std::size_t> routed_;
    double generatorHz_ = 2437e6;
    double generatorDbm_ = -60.0;
    bool outputOn_ = false;
    std::int64_t burstCount_ = 1;
};

} // namespace kel::board
