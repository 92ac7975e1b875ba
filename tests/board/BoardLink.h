// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A virtual board host with the real serial port, read watchdog and a string
// log pane connected to it: the console's side of the line, for tests.
// Members go in reverse order: the watchdog stops before the port closes,
// the port closes before the host goes.

#include "board/VirtualBoardHost.h"
#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"
#include "serial/ReadWatchdog.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>

namespace kel::test {

// Give-up paths cost one slice per attempt: fault tests use a short one.
inline constexpr std::chrono::milliseconds kShortSlice{5};

struct BoardLink {
    explicit BoardLink(int chipModel, board::FaultMode fault = {},
                       std::chrono::milliseconds slice = ReadWatchdog::kSlice,
                       std::uint32_t baud = 115200)
        : host(fault), watchdog(port, slice), ctx(port, chipModel) {
        if (host.SlavePath().empty())
            throw std::runtime_error("no pseudo-terminal: " + host.Error());
        if (port.Open(host.SlavePath(), baud) != 0)
            throw std::runtime_error("cannot open " + host.SlavePath());
    }

    board::VirtualBoardHost host;
    SerialPort port;
    ReadWatchdog watchdog;
    StringLogContext ctx;
};

// Probe, connect and enable_phy, as the console connects; power gets the
// power level enable_phy reports.
inline void Handshake(BoardLink& link, std::string& power) {
    ASSERT_EQ(ProbeDriver(link.ctx), kResultOk);
    ASSERT_EQ(ConnectDevice(link.ctx), kResultOk);
    ASSERT_EQ(EnablePhy(link.ctx, power), kResultOk);
}

// The host answers on its own thread; a command that reads no reply
// (disconnect) lands a moment later.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace kel::test
