// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/FaultMode.h"

#include "board/FaultShaper.h"

#include <gtest/gtest.h>

namespace kel::board {
namespace {

using std::chrono::milliseconds;

TEST(FaultMode, ParsesEveryModeAndRefusesTheRest) {
    struct Case {
        const char* text;
        FaultKind kind;
        std::size_t bytes;
        milliseconds pause;
    };
    const Case good[] = {
        {"none", FaultKind::None, 0, milliseconds(300)},
        {"silent", FaultKind::Silent, 0, milliseconds(300)},
        {"crlf", FaultKind::CrLf, 0, milliseconds(300)},
        {"noise", FaultKind::Noise, 0, milliseconds(300)},
        {"slow", FaultKind::Slow, 0, milliseconds(300)},
        {"slow=1500", FaultKind::Slow, 0, milliseconds(1500)},
        {"stop-after=0", FaultKind::StopAfter, 0, milliseconds(300)},
        {"stop-after=120", FaultKind::StopAfter, 120, milliseconds(300)},
        {"hang-up", FaultKind::HangUp, kDefaultHangUpBytes, milliseconds(300)},
        {"hang-up=40", FaultKind::HangUp, 40, milliseconds(300)},
        {"error", FaultKind::ErrorReplies, 0, milliseconds(300)},
    };
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        const auto mode = ParseFaultMode(c.text);
        ASSERT_TRUE(mode.has_value());
        EXPECT_EQ(*mode, (FaultMode{c.kind, c.bytes, c.pause}));
    }
    for (const char* bad : {"", "loud", "SILENT", "slow=", "slow=-5", "slow=fast", "stop-after",
                            "stop-after=x", "hang-up=-1", "crlf=2", "silent=1", "slow=9999999"}) {
        SCOPED_TRACE(bad);
        std::string why;
        EXPECT_FALSE(ParseFaultMode(bad, &why).has_value());
        EXPECT_FALSE(why.empty());
    }
}

Reply Lines(std::initializer_list<const char*> lines) {
    Reply reply;
    for (const char* line : lines)
        reply.push_back({line, true});
    return reply;
}

std::string Bytes(const ShapedReply& shaped) {
    std::string bytes;
    for (const Emission& e : shaped.emissions)
        bytes += e.bytes;
    return bytes;
}

const Reply kDump = {{"sdd file length:6\n", true},
                     {"begin dump sdd file\n", true},
                     {"a=1\nb\n", false},
                     {"end dump sdd file\n", true},
                     {"Sending CMD OK!\n", true}};

TEST(FaultShaper, ReshapesLinesButNeverTheAnnouncedBody) {
    FaultShaper crlf({FaultKind::CrLf});
    EXPECT_EQ(Bytes(crlf.Shape(kDump)), "sdd file length:6\r\nbegin dump sdd file\r\na=1\nb\n"
                                        "end dump sdd file\r\nSending CMD OK!\r\n");

    FaultShaper noise({FaultKind::Noise});
    const std::string noisy = Bytes(noise.Shape(kDump));
    EXPECT_NE(noisy.find("begin dump sdd file\na=1\nb\n"), std::string::npos)
        << "the body follows the begin line at once";
    EXPECT_EQ(std::count(noisy.begin(), noisy.end(), '\n'), 4 * 2 + 2);

    FaultShaper none({});
    EXPECT_EQ(Bytes(none.Shape(kDump)), Join(kDump));

    FaultShaper silent({FaultKind::Silent});
    EXPECT_TRUE(silent.Shape(kDump).emissions.empty());
}

TEST(FaultShaper, SlowModePausesInsideEveryLineAndTheBody) {
    FaultShaper slow({FaultKind::Slow, 0, milliseconds(250)});
    const ShapedReply shaped = slow.Shape(kDump);
    EXPECT_EQ(Bytes(shaped), Join(kDump));
    ASSERT_EQ(shaped.emissions.size(), 10u);
    for (std::size_t i = 0; i < shaped.emissions.size(); i += 2) {
        EXPECT_EQ(shaped.emissions[i].pauseAfter, milliseconds(250));
        EXPECT_EQ(shaped.emissions[i].bytes.find('\n'), std::string::npos)
            << "the pause falls before the line feed";
    }
}

TEST(FaultShaper, CountsBytesAcrossRepliesBeforeStoppingOrHangingUp) {
    const Reply ok = Lines({"Sending CMD OK!\n"}); // 16 bytes
    FaultShaper stop({FaultKind::StopAfter, 20});
    EXPECT_EQ(Bytes(stop.Shape(ok)), "Sending CMD OK!\n");
    EXPECT_EQ(Bytes(stop.Shape(ok)), "Send");
    EXPECT_FALSE(stop.Shape(ok).hangUp);
    EXPECT_EQ(Bytes(stop.Shape(ok)), "");
    EXPECT_EQ(stop.BytesSent(), 20u);

    FaultShaper hang({FaultKind::HangUp, 20});
    ShapedReply first = hang.Shape(ok);
    EXPECT_FALSE(first.hangUp);
    ShapedReply second = hang.Shape(ok);
    EXPECT_EQ(Bytes(second), "Send");
    EXPECT_TRUE(second.hangUp);

    FaultShaper atOnce({FaultKind::HangUp, 0});
    ShapedReply nothing = atOnce.Shape(ok);
    EXPECT_EQ(Bytes(nothing), "");
    EXPECT_TRUE(nothing.hangUp);
}

} // namespace
} // namespace kel::board
