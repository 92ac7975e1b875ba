#include "board/BoardModel.h"

#include <gtest/gtest.h>
#include <string>

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
        {"get_freq_offset", "freq offset is: 48\n<ACK> 200 OK\n"},
        {"get_sdd_freq_offset", "Get sdd freq offset: 48\n<ACK> 200 OK\n"},
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

TEST(BoardModel, ReceiveTestCountsPacketsWhileItRuns) {
    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    BoardModel board({.clock = [&now] { return now; }});
    Say(board, "kel connect");
    Say(board, "kel enable_phy");
    Say(board, "kel rx");
    EXPECT_TRUE(board.State().rxRunning);
    now += std::chrono::seconds(2);
    EXPECT_EQ(Say(board, "kel rx_stop"),
              "Total:200\nAbortError:1\nCRCError:2\nSending CMD OK!\n");
    EXPECT_FALSE(board.State().rxRunning);
    now += std::chrono::seconds(2);
    EXPECT_EQ(Say(board, "kel rx_stop"), "Total:0\nAbortError:0\nCRCError:0\nSending CMD OK!\n")
        << "no test running, nothing counted";
    // A test left running for months must not overflow the 32-bit counters.
    EXPECT_EQ(CountRxPackets(std::chrono::hours(24 * 365)).total, INT32_MAX);
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
    BoardModel board({.refuseCommands = true, .clock = {}});
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
