// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/TrayArguments.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace kel::board {
namespace {

std::optional<TrayArguments> Parse(std::vector<std::string_view> args, std::string& error) {
    return ParseTrayArguments(args, error);
}

TEST(TrayArguments, OptionsApplyToEveryBoardUnlessGivenForOne) {
    std::string error;
    // Order does not matter: a board's own value wins, the last value for all applies.
    const auto parsed = Parse({"--fault", "3:weak-rx", "--rx-level=-70", "--count", "4",
                               "--rx-level", "1:-80.5", "--fault=noise", "--fault", "crlf"},
                              error);
    ASSERT_TRUE(parsed.has_value()) << error;
    ASSERT_EQ(parsed->boards.size(), 4u);
    const FaultKind faults[] = {FaultKind::CrLf, FaultKind::CrLf, FaultKind::CrLf,
                                FaultKind::WeakRx};
    const double levels[] = {-70, -80.5, -70, -70};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(parsed->boards[i].index, i);
        EXPECT_EQ(parsed->boards[i].fault.kind, faults[i]) << i;
        EXPECT_EQ(parsed->boards[i].rxLevelDbm, levels[i]) << i;
    }
    const auto plain = Parse({}, error);
    ASSERT_TRUE(plain.has_value());
    ASSERT_EQ(plain->boards.size(), 1u);
    EXPECT_EQ(plain->boards[0].rxLevelDbm, kDefaultRxLevelDbm);

    const std::vector<std::string_view> refused[] = {
        {"--count", "0"},
        {"--count", "129"},
        {"--count", "4", "--fault", "4:silent"},
        {"--rx-level", "-121"},
        {"--rx-level", "-65dBm"},
        {"--rx-level", "nan"},
        {"--rx-level", "x:-80"},
        {"--fault", "1:loud"},
        {"--rx-level"},
        {"--count=2", "--rx-level", "2:-70"},
    };
    for (const auto& args : refused) {
        SCOPED_TRACE(std::string(args.front()) + " " + std::string(args.back()));
        error.clear();
        EXPECT_FALSE(Parse(args, error).has_value());
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace kel::board
