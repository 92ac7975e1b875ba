// Figures of the command exchange over a real pseudo-terminal with the real
// 70 ms read slice: one whole exchange, the reading rate on a flowing line,
// and what one give-up on a silent line costs in processor time.

#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void OneExchange() {
    constexpr int kRuns = 30;
    kel::test::PtyConnection link(2, kel::ReadWatchdog::kSlice);
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        link.peer.ScriptReplies({kel::kCmdOk}); // 16 bytes with its line feed
        const auto start = Clock::now();
        if (kel::ConnectDevice(link.ctx) != kel::kResultOk) {
            std::printf("exchange failed\n");
            return;
        }
        ms.push_back(SecondsSince(start) * 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("one exchange (13-byte command, 16-byte reply): mean %.2f ms, median %.2f ms, "
                "min %.2f ms, max %.2f ms over %d runs\n",
                sum / kRuns, ms[kRuns / 2], ms.front(), ms.back(), kRuns);
}

void FlowingLine() {
    constexpr int kLines = 40;
    const std::string line = std::string(79, 'r') + "\n";
    kel::test::PtyConnection link(2, kel::ReadWatchdog::kSlice);
    std::jthread board([&] {
        for (int i = 0; i < kLines; ++i)
            link.peer.Send(line); // blocks while the pty buffer is full
    });
    char buffer[kel::kReplyBufferSize];
    std::size_t bytes = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kLines; ++i) {
        if (kel::ReadReplyLine(link.ctx, buffer, kel::kLineLimit) != kel::kResultOk) {
            std::printf("flowing line: reader gave up\n");
            return;
        }
        bytes += line.size();
    }
    const double seconds = SecondsSince(start);
    std::printf("flowing line through ReadReplyLine: %zu bytes in %.2f s = %.0f bytes/s\n", bytes,
                seconds, static_cast<double>(bytes) / seconds);
}

void SilentGiveUp() {
    kel::test::PtyConnection link(2, kel::ReadWatchdog::kSlice);
    char buffer[kel::kReplyBufferSize];
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    const int result = kel::ReadReplyLine(link.ctx, buffer, kel::kLineLimit);
    const double wall = SecondsSince(start);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::printf("give-up on a silent line (limit %d, result %d): %.2f s wall, %.2f s process "
                "CPU (%.0f%% of one core)\n",
                kel::kLineLimit, result, wall, cpu, 100.0 * cpu / wall);
}

} // namespace

int main() {
    OneExchange();
    FlowingLine();
    SilentGiveUp();
    return 0;
}
