// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogues against the virtual board: what one side writes, the other
// must read back, so a drift between the two shows here.

#include "protocol/CalibrationCommands.h"
#include "protocol/RfTestCommands.h"
#include "tests/board/BoardLink.h"

#include <gtest/gtest.h>

namespace kel::test {
namespace {

class CatalogueOnVirtualBoard : public ::testing::TestWithParam<int> {};

TEST_P(CatalogueOnVirtualBoard, SettingsReadBack) {
    BoardLink link(GetParam(), {}, kShortSlice);
    std::string power;
    Handshake(link, power);
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
}

INSTANTIATE_TEST_SUITE_P(BothDialects, CatalogueOnVirtualBoard, ::testing::Values(0, 2));

} // namespace
} // namespace kel::test
