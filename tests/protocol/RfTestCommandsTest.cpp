// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/RfTestCommands.h"

#include "CatalogueTestSupport.h"

#include <functional>
#include <thread>

namespace kel::test {
namespace {

using namespace std::string_literals;

class RfTestCommands : public CatalogueTest {};

TEST_F(RfTestCommands, WritesEachCommandInItsDialectAndEndsOnOk) {
    std::string power = "unchanged", mac1, mac2, mac3;
    std::int32_t total = 0, abortErrors = 0, crcErrors = 0;
    const WriteCase cases[] = {
        {"get_mac bare", 2, [&](auto& c) { return get_mac(c, mac1, mac2, mac3); },
         "kel get_mac\n\0"s, 13},
        {"get_mac prefixed", 0, [&](auto& c) { return get_mac(c, mac1, mac2, mac3); },
         "netcmd lmac kel get_mac\n\0"s, 25},
        {"set_mac keeps -d -s -t order", 2,
         [](auto& c) { return set_mac(c, "11:22", "33:44", "55:66"); },
         "kel set_mac -d 11:22 -s 33:44 -t 55:66\n", 39},
        {"power_level text as typed", 1, [](auto& c) { return power_level(c, "12abc"); },
         "netcmd lmac kel power_level 12abc\n", 34},
        {"power_level empty", 3, [](auto& c) { return power_level(c, ""); }, "kel power_level \n",
         17},
        {"tone bare", 2, [](auto& c) { return tone(c); }, "kel tone\n", 9},
        {"tone prefixed", 0, [](auto& c) { return tone(c); }, "netcmd lmac kel tone\n", 21},
        {"tone_stop bare", 2, [](auto& c) { return tone_stop(c); }, "kel tone_stop\n", 14},
        {"tone_stop prefixed", 1, [](auto& c) { return tone_stop(c); },
         "netcmd lmac kel tone_stop\n", 26},
        {"tx no options", 3, [](auto& c) { return tx(c, 0, 0, 0); }, "kel tx\n", 7},
        {"tx all options: count, length, flag", 0, [](auto& c) { return tx(c, 1024, 100, 1); },
         "netcmd lmac kel tx -n 100 -l 1024 -f\n", 37},
        {"tx continuous with length", 2, [](auto& c) { return tx(c, 1024, 0, 0); },
         "kel tx -l 1024\n", 15},
        {"tx negative count passed on", 2, [](auto& c) { return tx(c, 0, -5, 0); },
         "kel tx -n -5\n", 13},
        {"tx full duty only", 2, [](auto& c) { return tx(c, 0, 0, 7); }, "kel tx -f\n", 10},
        {"tx_stop bare", 2, [](auto& c) { return tx_stop(c); }, "kel tx_stop\n", 12},
        {"tx_stop prefixed", 0, [](auto& c) { return tx_stop(c); }, "netcmd lmac kel tx_stop\n",
         24},
        {"rx bare", 3, [](auto& c) { return rx(c); }, "kel rx\n", 7},
        {"rx prefixed", 1, [](auto& c) { return rx(c); }, "netcmd lmac kel rx\n", 19},
        {"rx_stop bare", 2, [&](auto& c) { return rx_stop(c, total, abortErrors, crcErrors); },
         "kel rx_stop\n", 12},
        {"rx_stop prefixed", 0, [&](auto& c) { return rx_stop(c, total, abortErrors, crcErrors); },
         "netcmd lmac kel rx_stop\n", 24},
        {"channel", 2, [](auto& c) { return channel(c, 14); }, "kel channel 2GHZ 14\n", 20},
        {"rate whole number gets .0", 2, [&](auto& c) { return rate(c, 2, 6.0f, power); },
         "kel rate -m 2 -r 6.0\n", 21},
        {"rate 5.5", 3, [&](auto& c) { return rate(c, 1, 5.5f, power); }, "kel rate -m 1 -r 5.5\n",
         21},
        {"rate prefixed 65", 0, [&](auto& c) { return rate(c, 5, 65.0f, power); },
         "netcmd lmac kel rate -m 5 -r 65.0\n", 34},
        {"rate 19.5 keeps its decimal", 2, [&](auto& c) { return rate(c, 5, 19.5f, power); },
         "kel rate -m 5 -r 19.5\n", 22},
    };
    ExpectWrites(cases);
    EXPECT_EQ(power, "unchanged"); // no power level line came
}

TEST_F(RfTestCommands, EchoesTheCommandWithoutItsNulAndLogsTheReply) {
    std::string a, b, c;
    link.peer.ScriptReplies({"Source mac address: 00:11:22:33:44:55\nSending CMD OK!\n"});
    ASSERT_EQ(get_mac(Ctx(), a, b, c), kResultOk);
    EXPECT_EQ(Log(), "kel get_mac\nSource mac address: 00:11:22:33:44:55\r\nSending CMD OK!\r\n");
}

TEST_F(RfTestCommands, WithoutChipModelNothingIsWrittenOrLogged) {
    std::string power = "5", mac = "m";
    std::int32_t n = 0;
    ExpectNothingWithoutChipModel(link, {
                                            [&](auto& c) { return get_mac(c, mac, mac, mac); },
                                            [](auto& c) { return set_mac(c, "a", "b", "c"); },
                                            [](auto& c) { return power_level(c, "1"); },
                                            [](auto& c) { return tone(c); },
                                            [](auto& c) { return tone_stop(c); },
                                            [](auto& c) { return tx(c, 0, 0, 0); },
                                            [](auto& c) { return tx_stop(c); },
                                            [](auto& c) { return rx(c); },
                                            [&](auto& c) { return rx_stop(c, n, n, n); },
                                            [](auto& c) { return channel(c, 1); },
                                            [&](auto& c) { return rate(c, 1, 1.0f, power); },
                                        });
}

TEST_F(RfTestCommands, GetMacTakesTheSeventeenCharactersBeforeTheLineFeed) {
    std::string src = "src?", dst = "dst?", bssid = "bssid?";
    link.peer.ScriptReplies({"source mac address 99:99:99:99:99:99\n" // wrong case
                             "Source mac address:AA:BB:CC:DD:EE:FF \n"
                             "noise\n"
                             "Dest mac address 11:22:33:44:55:66\n"
                             "Sending CMD OK!\n"
                             "BSSID after the end line\n"});
    ASSERT_EQ(get_mac(Ctx(), src, dst, bssid), kResultOk);
    // A blank after the address shifts the window: the first character is lost.
    EXPECT_EQ(src, "A:BB:CC:DD:EE:FF ");
    EXPECT_EQ(dst, "11:22:33:44:55:66");
    EXPECT_EQ(bssid, "bssid?");
}

TEST_F(RfTestCommands, RxStopReadsCountersBeforeTheEndLineOnly) {
    std::int32_t total = -1, abortErrors = -1, crcErrors = -1;
    link.peer.ScriptReplies({"CRCError: -2\n"
                             "Total:   990\n"
                             "total: 5\n"   // lower case is not a counter line
                             "Total:1000\n" // a repeated line overwrites
                             "Sending CMD OK!\n"
                             "AbortError: 99\n"});
    ASSERT_EQ(rx_stop(Ctx(), total, abortErrors, crcErrors), kResultOk);
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(abortErrors, -1); // its line came after the end line: the preset stays
    EXPECT_EQ(crcErrors, -2);
}

TEST_F(RfTestCommands, RateTakesThePowerLevelTextUnchanged) {
    struct Case {
        const char* reply;
        const char* power;
    } const cases[] = {
        {"power level: 12\nSending CMD OK!\n", " 12"},
        {"power level:20\npower level:21\nSending CMD OK!\n", "21"},
        {"power level:\nSending CMD OK!\n", ""},
        {"Power level:9\nSending CMD OK!\n", "old"},
        {"Sending CMD OK!\npower level:33\n", "old"}, // last: leaves a line unread
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        std::string power = "old";
        link.peer.ScriptReplies({c.reply});
        ASSERT_EQ(rate(Ctx(), 2, 6.0f, power), kResultOk);
        EXPECT_EQ(power, c.power);
    }
}

TEST_F(RfTestCommands, OnlyTheExactOkLineEndsTheWait) {
    link.peer.ScriptReplies({"sending CMD OK!\r\n"
                             "Sending CMD OK! \n"
                             "<ACK> 200 OK\n"
                             "Sending CMD error!\n"});
    EXPECT_EQ(tone(Ctx()), kResultFailed);
    EXPECT_NE(Log().find("Sending CMD error!\r\n"), std::string::npos); // seen, passed over
}

TEST_F(RfTestCommands, PowerLevelAcceptsTheErrorLine) {
    link.peer.ScriptReplies({"Sending CMD error!\n"});
    EXPECT_EQ(power_level(Ctx(), "120"), kResultOk);
}

TEST_F(RfTestCommands, ALineSplitAcrossReadsStillEndsTheWait) {
    std::string src = "?", dst, bssid;
    int result = 99;
    std::thread command([&] { result = get_mac(Ctx(), src, dst, bssid); });
    WrittenSinceLastLook(13);
    for (std::string_view piece :
         {"Source mac addr", "ess 00:11:22:33:44", ":55\nSending CM", "D OK!\n"}) {
        link.peer.Send(piece);
        std::this_thread::sleep_for(std::chrono::milliseconds(8)); // longer than a read slice
    }
    command.join();
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(src, "00:11:22:33:44:55");
}

// 100 bytes without a line feed make the reader give up without waiting on a
// silent line. An empty read slice before the bytes arrive also counts as an
// attempt, so a give-up can leave a few of them over: each run of them ends in
// a line feed, which turns such a rest into a line that is passed over.
const std::string kGiveUp(kLineLimit, 'x');

TEST_F(RfTestCommands, TxPassesOverTwoGiveUps) {
    link.peer.ScriptReplies({kGiveUp + kGiveUp + "\nSending CMD OK!\n"});
    EXPECT_EQ(tx(Ctx(), 0, 0, 0), kResultOk);
}

TEST_F(RfTestCommands, TxFailsOnTheThirdGiveUpEvenWithLinesBetween) {
    link.peer.ScriptReplies(
        {kGiveUp + "a line\n" + kGiveUp + "another\n" + kGiveUp + "Sending CMD OK!\n"});
    EXPECT_EQ(tx(Ctx(), 0, 0, 0), kResultFailed);
}

TEST_F(RfTestCommands, ASilentBoardFailsTheCommand) {
    link.peer.ScriptReplies({""});
    EXPECT_EQ(rx(Ctx()), kResultFailed);
    EXPECT_EQ(Log(), "kel rx\n");
}

TEST_F(RfTestCommands, AFailedWriteReadsNothing) {
    link.peer.HangUp();
    std::string power = "p";
    EXPECT_EQ(rate(Ctx(), 1, 1.0f, power), kResultFailed);
    EXPECT_EQ(Log(), "kel rate -m 1 -r 1.0\n");
}

} // namespace
} // namespace kel::test
