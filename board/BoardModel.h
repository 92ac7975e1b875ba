#pragma once
// The RF test firmware as a byte machine: command bytes in, reply bytes out.
// Both dialects ("netcmd lmac kel ..." and "kel ..."), the handshake, the RF
// test, calibration, SDD and supply commands. No I/O and no clock of its own
// beyond the injectable one the RX counters use, so it is tested directly.

#include "board/BoardState.h"

#include <chrono>
#include <cstddef>
#include <functional>
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
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Options {
        // Every command but the driver probe is answered "Sending CMD error!"
        // and changes nothing: a firmware that refuses its test mode.
        bool refuseCommands = false;
        // Time source of the RX packet counters; steady_clock when empty.
        Clock clock;
    };

    // Longer command lines are dropped and answered as unknown.
    static constexpr std::size_t kMaxLineLength = 512;

    BoardModel() : BoardModel(Options{}) {}
    explicit BoardModel(Options options);

    // Takes what the client wrote and returns the replies of every command
    // line it completed. A line ends at a line feed, a carriage return or
    // both; NUL bytes between lines are dropped.
    Reply Feed(std::string_view bytes);

    // Answers one command line, given without its line end.
    Reply HandleLine(std::string_view line);

    const BoardState& State() const { return state_; }
    // For tests and demos that start from a particular board.
    BoardState& MutableState() { return state_; }

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
    RxCounters CountRxPackets() const;

    static const Command kCommands[];

    Options options_;
    BoardState state_;
    std::string pending_;
    bool overlong_ = false;
    bool lastWasCr_ = false;
};

// Packets an RX test of the given length has counted: a steady stream with a
// few aborted and a few corrupted frames.
RxCounters CountRxPackets(std::chrono::milliseconds elapsed);

// The power class of a rate: DSSS for mode 1, the 64QAM 5/6 class for 65 Mbit/s,
// the OFDM class for the rest.
int PowerClassOf(int mode, int rateTenths);

// True when the mode offers the rate (in tenths of Mbit/s).
bool IsKnownRate(int mode, int rateTenths);

} // namespace kel::board
