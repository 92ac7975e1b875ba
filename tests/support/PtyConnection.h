// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A port opened on a scripted pseudo-terminal peer, its read watchdog and a
// string log pane: what a protocol test needs to run command functions.
// Members are destroyed in reverse order, so the watchdog stops before the
// port goes and the port closes before the peer.

#include "protocol/CommandContext.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"
#include "tests/support/PtyPeer.h"

#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace kel::test {

struct PtyConnection {
    // A short slice keeps give-up paths fast; pass ReadWatchdog::kSlice for the real one.
    explicit PtyConnection(int chipModel = 2,
                           std::chrono::milliseconds slice = std::chrono::milliseconds(5),
                           std::uint32_t baud = 115200)
        : watchdog(port, slice), ctx(port, chipModel) {
        if (port.Open(peer.SlavePath(), baud) != 0)
            throw std::runtime_error("cannot open " + peer.SlavePath());
    }

    PtyPeer peer;
    SerialPort port;
    ReadWatchdog watchdog;
    StringLogContext ctx;
};

} // namespace kel::test
