// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The RF test firmware as a byte machine: command bytes in, reply bytes out.
// Both dialects ("netcmd lmac kel ..." and "kel ..."), the handshake, the RF
// test, calibration, SDD and supply commands, and a receiver that counts what
// a tester sends as its signal and sensitivity allow. No I/O and no clock of
// its own beyond the injectable one the RX counters use, and a random
// generator of its own seeded from the board's config, so it is tested
// directly and answers alike for the same seed and the same schedule.

#include "board/BoardCharacter.h"
#include "board/BoardConfig.h"
#include "board/BoardState.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel::board {

// Reply lines the board sends.
inline constexpr std::string_view kDriverReady = "kel driver is ready!\n";
inline constexpr std::string_view kCmdOk = "Sending CMD OK!\n";
inline constexpr std::string_view kAck200 = "<ACK> 200 OK\n";
inline constexpr std::string_view kCmdError = "Sending CMD error!\n";
inline constexpr std::string_view kAck400 = "<ACK> 400 Unknown command\n";

// One piece of a reply: a line ending in a line feed, or raw bytes (the SDD
// body) whose length was announced and which fault modes must not reshape.
struct ReplyPiece {
    std::string bytes;
    bool isLine = true;

    bool operator==(const ReplyPiece&) const = default;
};
using Reply = std::vector<ReplyPiece>;

// The concatenated bytes of a reply.
std::string Join(const Reply& reply);

class BoardModel {
public:
    // Longer command lines are dropped and answered as unknown.
    static constexpr std::size_t kMaxLineLength = 512;

    // The error fault makes every command but the driver probe answered
    // "Sending CMD error!" with nothing changed (a firmware that refuses its
    // test mode); weak-rx makes the receiver worse. Other faults are the
    // line's (FaultShaper).
    BoardModel() : BoardModel(BoardConfig{}) {}
    explicit BoardModel(BoardConfig config);

    // Takes what the client wrote and returns the replies of every command
    // line it completed. A line ends at a line feed, a carriage return or
    // both; NUL bytes between lines are dropped.
    Reply Feed(std::string_view bytes);

    // Answers one command line, given without its line end.
    Reply HandleLine(std::string_view line);

    // The bench's generator reaches the board at this level (nothing: it
    // stopped); the receiver counts what came before at the old signal.
    void HearGenerator(std::optional<double> levelDbm);
    // A burst of frames from the generator, counted while an RX test runs.
    void ReceiveBurst(std::int64_t frames);

    const BoardState& State() const { return state_; }
    // For tests and demos that start from a particular board.
    BoardState& MutableState() { return state_; }
    // What sets this board apart from its peers.
    const BoardCharacter& Character() const { return character_; }

private:
    using Args = std::span<const std::string_view>;
    using Handler = Reply (BoardModel::*)(Args);
    enum class Needs { Nothing, Connection, Phy };
    static constexpr int kAnyArgs = -1;
    struct Command {
        std::string_view word;
        Needs needs;
        int argCount; // a different count is refused before the handler runs
        Handler handler;
    };

    Reply HandleKelCommand(Args words);
    Reply HandleSupplyCommand(Args words);

    // A command that only switches one state flag and answers OK.
    template <bool BoardState::*flag, bool value> Reply Switch(Args);

    Reply EnablePhy(Args args);
    Reply Disconnect(Args args);
    Reply GetMac(Args args);
    Reply SetMac(Args args);
    Reply PowerLevel(Args args);
    Reply Tx(Args args);
    Reply Rx(Args args);
    Reply RxStop(Args args);
    Reply Channel(Args args);
    Reply Rate(Args args);
    Reply SetFreqOffset(Args args);
    Reply GetFreqOffset(Args args);
    Reply GetSddFreqOffset(Args args);
    Reply SetSddFreqOffset(Args args);
    Reply GetSddPower(Args args);
    Reply SetSddPower(Args args);
    Reply GetSddFile(Args args);
    // A frequency offset in range stored in field; Ack.
    Reply StoreFreqOffset(std::string_view text, int& field);

    int CurrentPowerClass() const;
    double RxLevelNow() const;
    // The chance that a frame is lost at the current rate, channel and level.
    double FrameLossChanceNow() const;
    // Brings the RX counters up to the frames sent by now.
    void CountRxFrames();
    void AddRxCounts(const RxCounters& more);

    static const Command kCommands[];

    BoardConfig config_;
    std::mt19937_64 generator_;
    BoardCharacter character_;
    BoardState state_;
    std::string pending_;
    bool overlong_ = false;
    bool lastWasCr_ = false;
};

// The power class of a rate: DSSS for mode 1, the 64QAM 5/6 class for 65 Mbit/s,
// the OFDM class for the rest.
int PowerClassOf(int mode, int rateTenths);

// True when the mode offers the rate (in tenths of Mbit/s).
bool IsKnownRate(int mode, int rateTenths);

} // namespace kel::board
