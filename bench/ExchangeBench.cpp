// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the line I/O with the real 70 ms read slice, each set against
// what the line itself allows: the virtual board paces its replies at the baud
// rate, so a reader that keeps up shows a ratio near 1.
//
//   kel-exchange-bench [BYTES]   BYTES: the size of the flowing line and of the
//                                SDD body (65536 when not given)

#include "bench/BenchClock.h"
#include "bench/ConnectExchange.h"
#include "board/SddFile.h"
#include "board/VirtualBoardHost.h"
#include "protocol/CommandExchange.h"
#include "protocol/SddDump.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "tests/support/PtyConnection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace kel::bench;
using kel::board::FaultKind;
using kel::board::FaultMode;

constexpr int kRuns = 30;

// Seconds the line needs for this many bytes: ten bits a byte.
double WireSeconds(std::size_t bytes, std::uint32_t baud) {
    return static_cast<double>(bytes) * 10.0 / baud;
}

// A port on the virtual board, with its watchdog and a string log pane.
struct BoardSession {
    explicit BoardSession(std::uint32_t baud, FaultMode fault = {}) : board(fault) {
        if (port.Open(board.SlavePath(), baud) != 0) {
            std::printf("cannot open the virtual board at %s\n", board.SlavePath().c_str());
            std::exit(1);
        }
    }
    // Probe, connect, enable_phy: what the board needs before the SDD commands.
    bool Handshake() {
        return kel::ProbeDriver(ctx) == kel::kResultOk &&
               kel::ConnectDevice(ctx) == kel::kResultOk &&
               kel::EnablePhy(ctx, powerText) == kel::kResultOk;
    }
    // Makes the board's SDD file about `bytes` long with comment lines.
    void GrowSddFile(std::size_t bytes) {
        const std::string line = "# " + std::string(61, 'n') + "\n";
        std::string notes;
        while (notes.size() + line.size() <= bytes)
            notes += line;
        board.ModifyState([&](kel::board::BoardState& s) { s.sddNotes = notes; });
    }

    kel::board::VirtualBoardHost board;
    kel::SerialPort port;
    kel::ReadWatchdog watchdog{port};
    kel::StringLogContext ctx{port, 2};
    std::string powerText;
};

void BarePtyExchange() {
    kel::test::PtyConnection link(2, kel::ReadWatchdog::kSlice);
    const std::vector<double> ms = ConnectExchangeMs(link, kRuns);
    if (ms.empty()) {
        std::printf("bare pty exchange failed\n");
        return;
    }
    std::printf("exchange on a bare pty (13-byte command, 16-byte reply): overhead %.3f ms "
                "median, %.3f ms max (the pty costs nothing; target <= 0.3 ms)\n",
                Median(ms), Max(ms));
}

void BoardExchange(std::uint32_t baud) {
    BoardSession session(baud);
    const double wire = WireSeconds(sizeof "kel connect\n" + std::strlen(kel::kCmdOk), baud);
    std::vector<double> seconds;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        if (kel::ConnectDevice(session.ctx) != kel::kResultOk) {
            std::printf("exchange with the virtual board failed\n");
            return;
        }
        seconds.push_back(SecondsSince(start));
    }
    std::printf("exchange with the virtual board at %u bit/s: %.2f ms median = %.2f x the wire "
                "time of command and reply (%.2f ms; target <= 1.2)\n",
                baud, Median(seconds) * 1000, Median(seconds) / wire, wire * 1000);
}

void FlowingLine(std::uint32_t baud, std::size_t bytes, double target) {
    BoardSession session(baud);
    if (!session.Handshake()) {
        std::printf("flowing line: handshake failed\n");
        return;
    }
    session.GrowSddFile(bytes);
    if (kel::get_sdd_file(session.ctx) != kel::kResultOk)
        return;
    // Every line of the dump through the line reader, up to its OK line.
    char buffer[kel::kReplyBufferSize];
    std::size_t read = 0;
    const auto start = Clock::now();
    do {
        if (kel::ReadReplyLine(session.ctx, buffer, kel::kLineLimit) != kel::kResultOk) {
            std::printf("flowing line at %u bit/s: reader gave up after %zu bytes\n", baud, read);
            return;
        }
        read += std::strlen(buffer);
    } while (!kel::LineIs(buffer, kel::kCmdOk));
    const double seconds = SecondsSince(start);
    std::printf("flowing line through ReadReplyLine at %u bit/s: %zu bytes in %.3f s = %.3f of "
                "the line rate (target >= %.2f)\n",
                baud, read, seconds, WireSeconds(read, baud) / seconds, target);
}

void SddDumpOf(std::uint32_t baud, std::size_t bytes) {
    BoardSession session(baud);
    if (!session.Handshake()) {
        std::printf("SDD dump: handshake failed\n");
        return;
    }
    session.GrowSddFile(bytes);
    const std::size_t body = kel::board::BuildSddFile(session.board.State()).size();
    const std::string lines = "sdd file length:" + std::to_string(body) +
                              "\nbegin dump sdd file\nend dump sdd file\nSending CMD OK!\n";
    const double wire = WireSeconds(body + lines.size(), baud);
    const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const auto start = Clock::now();
    const bool sent = kel::get_sdd_file(session.ctx) == kel::kResultOk;
    const int result = sent ? kel::ReadSddDump(session.ctx, sink) : kel::kResultFailed;
    const double seconds = SecondsSince(start);
    close(sink);
    std::printf("SDD dump of a %zu-byte body at %u bit/s (result %d): %.2f s = %.2f x its wire "
                "time (%.2f s; target <= 1.2)\n",
                body, baud, result, seconds, seconds / wire, wire);
}

void SilentWaitCpu() {
    BoardSession session(115200, FaultMode{FaultKind::Silent});
    char buffer[kel::kReplyBufferSize];
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    const int result = kel::ReadReplyLine(session.ctx, buffer, kel::kLineLimit);
    const double wall = SecondsSince(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::printf("read waiting on a silent line (limit %d, result %d, gave up after %.2f s): "
                "%.3f %% of one core (target <= 1 %%)\n",
                kel::kLineLimit, result, wall, 100.0 * cpu / wall);
}

void IdleCpu() {
    BoardSession session(115200);
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double wall = SecondsSince(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::printf("connected and idle, watchdog running: %.3f %% of one core (target <= 0.1 %%)\n",
                100.0 * cpu / wall);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 65536;
    BarePtyExchange();
    BoardExchange(115200);
    FlowingLine(115200, bytes, 0.95);
    FlowingLine(3000000, bytes, 0.50);
    SddDumpOf(115200, bytes);
    SilentWaitCpu();
    IdleCpu();
    return 0;
}
