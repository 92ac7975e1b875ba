// The catalogues against the virtual board: what one side writes, the other
// must read back, so a drift between the two shows here.

#include "protocol/CalibrationCommands.h"
#include "protocol/CommandExchange.h"
#include "protocol/PowerModeCommands.h"
#include "protocol/RfTestCommands.h"
#include "protocol/RxPer.h"
#include "protocol/SddDump.h"
#include "tests/board/BoardLink.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace kel::test {
namespace {

class CatalogueOnVirtualBoard : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::string power;
        ASSERT_EQ(ProbeDriver(link.ctx), kResultOk);
        ASSERT_EQ(ConnectDevice(link.ctx), kResultOk);
        ASSERT_EQ(EnablePhy(link.ctx, power), kResultOk);
    }

    BoardLink link{GetParam(), {}, kShortSlice};
};

TEST_P(CatalogueOnVirtualBoard, SettingsReadBack) {
    auto& ctx = link.ctx;
    ASSERT_EQ(set_mac(ctx, "02:00:00:00:00:0a", "02:00:00:00:00:0b", "02:00:00:00:00:0c"),
              kResultOk);
    std::string src, dst, bssid;
    ASSERT_EQ(get_mac(ctx, src, dst, bssid), kResultOk);
    // The console's Src Addr goes out after -d, which the board takes as the
    // destination: source and destination trade places on the way round.
    EXPECT_EQ(src, "02:00:00:00:00:0b");
    EXPECT_EQ(dst, "02:00:00:00:00:0a");
    EXPECT_EQ(bssid, "02:00:00:00:00:0c");

    ASSERT_EQ(set_freq_offset(ctx, "21"), kResultOk);
    std::string offset;
    ASSERT_EQ(get_freq_offset(ctx, offset), kResultOk);
    EXPECT_EQ(offset, "21");
    ASSERT_EQ(set_sdd_freq_offset(ctx, "33"), kResultOk);
    ASSERT_EQ(get_sdd_freq_offset(ctx, offset), kResultOk);
    EXPECT_EQ(offset, "33");

    ASSERT_EQ(set_sdd_power_all(ctx, "10", "5", "120"), kResultOk);
    std::string p1, p2, p3;
    ASSERT_EQ(get_sdd_power_all(ctx, p1, p2, p3), kResultOk);
    EXPECT_EQ(p1 + "," + p2 + "," + p3, "10,5,120");

    std::string power = "none";
    ASSERT_EQ(power_level(ctx, "12"), kResultOk);
    ASSERT_EQ(channel(ctx, 14), kResultOk);
    ASSERT_EQ(rate(ctx, 1, 5.5f, power), kResultOk);
    EXPECT_NE(power, "none");
}

TEST_P(CatalogueOnVirtualBoard, TestsRunAndStop) {
    auto& ctx = link.ctx;
    EXPECT_EQ(tx(ctx, 1024, 0, 1), kResultOk);
    EXPECT_EQ(tx_stop(ctx), kResultOk);
    EXPECT_EQ(tone(ctx), kResultOk);
    EXPECT_EQ(tone_stop(ctx), kResultOk);
    ASSERT_EQ(rx(ctx), kResultOk);
    std::int32_t total = -1, abortErrors = -1, crcErrors = -1;
    ASSERT_EQ(rx_stop(ctx, total, abortErrors, crcErrors), kResultOk);
    EXPECT_GE(total, 0);
    EXPECT_GE(abortErrors, 0);
    EXPECT_GE(crcErrors, 0);
    EXPECT_TRUE(RxPerText("1000", total, abortErrors, crcErrors).has_value());
}

TEST_P(CatalogueOnVirtualBoard, SupplySwitchesOnBareDialectOnly) {
    const int expected = GetParam() >= 2 ? kResultOk : kResultFailed;
    EXPECT_EQ(switch_to_dcdc_mode(link.ctx), expected);
    EXPECT_EQ(switch_to_ldo_mode(link.ctx), expected);
}

TEST_P(CatalogueOnVirtualBoard, SddDumpIsStoredWhole) {
    char name[] = "/tmp/kel-sdd-board-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(get_sdd_file(link.ctx), kResultOk);
    EXPECT_EQ(ReadSddDump(link.ctx, fd), kResultOk);
    close(fd);
    std::ifstream in(name, std::ios::binary);
    const std::string body(std::istreambuf_iterator<char>(in), {});
    std::remove(name);
    // The log names the length the board announced; the file holds that many bytes.
    EXPECT_NE(link.ctx.log.find("sdd file length:" + std::to_string(body.size()) + "\r\n"),
              std::string::npos);
    EXPECT_FALSE(body.empty());
}

INSTANTIATE_TEST_SUITE_P(BothDialects, CatalogueOnVirtualBoard, ::testing::Values(0, 2));

} // namespace
} // namespace kel::test
