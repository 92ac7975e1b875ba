// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole exchanges timed on a scripted pseudo-terminal: "kel connect" written,
// its OK line read back.

#include "bench/BenchClock.h"
#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <vector>

namespace kel::bench {

// The milliseconds each of `runs` exchanges took; empty when one failed.
inline std::vector<double> ConnectExchangeMs(test::PtyConnection& link, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        link.peer.ScriptReplies({kCmdOk});
        const auto start = Clock::now();
        if (ConnectDevice(link.ctx) != kResultOk)
            return {};
        ms.push_back(SecondsSince(start) * 1000.0);
    }
    return ms;
}

} // namespace kel::bench
