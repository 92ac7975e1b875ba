// SPDX-License-Identifier: GPL-3.0-or-later
// kel-instrument-bench: one SCPI query's round trip on loopback to the
// virtual bench, through our session (with its trace hook, terminator
// search and number reading) and through a bare socket doing the least a
// client can; the difference is what our layer costs per query.

#include "bench/BenchClock.h"
#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ScpiSession.h"
#include "instrument/TcpTransport.h"

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using kel::bench::Clock;

constexpr int kQueries = 5000;

double Milliseconds(Clock::time_point start) {
    return kel::bench::SecondsSince(start) * 1e3;
}

// The same query on a plain blocking socket: write, read until the line feed.
std::vector<double> BareRoundTrips(int port, const std::string& query) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string line = query + "\n";
    std::vector<double> times;
    for (int i = 0; i < kQueries; ++i) {
        const auto start = Clock::now();
        [[maybe_unused]] const ssize_t sent = send(fd, line.data(), line.size(), 0);
        char buffer[256];
        for (ssize_t got = 0; got <= 0 || buffer[got - 1] != '\n';)
            got = recv(fd, buffer, sizeof buffer, 0);
        times.push_back(Milliseconds(start));
    }
    close(fd);
    return times;
}

void Print(const char* what, const std::vector<double>& times) {
    std::printf("%-44s median %.3f ms, max %.3f ms (%d queries)\n", what, kel::bench::Median(times),
                kel::bench::Max(times), kQueries);
}

} // namespace

int main() {
    kel::board::BoardTray tray(kel::board::TrayConfigs(1));
    kel::board::InstrumentServer server(tray, 0, "kelGuiTool,Bench,0,1");
    tray.ModifyState(0, [](kel::board::BoardState& s) { s.txRunning = true; });
    std::string why;
    kel::instrument::ScpiSession session(
        std::make_unique<kel::instrument::TcpTransport>(
            *kel::instrument::ParseInstrumentUrl(server.Url(), why)),
        {});
    session.Connect();
    session.Command("ROUT:CLOS (@1)");
    session.SetTrace([](bool, std::string_view) {});

    std::vector<double> ours, measured;
    for (int i = 0; i < kQueries; ++i) {
        const auto start = Clock::now();
        session.Query("*OPC?");
        ours.push_back(Milliseconds(start));
    }
    for (int i = 0; i < kQueries; ++i) {
        const auto start = Clock::now();
        session.QueryNumber("MEAS:POW?");
        measured.push_back(Milliseconds(start));
    }
    const std::vector<double> bare = BareRoundTrips(server.Port(), "*OPC?");
    Print("*OPC? through ScpiSession:", ours);
    Print("*OPC? on a bare socket:", bare);
    Print("MEAS:POW? as a number through ScpiSession:", measured);
    std::printf("overhead of the session per query: %.1f us median (target <= 200 us)\n",
                (kel::bench::Median(ours) - kel::bench::Median(bare)) * 1e3);
    return 0;
}
