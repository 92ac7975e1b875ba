// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A wire between a port under test and a board device, with a transcript:
// the port opens SlavePath(), the relay passes each byte on to the board's
// device and each of its bytes back, and notes what crossed in which
// direction, in the order it crossed.

#include "TestPty.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kel::test {

class PtyRelay {
public:
    explicit PtyRelay(const std::string& boardDevice);
    ~PtyRelay();
    PtyRelay(const PtyRelay&) = delete;
    PtyRelay& operator=(const PtyRelay&) = delete;

    const std::string& SlavePath() const { return pty_.slavePath; }

    // Bytes of one direction in a row, with the direction.
    struct Run {
        bool fromPort;
        std::string bytes;
        // When the relay read its first byte and passed on its last.
        std::chrono::steady_clock::time_point firstAt{};
        std::chrono::steady_clock::time_point lastAt{};
        bool operator==(const Run& other) const {
            return fromPort == other.fromPort && bytes == other.bytes;
        }
    };
    std::vector<Run> Transcript();
    // For each command that followed a reply: from the reply's last byte
    // passed to the port to the command's first byte read back.
    std::vector<std::chrono::nanoseconds> ReplyToCommandGaps();
    // Every byte the port sent, once it ends with `last` (a command the port
    // waits for no answer to may still be on its way) or the time is up.
    std::string SentEndingWith(std::string_view last,
                               std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    void Pump(std::stop_token stop);
    bool Pass(int from, int to, bool fromPort);

    TestPty pty_;
    int board_ = -1;
    std::mutex mutex_;
    std::vector<Run> runs_;
    std::jthread pump_;
};

} // namespace kel::test
