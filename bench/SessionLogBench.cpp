// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the session log: what recording one exchange costs, the rate at
// which it takes a reply read byte by byte, and one exchange over a real
// pseudo-terminal with and without the log.

#include "bench/BenchClock.h"
#include "bench/ConnectExchange.h"
#include "protocol/CommandExchange.h"
#include "serial/SessionLog.h"
#include "tests/support/PtyConnection.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace kel::bench;
namespace fs = std::filesystem;

const kel::SessionInfo kInfo{"bench", "0", "QB202", "/dev/pts/0", 115200};

void Receive(kel::SessionLog& log, const std::string& bytes) {
    for (const char c : bytes)
        log.Record(kel::Traffic::Received, reinterpret_cast<const std::uint8_t*>(&c), 1);
}

void RecordingCost(const fs::path& folder) {
    constexpr int kExchanges = 20000;
    const std::string command = "kel connect\n";
    const std::string reply = kel::kCmdOk;
    kel::SessionLog log;
    log.Open(folder, kInfo);
    const auto start = Clock::now();
    for (int i = 0; i < kExchanges; ++i) {
        log.Record(kel::Traffic::Sent, reinterpret_cast<const std::uint8_t*>(command.data()),
                   command.size());
        Receive(log, reply);
    }
    const double us = SecondsSince(start) * 1e6;
    log.Close();
    std::printf("recording one exchange (13-byte command, 16-byte reply, 2 lines written): "
                "%.2f us\n",
                us / kExchanges);

    const std::string line = std::string(79, 'r') + "\n";
    constexpr int kLines = 50000;
    log.Open(folder, kInfo);
    const auto flowStart = Clock::now();
    for (int i = 0; i < kLines; ++i)
        Receive(log, line);
    const double flowUs = SecondsSince(flowStart) * 1e6;
    log.Close();
    std::printf("recording a flowing reply byte by byte: %.1f MB/s\n",
                static_cast<double>(kLines) * static_cast<double>(line.size()) / flowUs);
}

// -1 when an exchange failed.
double MedianExchangeMs(kel::test::PtyConnection& link) {
    const std::vector<double> ms = ConnectExchangeMs(link, 30);
    return ms.empty() ? -1 : Median(ms);
}

void ExchangeWithAndWithoutLog(const fs::path& folder) {
    kel::test::PtyConnection link(2, kel::ReadWatchdog::kSlice);
    const double without = MedianExchangeMs(link);
    kel::SessionLog log;
    log.Open(folder, kInfo);
    link.port.SetTrafficTap([&log](kel::Traffic direction, const std::uint8_t* bytes,
                                   std::size_t count) { log.Record(direction, bytes, count); });
    const double with = MedianExchangeMs(link);
    link.port.SetTrafficTap({});
    std::printf("one exchange over a pty, median of 30: %.2f ms without the log, %.2f ms with it\n",
                without, with);
}

} // namespace

int main() {
    const fs::path folder = fs::temp_directory_path() / "kel-session-log-bench";
    RecordingCost(folder);
    ExchangeWithAndWithoutLog(folder);
    fs::remove_all(folder);
    return 0;
}
