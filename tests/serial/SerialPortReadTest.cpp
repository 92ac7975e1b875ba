// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/HangUpWatch.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "tests/support/PtyPeer.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace kel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Does `act` from another thread a moment after the read that follows has
// begun to wait.
std::jthread Soon(std::function<void()> act) {
    return std::jthread([act = std::move(act)] {
        std::this_thread::sleep_for(50ms);
        act();
    });
}

class SerialPortRead : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(port.Open(peer.SlavePath(), 115200), 0); }

    // One attempt as the line reader makes it: the flag cleared, then a read.
    int Attempt(std::uint8_t& byte) {
        port.timedOut = 0;
        return port.ReadByte(&byte);
    }

    test::PtyPeer peer;
    SerialPort port;
};

TEST_F(SerialPortRead, ByteAlreadyQueuedComesWithTheFirstAttempt) {
    ReadWatchdog watchdog(port, 5ms);
    peer.Send("A");
    std::this_thread::sleep_for(20ms);
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), 0);
    EXPECT_EQ(byte, 'A');
}

TEST_F(SerialPortRead, SilentLineEndsWithTheSlice) {
    ReadWatchdog watchdog(port, 10ms);
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(Attempt(byte), -2);
    EXPECT_GE(MsSince(start), 9.0);
    EXPECT_LT(MsSince(start), 2000.0);
}

TEST_F(SerialPortRead, RealSliceIsAboutSeventyMillisecondsHoweverOftenCleared) {
    ReadWatchdog watchdog(port); // the real slice
    // Clearing again while the slice runs must not lengthen it: were it to,
    // this read would last as long as the clearing, a second.
    std::jthread clearer([&](std::stop_token stop) {
        for (int i = 0; i < 50 && !stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(20ms);
            port.timedOut = 0;
        }
    });
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(Attempt(byte), -2);
    const double ms = MsSince(start);
    EXPECT_GE(ms, 65.0);
    EXPECT_LT(ms, 700.0);
}

TEST_F(SerialPortRead, FlagAlreadySetReadsNothing) {
    peer.Send("Z");
    std::this_thread::sleep_for(20ms);
    std::uint8_t byte = 0;
    port.timedOut = 1;
    EXPECT_EQ(port.ReadByte(&byte), -2);
    EXPECT_EQ(byte, 0);
    ReadWatchdog watchdog(port, 5ms);
    EXPECT_EQ(Attempt(byte), 0); // the byte is still queued
    EXPECT_EQ(byte, 'Z');
}

TEST_F(SerialPortRead, ByteArrivingMidSliceIsReturned) {
    ReadWatchdog watchdog(port, 2000ms);
    std::jthread sender = Soon([&] { peer.Send("q"); });
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), 0);
    EXPECT_EQ(byte, 'q');
}

TEST_F(SerialPortRead, RawLineKeepsEveryByte) {
    ReadWatchdog watchdog(port, 5ms);
    // Carriage returns, ^C, DEL, XOFF and NUL pass untouched in both directions.
    const std::string bytes("a\r\n\x03\x7f\x13\0\xff", 8);
    peer.Send(bytes);
    std::string got;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint8_t byte = 0;
        ASSERT_EQ(Attempt(byte), 0) << "byte " << i;
        got += static_cast<char>(byte);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(port.Write(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(peer.WaitReceived(bytes.size()), bytes);
}

TEST_F(SerialPortRead, HangUpMidReadFails) {
    // No watchdog: only the hang-up can end this read.
    std::jthread hangUp = Soon([&] { peer.HangUp(); });
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), -1);
    EXPECT_EQ(port.ReadByteRetry(&byte), -1);
    const char cmd[] = "kel\n";
    EXPECT_EQ(port.Write(cmd, sizeof cmd), 0u);
    EXPECT_TRUE(port.HungUp());
    port.Close();
    EXPECT_FALSE(port.HungUp());
}

TEST_F(SerialPortRead, LineHangUpWithTheNodeStillThereFails) {
    if (geteuid() != 0)
        GTEST_SKIP() << "TIOCVHANGUP needs root";
    std::jthread hangUp = Soon([&] {
        const int fd = open(peer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return;
        ioctl(fd, TIOCVHANGUP);
        close(fd);
    });
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), -1);
}

// The idle console's watch: a stopped watch never calls back, bytes coming in
// wake nobody and stay for the reader, the hang-up calls back once.
TEST_F(SerialPortRead, HangUpWatchWakesForTheHangUpAloneAndLeavesTheBytes) {
    std::atomic<int> stoppedCalls{0};
    std::atomic<int> hangUps{0};
    {
        HangUpWatch stopped(port.handle, [&] { ++stoppedCalls; });
    }
    HangUpWatch watch(port.handle, [&] { ++hangUps; });
    ReadWatchdog watchdog(port, 2000ms);
    peer.Send("A");
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), 0);
    EXPECT_EQ(byte, 'A');
    EXPECT_EQ(hangUps.load(), 0);

    peer.HangUp();
    const auto start = Clock::now();
    while (hangUps.load() == 0 && Clock::now() - start < 5s)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(hangUps.load(), 1);
    EXPECT_EQ(stoppedCalls.load(), 0);
}

TEST_F(SerialPortRead, QueuedBytesComeBackToBack) {
    ReadWatchdog watchdog(port, 2000ms);
    const std::string bytes(600, 'b');
    peer.Send(bytes);
    std::this_thread::sleep_for(20ms);
    const auto start = Clock::now();
    std::uint8_t byte = 0;
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(Attempt(byte), 0);
        ASSERT_EQ(port.ReadByteRetry(&byte), 0);
    }
    // A pause after a byte that came would cost 300 x (1 + 10) ms.
    EXPECT_LT(MsSince(start), 300.0);
}

TEST_F(SerialPortRead, RetryReaderGivesUpAfterFortyEmptyAttempts) {
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadByteRetry(&byte), -1);
    EXPECT_GE(MsSince(start), 400.0); // a 10 ms pause after each
    EXPECT_LT(MsSince(start), 5000.0);
}

TEST_F(SerialPortRead, CancelEndsAWaitAtOnceAndHoldsUntilCleared) {
    // No watchdog: only the cancel can end this read.
    std::jthread canceller = Soon([&] { port.RequestCancel(); });
    std::uint8_t byte = 0;
    auto start = Clock::now();
    EXPECT_EQ(Attempt(byte), -1);
    EXPECT_LT(MsSince(start), 1000.0);
    canceller.join();

    peer.Send("c");
    start = Clock::now();
    EXPECT_EQ(port.ReadByte(&byte), -1);
    EXPECT_EQ(port.ReadByteRetry(&byte), -1);
    EXPECT_EQ(port.Write("kel\n", 4), 0u);
    EXPECT_LT(MsSince(start), 300.0);
    EXPECT_FALSE(port.HungUp());

    port.ClearCancel();
    EXPECT_EQ(port.ReadByteRetry(&byte), 0);
    EXPECT_EQ(byte, 'c');
    EXPECT_EQ(port.Write("kel\n", 4), 4u);
}

TEST_F(SerialPortRead, WaitTickRunsWhileNoByteComes) {
    std::atomic<int> ticks = 0;
    port.SetWaitTick([&] { ++ticks; });
    ReadWatchdog watchdog(port, 100ms);
    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(Attempt(byte), -2);
    EXPECT_GE(ticks.load(), 2);
    // At display rate, not every millisecond.
    EXPECT_LE(ticks.load(), MsSince(start) / 10.0 + 2);
}

TEST_F(SerialPortRead, WritesExactBytesAndNothingWhenClosed) {
    const char cmd[] = "kel connect\n"; // with its NUL: 13 bytes
    EXPECT_EQ(port.Write(cmd, sizeof cmd), 13u);
    EXPECT_EQ(peer.WaitReceived(13), std::string(cmd, 13));
    port.Close();
    EXPECT_EQ(port.Write(cmd, sizeof cmd), 0u);
    std::uint8_t byte = 0;
    EXPECT_EQ(Attempt(byte), -1);
}

TEST_F(SerialPortRead, LargeWriteIsWrittenWhole) {
    const std::string big(20000, 'w'); // more than the pty buffers at once
    EXPECT_EQ(port.Write(big.data(), big.size()), big.size());
    EXPECT_EQ(peer.WaitReceived(big.size()).size(), big.size());
}

TEST(ReadWatchdog, StopCutsASliceShortAndLeavesTheFlag) {
    SerialPort port;
    ReadWatchdog watchdog(port, 10s);
    port.timedOut = 0;
    std::this_thread::sleep_for(20ms);
    const auto start = Clock::now();
    watchdog.Stop();
    EXPECT_LT(MsSince(start), 1000.0);
    EXPECT_EQ(port.timedOut.load(), 0);
    watchdog.Stop(); // twice is harmless
}

TEST(BusyWait, HoldsForTheTimeAsked) {
    const auto start = Clock::now();
    EXPECT_EQ(BusyWaitMs(5.0), 0);
    EXPECT_GE(MsSince(start), 5.0);
    EXPECT_EQ(BusyWaitMs(0.0), 0);
    EXPECT_EQ(BusyWaitMs(-3.0), 0);
}

} // namespace
} // namespace kel
