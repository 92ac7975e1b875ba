// SPDX-License-Identifier: GPL-3.0-or-later
#include "CatalogueTestSupport.h"
#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <functional>
#include <gtest/gtest.h>

namespace kel {
namespace {

using namespace std::chrono_literals;

std::string WithNul(const char* text) {
    return std::string(text) + '\0';
}

int RunEnablePhy(CommandContext& ctx) {
    std::string power;
    return EnablePhy(ctx, power);
}

TEST(CommandExchangeHandshake, WritesTheExactBytesOfEachDialect) {
    const test::WriteCase cases[] = {
        {"probe row 0", 0, ProbeDriver, WithNul("kel\n"), 5, kDriverReady},
        {"probe row 3", 3, ProbeDriver, WithNul("kel\n"), 5, kDriverReady},
        {"connect row 0", 0, ConnectDevice, WithNul("netcmd lmac kel connect\n"), 25, kCmdOk},
        {"connect row 1", 1, ConnectDevice, WithNul("netcmd lmac kel connect\n"), 25, kCmdOk},
        {"connect row 2", 2, ConnectDevice, WithNul("kel connect\n"), 13, kCmdOk},
        {"enable_phy row 1", 1, RunEnablePhy, WithNul("netcmd lmac kel enable_phy\n"), 28, kCmdOk},
        {"enable_phy row 3", 3, RunEnablePhy, WithNul("kel enable_phy\n"), 16, kCmdOk},
        {"disconnect row 2", 2, DisconnectDevice, WithNul("kel disconnect\n"), 16, ""},
        {"disconnect row 0", 0, DisconnectDevice, "", 0, ""},
    };
    for (const test::WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.bytes.size(), c.byteCount);
        test::PtyConnection link(c.chipModel);
        link.peer.ScriptReplies({c.reply});
        EXPECT_EQ(c.run(link.ctx), kResultOk);
        std::this_thread::sleep_for(20ms); // anything written late would show
        EXPECT_EQ(link.peer.Received(), c.bytes);
        // The echo shows the text without its NUL.
        const std::size_t shown = c.byteCount ? c.byteCount - 1 : 0;
        EXPECT_EQ(link.ctx.log.substr(0, shown), c.bytes.substr(0, shown));
    }
}

TEST(CommandExchangeHandshake, NoChipModelWritesAndLogsNothing) {
    test::PtyConnection link(-1);
    std::string power = "5";
    test::ExpectNothingWithoutChipModel(link, {ProbeDriver, ConnectDevice,
                                               [&](auto& c) { return EnablePhy(c, power); },
                                               DisconnectDevice});
    EXPECT_EQ(power, "5");
}

TEST(CommandExchangeHandshake, DialectFollowsTheChipModel) {
    EXPECT_EQ(DialectPrefix(0), "netcmd lmac kel ");
    EXPECT_EQ(DialectPrefix(1), "netcmd lmac kel ");
    EXPECT_EQ(DialectPrefix(2), "kel ");
    EXPECT_EQ(DialectPrefix(3), "kel ");
    EXPECT_EQ(DialectPrefix(-1), "");
    EXPECT_EQ(DialectPrefix(4), ""); // no such row: treated as none chosen
}

TEST(CommandExchangeHandshake, ProbeSkipsOtherLines) {
    test::PtyConnection link(0);
    link.peer.ScriptReplies({"boot\nnoise line\nSending CMD OK!\nkel driver is ready!\n"});
    EXPECT_EQ(ProbeDriver(link.ctx), kResultOk);
    EXPECT_EQ(link.ctx.log,
              "kel\nboot\r\nnoise line\r\nSending CMD OK!\r\nkel driver is ready!\r\n");
}

TEST(CommandExchangeHandshake, ProbeGivesUpOnASilentBoard) {
    test::PtyConnection link(2);
    EXPECT_EQ(ProbeDriver(link.ctx), kResultFailed);
    EXPECT_EQ(link.ctx.log, "kel\n");
}

TEST(CommandExchangeHandshake, UnwrittenCommandFailsWithoutReading) {
    test::PtyConnection link(2);
    link.port.Close();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ConnectDevice(link.ctx), kResultFailed);
    EXPECT_EQ(DisconnectDevice(link.ctx), kResultFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
}

struct PowerCase {
    const char* reply;
    int result;
    const char* power;
};

TEST(CommandExchangeHandshake, EnablePhyTakesThePowerText) {
    const PowerCase cases[] = {
        {"power level:20\nSending CMD OK!\n", kResultOk, "20"},
        {"power level: 7\nSending CMD OK!\n", kResultOk, " 7"},
        {"power level:\nSending CMD OK!\n", kResultOk, ""},
        {"power level:1\npower level:2\nSending CMD OK!\n", kResultOk, "2"},
        {"Power level:9\nSending CMD OK!\n", kResultOk, "old"},
        {"power level\nSending CMD OK!\n", kResultOk, "old"},
        {"power level:3\r\nSending CMD OK!\r\n", kResultOk, "3"},
        {"power level:11\n", kResultFailed, "11"}, // set before the reader gave up
    };
    for (const PowerCase& c : cases) {
        SCOPED_TRACE(c.reply);
        test::PtyConnection link(2);
        link.peer.ScriptReplies({c.reply});
        std::string power = "old";
        EXPECT_EQ(EnablePhy(link.ctx, power), c.result);
        EXPECT_EQ(power, c.power);
    }
}

} // namespace
} // namespace kel
