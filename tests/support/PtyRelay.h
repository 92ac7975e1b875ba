// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A wire between a port under test and a board device, with a transcript:
// the port opens SlavePath(), the relay passes each byte on to the board's
// device and each of its bytes back, and notes what crossed in which
// direction, in the order it crossed.

#include "TestPty.h"

#include <cstdint>
#include <mutex>
#include <string>
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
        bool operator==(const Run&) const = default;
    };
    std::vector<Run> Transcript();

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
