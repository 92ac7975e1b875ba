// SPDX-License-Identifier: GPL-3.0-or-later
// The exact bytes each subcommand and global setting puts on the wire, in both
// dialects, against the virtual board through a recording relay.

#include "CliRun.h"
#include "board/VirtualBoardHost.h"
#include "tests/support/PtyRelay.h"

#include <gtest/gtest.h>
#include <thread>

namespace kel::test {
namespace {

using namespace std::string_literals;

const std::string kBareHandshake = "kel\n\0kel connect\n\0kel enable_phy\n\0"s;
const std::string kBareDisconnect = "kel disconnect\n\0"s;
// Read after the handshake to name the board, unless --no-mac.
const std::string kBareMac = "kel get_mac\n\0"s;
const std::string kPrefixedHandshake =
    "kel\n\0netcmd lmac kel connect\n\0netcmd lmac kel enable_phy\n\0"s;

struct Case {
    std::vector<std::string> args; // after -p PATH
    std::string afterHandshake;    // every byte sent after it, the disconnect included
};

std::string SentBytes(PtyRelay& relay) {
    std::string sent;
    for (const PtyRelay::Run& run : relay.Transcript()) {
        if (run.fromPort)
            sent += run.bytes;
    }
    return sent;
}

// The disconnect waits for no answer, so it may still be on its way.
std::string SentBytesOnceSettled(PtyRelay& relay, std::size_t expectedSize) {
    for (int i = 0; i < 200 && SentBytes(relay).size() < expectedSize; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // nothing more may come
    return SentBytes(relay);
}

void ExpectWire(const std::string& model, const std::string& handshake, const Case& c) {
    board::VirtualBoardHost board;
    PtyRelay relay(board.SlavePath());
    std::vector<std::string> args{"-p", relay.SlavePath(), "-m", model};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string expected = handshake + c.afterHandshake;
    EXPECT_EQ(SentBytesOnceSettled(relay, expected.size()), expected);
}

TEST(CliWire, BareDialectSubcommands) {
    const Case cases[] = {
        {{"info"}, kBareMac + "kel get_freq_offset\n\0kel get_sdd_power all\n\0"s + kBareDisconnect},
        {{"--no-mac", "info"}, "kel get_freq_offset\n\0kel get_sdd_power all\n\0"s + kBareDisconnect},
        {{"--channel", "6", "--rate", "5.5", "--power", "-5", "tx-stop"},
         kBareMac + "kel channel 2GHZ 6\nkel rate -m 1 -r 5.5\nkel power_level -5\nkel tx_stop\n" +
             kBareDisconnect},
        {{"tx", "--length", "1024", "--count", "5", "--full-duty", "--seconds", "0.01"},
         kBareMac + "kel tx -n 5 -l 1024 -f\nkel tx_stop\n" + kBareDisconnect},
        // Left running: the board stays in test mode, so no disconnect.
        {{"tx"}, kBareMac + "kel tx\n"},
        {{"tone", "--seconds", "0.01"}, kBareMac + "kel tone\nkel tone_stop\n" + kBareDisconnect},
        {{"rx", "--seconds", "0.01", "--sent", "10"},
         kBareMac + "kel rx\nkel rx_stop\n" + kBareDisconnect},
        {{"freq-offset", "set", "12"}, kBareMac + "kel set_freq_offset 12\n" + kBareDisconnect},
        {{"freq-offset", "save", "+7"},
         kBareMac + "kel set_sdd_freq_offset +7\n" + kBareDisconnect},
        {{"sdd-power", "set", "10", "11", "12"},
         kBareMac + "kel set_sdd_power all 10 11 12\n" + kBareDisconnect},
        // Each address where get_mac reads it back, then read back: no
        // reading of its own before.
        {{"mac", "set", "--bssid", "02:00:00:00:00:03", "--source", "02:00:00:00:00:01", "--dest",
          "02:00:00:00:00:02"},
         "kel set_mac -d 02:00:00:00:00:02 -s 02:00:00:00:00:01 -t 02:00:00:00:00:03\n"
         "kel get_mac\n\0"s +
             kBareDisconnect},
        {{"supply", "dcdc", "--yes"},
         kBareMac + "gpio config pa23 m=2 p=1 l=1\nprcm set_top_ldo 1.4\n" + kBareDisconnect},
        {{"send", "kel get_mac"}, kBareMac + "kel get_mac\n" + kBareDisconnect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ExpectWire("QB202", kBareHandshake, c);
    }
}

TEST(CliWire, PrefixedDialectSubcommands) {
    const Case cases[] = {
        // No disconnect command in this dialect, and nothing of calibration.
        {{"info"}, "netcmd lmac kel get_mac\n\0"s},
        // The tone rides on a continuous TX at 65 Mbit/s; stopping it stops both.
        {{"--no-mac", "tone", "--seconds", "0.01"},
         "netcmd lmac kel rate -m 5 -r 65.0\nnetcmd lmac kel tx\nnetcmd lmac kel tone\n"
         "netcmd lmac kel tone_stop\nnetcmd lmac kel tx_stop\n"},
        {{"mac", "get"}, "netcmd lmac kel get_mac\n\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        ExpectWire("QB102", kPrefixedHandshake, c);
    }
}

} // namespace
} // namespace kel::test
