// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/SddFile.h"
#include "protocol/CalibrationCommands.h"
#include "protocol/CommandExchange.h"
#include "protocol/PowerModeCommands.h"
#include "protocol/RfTestCommands.h"
#include "protocol/SddDump.h"
#include "tests/board/BoardLink.h"

#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace kel::test {
namespace {

using board::FaultKind;
using board::FaultMode;

// Runs the dump reader into an anonymous file and gives back what it wrote.
int ExportSdd(BoardLink& link, std::string& file) {
    const int fd = memfd_create("sdd", MFD_CLOEXEC);
    if (fd < 0)
        return -100;
    int result = get_sdd_file(link.ctx);
    if (result == kResultOk)
        result = ReadSddDump(link.ctx, fd);
    file.assign(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)), '\0');
    pread(fd, file.data(), file.size(), 0);
    close(fd);
    return result;
}

class EveryCommand : public ::testing::TestWithParam<int> {};

TEST_P(EveryCommand, WorksThroughTheRealPortAndReadsBack) {
    const int row = GetParam();
    const bool bare = row >= 2;
    BoardLink link(row);
    std::string power = "unset";
    Handshake(link, power);
    EXPECT_EQ(power, "64");

    // Round trips of the addresses, offsets and SDD power table are the
    // catalogue tests' (tests/protocol); here the board's side of each command.
    std::string src, dst, bssid;
    ASSERT_EQ(get_mac(link.ctx, src, dst, bssid), kResultOk);
    EXPECT_EQ(src, "02:4b:45:4c:00:01");

    ASSERT_EQ(power_level(link.ctx, "20"), kResultOk);
    EXPECT_EQ(link.host.State().livePower[board::kDsss], 20);
    ASSERT_EQ(tone(link.ctx), kResultOk);
    EXPECT_TRUE(link.host.State().toneRunning);
    ASSERT_EQ(tone_stop(link.ctx), kResultOk);
    ASSERT_EQ(tx(link.ctx, 1024, 0, 1), kResultOk);
    EXPECT_TRUE(link.host.State().txRunning);
    EXPECT_EQ(link.host.State().txLength, 1024);
    EXPECT_TRUE(link.host.State().txFullDuty);
    ASSERT_EQ(tx_stop(link.ctx), kResultOk);
    EXPECT_FALSE(link.host.State().txRunning);

    ASSERT_EQ(rx(link.ctx), kResultOk);
    EXPECT_TRUE(link.host.State().rxRunning);
    std::int32_t total = -1, aborts = -1, crcs = -1;
    ASSERT_EQ(rx_stop(link.ctx, total, aborts, crcs), kResultOk);
    EXPECT_GE(total, 0);
    EXPECT_GE(aborts, 0);
    EXPECT_GE(crcs, 0);
    EXPECT_LE(aborts + crcs, total);
    EXPECT_FALSE(link.host.State().rxRunning);

    ASSERT_EQ(channel(link.ctx, 14), kResultOk);
    EXPECT_EQ(link.host.State().channel, 14);
    ASSERT_EQ(rate(link.ctx, 5, 65.0f, power), kResultOk);
    EXPECT_EQ(power, "48");
    ASSERT_EQ(rate(link.ctx, 1, 5.5f, power), kResultOk);
    EXPECT_EQ(power, "20") << "the power set for the DSSS class";

    ASSERT_EQ(set_freq_offset(link.ctx, "25"), kResultOk);
    ASSERT_EQ(set_sdd_freq_offset(link.ctx, "127"), kResultOk);
    ASSERT_EQ(set_sdd_power_all(link.ctx, "2", "050", "120"), kResultOk);
    const board::BoardState state = link.host.State();
    EXPECT_EQ(state.liveFreqOffset, 25);
    EXPECT_EQ(state.sddFreqOffset, 127);
    EXPECT_EQ(state.sddPower, (std::array<int, 3>{2, 50, 120}));

    // The supply commands exist for the bare-dialect models only.
    EXPECT_EQ(switch_to_dcdc_mode(link.ctx), bare ? kResultOk : kResultFailed);
    EXPECT_EQ(link.host.State().Supply(), bare ? board::SupplyMode::DcDc : board::SupplyMode::Ldo);
    EXPECT_EQ(switch_to_ldo_mode(link.ctx), bare ? kResultOk : kResultFailed);
    EXPECT_EQ(link.host.State().Supply(), board::SupplyMode::Ldo);

    // Free command line: no prefix added, any of the five lines acknowledges it.
    const std::string typed = "kel bogus\n";
    ASSERT_EQ(SendCommand(link.ctx, typed.data(), typed.size()), typed.size());
    EXPECT_EQ(WaitAnyAck(link.ctx), kResultOk);
    EXPECT_NE(link.ctx.log.find("<ACK> 400 Unknown command\r\n"), std::string::npos);

    ASSERT_EQ(DisconnectDevice(link.ctx), kResultOk);
    if (bare)
        EXPECT_TRUE(Eventually([&] { return !link.host.State().connected; }));
    else
        EXPECT_TRUE(link.host.State().connected) << "the prefixed models send no disconnect";
}

// One row of each dialect: rows 0 and 1 speak alike, as do rows 2 and 3.
INSTANTIATE_TEST_SUITE_P(ChipModels, EveryCommand, ::testing::Values(0, 3));

TEST(VirtualBoardHost, SddDumpReadsBackByteForByte) {
    for (int row : {0, 2}) {
        SCOPED_TRACE(row);
        BoardLink link(row);
        std::string power;
        Handshake(link, power);
        ASSERT_EQ(set_sdd_power_all(link.ctx, "33", "44", "55"), kResultOk);
        ASSERT_EQ(set_sdd_freq_offset(link.ctx, "99"), kResultOk);
        std::string file;
        ASSERT_EQ(ExportSdd(link, file), kResultOk);
        EXPECT_EQ(file, board::BuildSddFile(link.host.State()));
        EXPECT_NE(file.find("freq_offset=99\n"), std::string::npos);
        EXPECT_NE(file.find("64qam5_6=55\n"), std::string::npos);
        // The log names the length the board announced.
        EXPECT_NE(link.ctx.log.find("sdd file length:" + std::to_string(file.size()) + "\r\n"),
                  std::string::npos);
        // The line is free for the next command at once.
        EXPECT_EQ(tone(link.ctx), kResultOk);
    }
}

TEST(VirtualBoardHost, KeepsItsStateAcrossReconnectionsOfTheClient) {
    BoardLink link(2);
    std::string power;
    Handshake(link, power);
    ASSERT_EQ(power_level(link.ctx, "-7"), kResultOk);
    link.port.Close();
    ASSERT_EQ(link.port.Open(link.host.SlavePath(), 115200), 0);
    Handshake(link, power);
    EXPECT_EQ(power, "-7");
    EXPECT_TRUE(link.host.Serving());
}

TEST(VirtualBoardHost, RepliesNoFasterThanTheLineRate) {
    // 1200 bit/s carries 120 bytes a second: the 21-byte probe reply needs 175 ms.
    BoardLink link(2, {}, ReadWatchdog::kSlice, 1200);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ProbeDriver(link.ctx), kResultOk);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

TEST(VirtualBoardHost, StaysQuietToAClientThatLeftItsLineCooked) {
    board::VirtualBoardHost host;
    const int fd = open(host.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // The cooked slave would echo any reply back as a new command, for ever.
    ASSERT_EQ(write(fd, "kel\n", 4), 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    char c;
    EXPECT_EQ(read(fd, &c, 1), -1);
    EXPECT_TRUE(host.Serving());
    close(fd);
}

TEST(BoardTray, ServesEachBoardWithItsOwnConfig) {
    // The RX counters follow this clock, so ten seconds pass at once.
    std::atomic<std::int64_t> ms{0};
    std::vector<board::BoardConfig> configs = board::TrayConfigs(2);
    for (board::BoardConfig& config : configs) {
        config.clock = [&ms] {
            return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms.load()));
        };
    }
    configs[1].fault = {FaultKind::WeakRx};
    board::BoardTray tray(configs);
    ASSERT_EQ(tray.Error(), "");
    double per[2] = {};
    std::string mac[2];
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        SerialPort port;
        ReadWatchdog watchdog(port);
        StringLogContext ctx(port, 2);
        ASSERT_EQ(port.Open(tray.SlavePath(i), 115200), 0);
        std::string power, dest, bssid;
        ASSERT_EQ(ProbeDriver(ctx), kResultOk);
        ASSERT_EQ(ConnectDevice(ctx), kResultOk);
        ASSERT_EQ(EnablePhy(ctx, power), kResultOk);
        ASSERT_EQ(get_mac(ctx, mac[i], dest, bssid), kResultOk);
        ASSERT_EQ(rate(ctx, 2, 54.0f, power), kResultOk);
        ASSERT_EQ(rx(ctx), kResultOk);
        ms += 10000; // 1000 frames sent
        std::int32_t total = -1, aborts = -1, crcs = -1;
        ASSERT_EQ(rx_stop(ctx, total, aborts, crcs), kResultOk);
        per[i] = (1000 - total + aborts + crcs) / 10.0;
    }
    EXPECT_EQ(mac[0], "02:4b:45:4c:00:01");
    EXPECT_EQ(mac[1], "02:4b:45:4c:00:02");
    EXPECT_LT(per[0], 8.0);
    EXPECT_GT(per[1], 8.0) << "the weak board fails where its peer passes";
}

TEST(VirtualBoardFaults, SilentBoardFailsTheHandshake) {
    BoardLink link(2, {FaultKind::Silent}, kShortSlice);
    EXPECT_EQ(ConnectDevice(link.ctx), kResultFailed);
    EXPECT_EQ(link.ctx.log, "kel connect\n");
    EXPECT_TRUE(link.host.State().connected) << "the board heard it, it just did not answer";
}

TEST(VirtualBoardFaults, CrLfLinesAreTheSameLines) {
    BoardLink link(2, {FaultKind::CrLf}, kShortSlice);
    std::string power, offset, file;
    Handshake(link, power);
    EXPECT_EQ(power, "64");
    ASSERT_EQ(get_freq_offset(link.ctx, offset), kResultOk);
    EXPECT_EQ(offset, "50") << "board 0's own crystal offset";
    ASSERT_EQ(ExportSdd(link, file), kResultOk);
    EXPECT_EQ(file, board::BuildSddFile(link.host.State()));
}

TEST(VirtualBoardFaults, NoiseLinesAreSkipped) {
    BoardLink link(3, {FaultKind::Noise}, kShortSlice);
    std::string power, offset, dsss, ofdm, mcs7, file;
    Handshake(link, power);
    EXPECT_EQ(power, "64");
    ASSERT_EQ(get_freq_offset(link.ctx, offset), kResultOk);
    EXPECT_EQ(offset, "50") << "board 0's own crystal offset";
    ASSERT_EQ(get_sdd_power_all(link.ctx, dsss, ofdm, mcs7), kResultOk);
    EXPECT_EQ(mcs7, "48");
    ASSERT_EQ(ExportSdd(link, file), kResultOk);
    EXPECT_EQ(file, board::BuildSddFile(link.host.State()));
    EXPECT_NE(link.ctx.log.find("[sys] watchdog fed\r\n"), std::string::npos);
}

TEST(VirtualBoardFaults, SlowBytesWithinTheReadersPatienceStillArrive) {
    BoardLink link(2, {FaultKind::Slow, 0, std::chrono::milliseconds(60)}, kShortSlice);
    std::string power, file;
    Handshake(link, power);
    EXPECT_EQ(power, "64");
    ASSERT_EQ(ExportSdd(link, file), kResultOk);
    EXPECT_EQ(file, board::BuildSddFile(link.host.State()));
}

TEST(VirtualBoardFaults, APauseBeyondTheReadersPatienceFailsTheCommand) {
    BoardLink link(2, {FaultKind::Slow, 0, std::chrono::milliseconds(3000)}, kShortSlice);
    EXPECT_EQ(ConnectDevice(link.ctx), kResultFailed);
}

TEST(VirtualBoardFaults, StoppingInsideTheSddBodyFailsTheExport) {
    // The handshake replies, the length and begin lines, then half the body.
    const std::string handshake = "kel driver is ready!\nSending CMD OK!\npower level:64\n"
                                  "Sending CMD OK!\n";
    const std::size_t bodySize = board::BuildSddFile(board::BoardState{}).size();
    const std::size_t header =
        ("sdd file length:" + std::to_string(bodySize) + "\nbegin dump sdd file\n").size();
    const std::size_t stopAt = handshake.size() + header + bodySize / 2;
    BoardLink link(2, {FaultKind::StopAfter, stopAt}, kShortSlice);
    std::string power, file;
    Handshake(link, power);
    EXPECT_EQ(ExportSdd(link, file), kResultFailed);
    EXPECT_EQ(file, "") << "nothing is written before the whole body is there";
    EXPECT_NE(link.ctx.log.find("begin dump sdd file\r\n"), std::string::npos);
}

TEST(VirtualBoardFaults, HangUpMidReplyFailsAtOnce) {
    BoardLink link(2, {FaultKind::HangUp, board::kDefaultHangUpBytes}, kShortSlice);
    EXPECT_EQ(ProbeDriver(link.ctx), kResultFailed);
    EXPECT_EQ(link.ctx.log, "kel\n") << "the partial line is not logged";
    EXPECT_TRUE(Eventually([&] { return link.host.HungUp() && !link.host.Serving(); }));
}

TEST(VirtualBoardFaults, ErrorRepliesFailOnlyTheWaitsThatDoNotAcceptThem) {
    BoardLink link(2, {FaultKind::ErrorReplies}, kShortSlice);
    EXPECT_EQ(ProbeDriver(link.ctx), kResultOk);
    EXPECT_EQ(power_level(link.ctx, "10"), kResultOk);
    EXPECT_EQ(switch_to_ldo_mode(link.ctx), kResultOk);
    EXPECT_EQ(ConnectDevice(link.ctx), kResultFailed);
    EXPECT_FALSE(link.host.State().connected);
}

} // namespace
} // namespace kel::test
