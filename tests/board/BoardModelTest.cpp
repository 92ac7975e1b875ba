// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardModel.h"

#include "board/RadioModel.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace kel::board {
namespace {

constexpr const char* kPrefixes[] = {"netcmd lmac kel ", "kel "};

std::string Say(BoardModel& board, const std::string& line) {
    return Join(board.Feed(line + "\n"));
}

// A board past the handshake, as the console leaves it after Connect.
BoardModel ReadyBoard(const std::string& prefix = "kel ") {
    BoardModel board;
    Say(board, prefix + "connect");
    Say(board, prefix + "enable_phy");
    return board;
}

// How the console reads the SDD power lines: the last four characters.
int ReadLastFour(const std::string& line) {
    const std::string tail = line.size() > 4 ? line.substr(line.size() - 4) : line;
    return std::stoi(tail.substr(0, 3));
}

// How the console reads the frequency-offset lines: after the last colon.
int ReadAfterColon(const std::string& line) {
    return std::stoi(line.substr(line.rfind(':') + 1));
}

std::string FirstLine(const std::string& reply) {
    return reply.substr(0, reply.find('\n') + 1);
}

TEST(BoardModel, HandshakeInBothDialects) {
    for (const char* prefix : kPrefixes) {
        SCOPED_TRACE(prefix);
        const std::string p = prefix;
        BoardModel board;
        EXPECT_EQ(Say(board, "kel"), "kel driver is ready!\n");
        EXPECT_EQ(Say(board, p + "enable_phy"), "Sending CMD error!\n") << "before connect";
        EXPECT_EQ(Say(board, p + "tone"), "Sending CMD error!\n") << "before enable_phy";
        EXPECT_EQ(Say(board, p + "connect"), "Sending CMD OK!\n");
        EXPECT_EQ(Say(board, p + "enable_phy"), "power level:64\nSending CMD OK!\n");
        EXPECT_EQ(Say(board, p + "tone"), "Sending CMD OK!\n");
        // A console restarted without a power cycle goes through it all again.
        EXPECT_EQ(Say(board, "kel"), "kel driver is ready!\n");
        EXPECT_EQ(Say(board, p + "connect"), "Sending CMD OK!\n");
        EXPECT_EQ(Say(board, p + "enable_phy"), "power level:64\nSending CMD OK!\n");
        EXPECT_EQ(Say(board, p + "disconnect"), "Sending CMD OK!\n");
        EXPECT_FALSE(board.State().connected);
        EXPECT_FALSE(board.State().toneRunning);
        EXPECT_EQ(Say(board, p + "tone"), "Sending CMD error!\n") << "after disconnect";
    }
}

TEST(BoardModel, AnswersEveryCommandInBothDialects) {
    struct Case {
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"get_mac", "Source mac address: 02:4b:45:4c:00:01\nDest mac address: ff:ff:ff:ff:ff:ff\n"
                    "BSSID: 02:4b:45:4c:00:00\nSending CMD OK!\n"},
        {"set_mac -d 00:11:22:33:44:55 -s 66:77:88:99:aa:bb -t cc:dd:ee:ff:00:11",
         "Sending CMD OK!\n"},
        {"power_level 20", "Sending CMD OK!\n"},
        {"tone", "Sending CMD OK!\n"},
        {"tone_stop", "Sending CMD OK!\n"},
        {"tx", "Sending CMD OK!\n"},
        {"tx -n 100 -l 1024 -f", "Sending CMD OK!\n"},
        {"tx_stop", "Sending CMD OK!\n"},
        {"rx", "Sending CMD OK!\n"},
        {"rx_stop", "Total:0\nAbortError:0\nCRCError:0\nSending CMD OK!\n"},
        {"channel 2GHZ 14", "Sending CMD OK!\n"},
        {"rate -m 1 -r 5.5", "power level:64\nSending CMD OK!\n"},
        {"rate -m 2 -r 6.0", "power level:56\nSending CMD OK!\n"},
        {"rate -m 5 -r 65.0", "power level:48\nSending CMD OK!\n"},
        {"set_freq_offset 25", "<ACK> 200 OK\n"},
        // Board 0's own crystal offset, the same in every run.
        {"get_freq_offset", "freq offset is: 50\n<ACK> 200 OK\n"},
        {"get_sdd_freq_offset", "Get sdd freq offset: 50\n<ACK> 200 OK\n"},
        {"set_sdd_freq_offset 127", "<ACK> 200 OK\n"},
        {"get_sdd_power all", "DSSS:  64\nBPSK1/2:  56\n64QAM5/6:  48\n<ACK> 200 OK\n"},
        {"set_sdd_power all 10 11 12", "<ACK> 200 OK\n"},
        {"no_such_command", "<ACK> 400 Unknown command\n"},
    };
    for (const char* prefix : kPrefixes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(prefix) + c.command);
            BoardModel board = ReadyBoard(prefix);
            EXPECT_EQ(Say(board, std::string(prefix) + c.command), c.reply);
        }
    }
}

TEST(BoardModel, SupplyCommandsSwitchTheMode) {
    BoardModel board; // no handshake: the supply commands are not test-mode commands
    EXPECT_EQ(board.State().Supply(), SupplyMode::Ldo);
    EXPECT_EQ(Say(board, "gpio config pa23 m=2 p=1 l=1"), "<ACK> 200 OK\n");
    EXPECT_EQ(board.State().Supply(), SupplyMode::Switching);
    EXPECT_EQ(Say(board, "prcm set_top_ldo 1.4"), "<ACK> 200 OK\n");
    EXPECT_EQ(board.State().Supply(), SupplyMode::DcDc);
    EXPECT_EQ(Say(board, "gpio deconfig pa23"), "<ACK> 200 OK\n");
    EXPECT_EQ(Say(board, "prcm set_top_ldo 1.8"), "<ACK> 200 OK\n");
    EXPECT_EQ(board.State().Supply(), SupplyMode::Ldo);
    EXPECT_EQ(Say(board, "prcm set_top_ldo 3.3"), "Sending CMD error!\n");
    EXPECT_EQ(Say(board, "gpio config pa5 m=1"), "<ACK> 400 Unknown command\n");
    EXPECT_EQ(Say(board, "kel gpio deconfig pa23"), "<ACK> 400 Unknown command\n");
}

TEST(BoardModel, RefusesValuesTheFirmwareWouldNot) {
    const char* refused[] = {
        "power_level 121",
        "power_level -119",
        "power_level 12a",
        "power_level",
        "set_freq_offset 128",
        "set_freq_offset -1",
        "set_freq_offset abc",
        "set_sdd_freq_offset 128",
        "set_sdd_power all 10 11 121",
        "set_sdd_power all 10 11",
        "set_sdd_power all 10 11 12x",
        "set_sdd_power dsss 10 11 12",
        "get_sdd_power dsss",
        "channel 2GHZ 0",
        "channel 2GHZ 15",
        "channel 5GHZ 36",
        "rate -m 1 -r 6.0",
        "rate -m 3 -r 6.0",
        "rate -m 5 -r 65.5",
        "rate -m 2",
        "tx -l 4096",
        "tx -n -1",
        "tx -n",
        "tx -x 3",
        "set_mac -d 00:11:22:33:44 -s 66:77:88:99:aa:bb -t cc:dd:ee:ff:00:11",
        "set_mac -d 00:11:22:33:44:55 -s 66:77:88:99:aa:bb",
        "get_sdd_file binary",
        "connect now",
    };
    for (const char* command : refused) {
        SCOPED_TRACE(command);
        BoardModel board = ReadyBoard();
        const BoardState before = board.State();
        EXPECT_EQ(Say(board, std::string("kel ") + command), "Sending CMD error!\n");
        EXPECT_EQ(board.State().sddPower, before.sddPower);
        EXPECT_EQ(board.State().livePower, before.livePower);
        EXPECT_EQ(board.State().liveFreqOffset, before.liveFreqOffset);
        EXPECT_EQ(board.State().channel, before.channel);
        EXPECT_EQ(board.State().rateTenths, before.rateTenths);
        EXPECT_EQ(board.State().destMac, before.destMac);
    }
}

TEST(BoardModel, SetValuesReadBackTheWayTheConsoleReadsThem) {
    BoardModel board = ReadyBoard();
    Say(board, "kel set_freq_offset 25");
    Say(board, "kel set_sdd_freq_offset 0");
    EXPECT_EQ(ReadAfterColon(FirstLine(Say(board, "kel get_freq_offset"))), 25);
    EXPECT_EQ(ReadAfterColon(FirstLine(Say(board, "kel get_sdd_freq_offset"))), 0);

    Say(board, "kel set_sdd_power all 2 050 120");
    EXPECT_EQ(Say(board, "kel get_sdd_power all"),
              "DSSS:   2\nBPSK1/2:  50\n64QAM5/6: 120\n<ACK> 200 OK\n");

    // The live power belongs to the class of the selected rate.
    Say(board, "kel rate -m 2 -r 54.0");
    Say(board, "kel power_level -118");
    Say(board, "kel rate -m 5 -r 65.0");
    Say(board, "kel power_level 120");
    EXPECT_EQ(Say(board, "kel rate -m 5 -r 6.5"), "power level:-118\nSending CMD OK!\n");
    EXPECT_EQ(Say(board, "kel rate -m 5 -r 65.0"), "power level:120\nSending CMD OK!\n");
    EXPECT_EQ(Say(board, "kel rate -m 1 -r 1.0"), "power level:64\nSending CMD OK!\n");

    Say(board, "kel set_mac -d 00:11:22:33:44:55 -s 66:77:88:99:AA:BB -t cc:dd:ee:ff:00:11");
    EXPECT_EQ(Say(board, "kel get_mac"),
              "Source mac address: 66:77:88:99:AA:BB\nDest mac address: 00:11:22:33:44:55\n"
              "BSSID: cc:dd:ee:ff:00:11\nSending CMD OK!\n");

    Say(board, "kel channel 2GHZ 7");
    EXPECT_EQ(board.State().channel, 7);
}

TEST(BoardModel, ValueLinesSurviveTheConsolesReadersForEveryValueTheyCanCarry) {
    BoardModel board = ReadyBoard();
    for (int value = -99; value <= 999; ++value) {
        board.MutableState().sddPower = {value, value, value};
        board.MutableState().liveFreqOffset = value;
        board.MutableState().sddFreqOffset = value;
        const std::string power = Say(board, "kel get_sdd_power all");
        std::size_t start = 0;
        for (int line = 0; line < 3; ++line) {
            const std::size_t end = power.find('\n', start) + 1;
            ASSERT_EQ(ReadLastFour(power.substr(start, end - start)), value) << power;
            start = end;
        }
        ASSERT_EQ(ReadAfterColon(FirstLine(Say(board, "kel get_freq_offset"))), value);
        ASSERT_EQ(ReadAfterColon(FirstLine(Say(board, "kel get_sdd_freq_offset"))), value);
    }
}

TEST(BoardModel, TransmitAndToneStateFollowTheCommands) {
    BoardModel board = ReadyBoard();
    Say(board, "kel tx -l 1024");
    EXPECT_TRUE(board.State().txRunning) << "count 0 sends until stopped";
    EXPECT_EQ(board.State().txLength, 1024);
    Say(board, "kel tone"); // the prefixed models start the tone over a running TX
    EXPECT_TRUE(board.State().toneRunning);
    Say(board, "kel tx_stop");
    Say(board, "kel tone_stop");
    EXPECT_FALSE(board.State().txRunning);
    EXPECT_FALSE(board.State().toneRunning);
    Say(board, "kel tx -n 100 -l 0 -f");
    EXPECT_FALSE(board.State().txRunning) << "a counted burst ends by itself";
    EXPECT_EQ(board.State().txCount, 100);
    EXPECT_TRUE(board.State().txFullDuty);
}

// A board past the handshake under a clock the test moves: what it receives
// depends on its config and this schedule alone.
struct ClockedBoard {
    std::chrono::steady_clock::time_point now =
        std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    BoardModel board;

    explicit ClockedBoard(BoardConfig config = {}) : board(WithClock(std::move(config), now)) {
        Say(board, "kel connect");
        Say(board, "kel enable_phy");
    }
    ClockedBoard(const ClockedBoard&) = delete;

    static BoardConfig WithClock(BoardConfig config, std::chrono::steady_clock::time_point& now) {
        config.clock = [&now] { return now; };
        return config;
    }

    // An RX test of the given seconds at a rate (mode and Mbit/s) and channel, a command every
    // second as a console polling its line would send; the counters must never go down nor stop
    // adding up meanwhile.
    RxCounters Receive(int mode, const std::string& mbps, int channel, int seconds) {
        EXPECT_EQ(Say(board, "kel rate -m " + std::to_string(mode) + " -r " + mbps).substr(0, 6),
                  "power ");
        Say(board, "kel channel 2GHZ " + std::to_string(channel));
        Say(board, "kel rx");
        RxCounters before;
        for (int second = 0; second < seconds; ++second) {
            now += std::chrono::seconds(1);
            Say(board, "kel get_freq_offset");
            const RxCounters& after = board.State().rxCounters;
            EXPECT_GE(after.total, before.total);
            EXPECT_GE(after.abortErrors, before.abortErrors);
            EXPECT_GE(after.crcErrors, before.crcErrors);
            EXPECT_LE(std::int64_t{after.abortErrors} + after.crcErrors, after.total);
            EXPECT_LE(after.total, board.State().rxFramesCounted);
            before = after;
        }
        RxCounters counters;
        const std::string reply = Say(board, "kel rx_stop");
        EXPECT_EQ(std::sscanf(reply.c_str(), "Total:%d\nAbortError:%d\nCRCError:%d\n",
                              &counters.total, &counters.abortErrors, &counters.crcErrors),
                  3)
            << reply;
        EXPECT_EQ(counters, before) << "rx_stop reports what was counted";
        return counters;
    }

    // The PER a tester sending 100 frames a second computes, in percent.
    double Per(int mode, const std::string& mbps, int channel, int seconds = 10) {
        const RxCounters n = Receive(mode, mbps, channel, seconds);
        const double sent = seconds * 100.0;
        return (sent - n.total + n.abortErrors + n.crcErrors) / sent * 100.0;
    }
};

BoardConfig Board(int index, double level = kDefaultRxLevelDbm, FaultKind fault = FaultKind::None) {
    BoardConfig config;
    config.index = index;
    config.rxLevelDbm = level;
    config.fault.kind = fault;
    return config;
}

TEST(BoardModel, ReceiveCountersFollowTheSeedAndTheSchedule) {
    // Near the 54 Mbit/s sensitivity, where every frame is a coin toss.
    ClockedBoard first(Board(0, -76)), again(Board(0, -76)), neighbour(Board(1, -76));
    const RxCounters counted = first.Receive(2, "54.0", 6, 10);
    EXPECT_EQ(again.Receive(2, "54.0", 6, 10), counted) << "the same board, the same schedule";
    EXPECT_NE(neighbour.Receive(2, "54.0", 6, 10), counted);
    // Lost frames split between those never seen and those counted as failed.
    EXPECT_LT(counted.total, 1000);
    EXPECT_GT(counted.crcErrors, counted.abortErrors);
    EXPECT_GT(counted.abortErrors, 0);

    EXPECT_EQ(Say(first.board, "kel rx_stop"),
              "Total:0\nAbortError:0\nCRCError:0\nSending CMD OK!\n")
        << "no test running, nothing counted";
    // A test left running for a year must not overflow the 32-bit counters.
    Say(first.board, "kel rx");
    first.now += std::chrono::hours(24 * 365);
    Say(first.board, "kel rx_stop");
    const RxCounters year = first.board.State().rxCounters;
    EXPECT_GT(year.total, 1000000000);
    EXPECT_LE(std::int64_t{year.abortErrors} + year.crcErrors, year.total);
}

TEST(BoardModel, EachBoardHasACharacterOfItsOwn) {
    std::set<std::string> macs;
    std::set<int> offsets;
    std::set<double> sensitivities;
    for (int index = 0; index < 8; ++index) {
        const BoardModel board(Board(index));
        const BoardCharacter& character = board.Character();
        macs.insert(board.State().sourceMac);
        offsets.insert(board.State().sddFreqOffset);
        sensitivities.insert(character.sensitivityOffsetDb);
        EXPECT_EQ(board.State().liveFreqOffset, board.State().sddFreqOffset);
        EXPECT_NEAR(board.State().sddFreqOffset, 48, 8);
        EXPECT_NEAR(character.sensitivityOffsetDb, 0, 1.5);
        EXPECT_EQ(BoardModel(Board(index)).Character().sensitivityOffsetDb,
                  character.sensitivityOffsetDb)
            << "alike every run";
    }
    EXPECT_EQ(*macs.rbegin(), "02:4b:45:4c:00:08");
    EXPECT_EQ(macs.size(), 8u);
    EXPECT_EQ(sensitivities.size(), 8u);
    EXPECT_GT(offsets.size(), 3u);
}

TEST(BoardModel, PerRisesWithRateAndFallsWithLevel) {
    const std::vector<int> rates[] = {{10, 20, 55, 110},
                                      {60, 90, 120, 180, 240, 360, 480, 540},
                                      {65, 130, 195, 260, 390, 520, 585, 650}};
    const int modes[] = {1, 2, 5};
    for (int m = 0; m < 3; ++m) {
        for (std::size_t r = 0; r < rates[m].size(); ++r) {
            for (double level = -100; level < -40; level += 5) {
                SCOPED_TRACE(std::to_string(rates[m][r]) + " at " + std::to_string(level));
                const auto loss = [&](int rate, double dbm) {
                    return FrameLossChance(dbm - RateSensitivityDbm(modes[m], rate), modes[m]);
                };
                EXPECT_GT(loss(rates[m][r], level), loss(rates[m][r], level + 5));
                if (r + 1 < rates[m].size()) {
                    EXPECT_LT(loss(rates[m][r], level), loss(rates[m][r + 1], level));
                }
            }
        }
    }
    EXPECT_LT(ChannelTiltDb(7), ChannelTiltDb(4));
    EXPECT_LT(ChannelTiltDb(4), ChannelTiltDb(1));
    EXPECT_EQ(ChannelTiltDb(1), ChannelTiltDb(13));
}

TEST(BoardModel, WeakRxFailsAnEightPercentLimitAtTheTopRatesWherePeersPass) {
    for (int index = 0; index < 8; ++index) {
        for (int channel : {1, 7, 13}) {
            SCOPED_TRACE("board " + std::to_string(index) + " channel " + std::to_string(channel));
            ClockedBoard peer(Board(index)),
                weak(Board(index, kDefaultRxLevelDbm, FaultKind::WeakRx)), far(Board(index, -80));
            EXPECT_LT(peer.Per(1, "1.0", channel), 1.0);
            const double per54 = peer.Per(2, "54.0", channel);
            EXPECT_GT(per54, 0.0) << "the top rates lose a few frames even on a good board";
            EXPECT_LT(per54, 8.0);
            EXPECT_GT(weak.Per(2, "54.0", channel), 8.0);
            EXPECT_GT(far.Per(5, "65.0", channel), 8.0);
        }
    }
}

TEST(BoardModel, SddDumpAnnouncesItsExactLengthAndCarriesTheStoredValues) {
    BoardModel board = ReadyBoard();
    Say(board, "kel set_sdd_power all 33 44 55");
    Say(board, "kel set_sdd_freq_offset 99");
    const Reply reply = board.Feed("kel get_sdd_file ascii\n");
    ASSERT_EQ(reply.size(), 5u);
    const std::string& body = reply[2].bytes;
    EXPECT_FALSE(reply[2].isLine);
    EXPECT_EQ(reply[0].bytes, "sdd file length:" + std::to_string(body.size()) + "\n");
    EXPECT_EQ(reply[1].bytes, "begin dump sdd file\n");
    EXPECT_EQ(reply[3].bytes, "end dump sdd file\n");
    EXPECT_EQ(reply[4].bytes, "Sending CMD OK!\n");
    EXPECT_LT(body.size(), 1000u) << "the console's dump buffer";
    EXPECT_EQ(body.back(), '\n') << "the end line must start a line of its own";
    for (const char* item : {"freq_offset=99\n", "dsss=33\n", "bpsk1_2=44\n", "64qam5_6=55\n"})
        EXPECT_NE(body.find(item), std::string::npos) << item;
}

TEST(BoardModel, FramesLinesLikeASerialShell) {
    BoardModel board;
    // Handshake commands come with their NUL; they are not part of the next line.
    EXPECT_EQ(Join(board.Feed(std::string("kel\n\0kel connect\n\0", 18))),
              "kel driver is ready!\nSending CMD OK!\n");
    // A command split over several reads, and CR LF or CR line ends from a terminal.
    EXPECT_EQ(Join(board.Feed("kel ena")), "");
    EXPECT_EQ(Join(board.Feed("ble_phy\r")), "power level:64\nSending CMD OK!\n");
    EXPECT_EQ(Join(board.Feed("\nkel tone\r\n")), "Sending CMD OK!\n");
    EXPECT_EQ(Join(board.Feed("\n\n")), "") << "empty lines are no commands";
    EXPECT_EQ(Say(board, "  kel   tone_stop "), "Sending CMD OK!\n");
    EXPECT_EQ(Say(board, "netcmd lmac kel"), "<ACK> 400 Unknown command\n");
    EXPECT_EQ(Say(board, "hello"), "<ACK> 400 Unknown command\n");
    EXPECT_EQ(Say(board, std::string("kel\0tone", 8)), "<ACK> 400 Unknown command\n");
    // An endless line costs bounded memory and gets one answer.
    EXPECT_EQ(Say(board, "kel tone " + std::string(100000, 'x')), "<ACK> 400 Unknown command\n");
    EXPECT_EQ(Say(board, "kel tone"), "Sending CMD OK!\n");
}

TEST(BoardModel, RefusingFirmwareAnswersOnlyTheProbe) {
    BoardModel board(Board(0, kDefaultRxLevelDbm, FaultKind::ErrorReplies));
    EXPECT_EQ(Say(board, "kel"), "kel driver is ready!\n");
    for (const char* command : {"kel connect", "kel enable_phy", "netcmd lmac kel get_mac",
                                "kel set_sdd_power all 1 2 3", "gpio deconfig pa23"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Say(board, command), "Sending CMD error!\n");
    }
    EXPECT_EQ(Say(board, "kel nonsense"), "<ACK> 400 Unknown command\n");
    EXPECT_FALSE(board.State().connected);
    EXPECT_EQ(board.State().sddPower, (BoardState{}.sddPower));
}

} // namespace
} // namespace kel::board
