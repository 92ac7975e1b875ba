// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/CommandExchange.h"
#include "tests/support/PtyConnection.h"

#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace kel {
namespace {

using namespace std::chrono_literals;

TEST(CommandExchangeReply, LineLongerThanTheLimitIsNeverAccepted) {
    for (int limit : {kLineLimit, kProbeLineLimit}) {
        SCOPED_TRACE(limit);
        test::PtyConnection link(2);
        const std::string body(static_cast<std::size_t>(limit), 'x');
        link.peer.Send(body + "\n");
        char buffer[kProbeBufferSize];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(ReadReplyLine(link.ctx, buffer, limit), kResultFailed);
        EXPECT_EQ(std::string(buffer), body); // NUL right after the limit
        EXPECT_EQ(link.ctx.log, "");
        // The rest is read as the start of the next line.
        EXPECT_EQ(ReadReplyLine(link.ctx, buffer, limit), kResultOk);
        EXPECT_STREQ(buffer, "\n");
        EXPECT_EQ(link.ctx.log, "\r\n");
    }
}

TEST(CommandExchangeReply, LimitThatIsNotPositiveFails) {
    test::PtyConnection link(2);
    link.peer.Send("Sending CMD OK!\n");
    for (int limit : {0, -1, -2, -100000})
        EXPECT_EQ(WaitForLine(link.ctx, {kCmdOk}, limit), kResultFailed);
}

TEST(CommandExchangeReply, LineOfExactlyTheLimitIsAccepted) {
    test::PtyConnection link(2);
    const std::string line = std::string(kLineLimit - 1, 'y') + "\n";
    link.peer.Send(line);
    char buffer[kReplyBufferSize];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(ReadReplyLine(link.ctx, buffer, kLineLimit), kResultOk);
    EXPECT_EQ(std::string(buffer), line);
    EXPECT_EQ(link.ctx.log, std::string(kLineLimit - 1, 'y') + "\r\n");
}

TEST(CommandExchangeReply, PausesInsideALineUseUpAttempts) {
    test::PtyConnection link(2, 10ms);
    std::jthread board([&] {
        link.peer.Send("Sending ");
        std::this_thread::sleep_for(60ms);
        link.peer.Send("CMD OK!\n");
    });
    EXPECT_EQ(WaitAck(link.ctx), kResultOk);
    EXPECT_EQ(link.ctx.log, "Sending CMD OK!\r\n");
}

TEST(CommandExchangeReply, SilentLineGivesUpAfterTheLimitInRealSlices) {
    test::PtyConnection link(2, ReadWatchdog::kSlice);
    char buffer[kReplyBufferSize];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadReplyLine(link.ctx, buffer, 5), kResultFailed);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 5 * ReadWatchdog::kSlice - 10ms);
    EXPECT_LT(elapsed, 3s);
}

TEST(CommandExchangeReply, ChatteringBoardGivesUpAtTheBound) {
    {
        test::PtyConnection link(2, 2s); // only the bound ends this wait soon
        link.ctx.chatterBound = {60s, 3};
        link.peer.Send("one\ntwo\nthree\nSending CMD OK!\n");
        EXPECT_EQ(WaitAck(link.ctx), kResultFailed);
        EXPECT_EQ(link.ctx.log, "one\r\ntwo\r\nthree\r\n");
    }
    test::PtyConnection link(2, 2s);
    link.ctx.chatterBound = {200ms, 2000};
    std::jthread board([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            link.peer.Send("debug\n");
            std::this_thread::sleep_for(10ms);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitAck(link.ctx), kResultFailed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(CommandExchangeReply, CrLfEndsALineAsLfDoesButOnlyOneCrGoes) {
    test::PtyConnection link(2);
    link.peer.ScriptReplies({"Sending CMD OK!\r\n"});
    EXPECT_EQ(ConnectDevice(link.ctx), kResultOk);
    EXPECT_EQ(link.ctx.log, "kel connect\nSending CMD OK!\r\n");
    link.peer.ScriptReplies({"Sending CMD OK!\r\r\n"});
    EXPECT_EQ(ConnectDevice(link.ctx), kResultFailed);
}

struct AckCase {
    const char* line;
    int waitAck;
    int waitAnyAck;
};

TEST(CommandExchangeReply, AcknowledgementWaitsAcceptTheirLines) {
    const AckCase cases[] = {
        {kCmdOk, kResultOk, kResultOk},           {kAck200, kResultOk, kResultOk},
        {kCmdError, kResultOk, kResultOk},        {kAck400, kResultFailed, kResultOk},
        {kDriverReady, kResultFailed, kResultOk},
    };
    for (const AckCase& c : cases) {
        SCOPED_TRACE(c.line);
        for (bool any : {false, true}) {
            test::PtyConnection link(0, 1ms); // the lines that fail wait for the give-up
            link.peer.Send(std::string("other line\n") + c.line);
            EXPECT_EQ(any ? WaitAnyAck(link.ctx) : WaitAck(link.ctx),
                      any ? c.waitAnyAck : c.waitAck);
            EXPECT_EQ(link.ctx.log.rfind("other line\r\n", 0), 0u);
        }
    }
}

TEST(CommandExchangeReply, LogPaneIsEmptiedOnlyBeforeAReplyLine) {
    const std::string echo = "kel connect\n";
    const std::string reply = "Sending CMD OK!\r\n";
    struct Case {
        std::size_t filled; // the echo brings the pane to just under or to the limit
        bool emptied;
    };
    for (const Case c :
         {Case{kLogPaneLimit - echo.size() - 1, false}, Case{kLogPaneLimit - echo.size(), true}}) {
        SCOPED_TRACE(c.filled);
        test::PtyConnection link(2);
        link.ctx.log.assign(c.filled, 'a');
        link.peer.ScriptReplies({kCmdOk});
        ASSERT_EQ(ConnectDevice(link.ctx), kResultOk);
        const std::string expected = c.emptied ? reply : std::string(c.filled, 'a') + echo + reply;
        EXPECT_TRUE(link.ctx.log == expected) << link.ctx.log.size() << " characters";
    }
    // A command echo never empties the pane, however full.
    test::PtyConnection link(2);
    link.ctx.log.assign(kLogPaneLimit + 5, 'a');
    EXPECT_EQ(DisconnectDevice(link.ctx), kResultOk);
    EXPECT_TRUE(link.ctx.log == std::string(kLogPaneLimit + 5, 'a') + "kel disconnect\n");
}

TEST(CommandExchangeReply, HangUpEndsTheReaderWithoutLogging) {
    test::PtyConnection link(2, 2s);
    link.peer.Send("half a li");
    std::jthread unplug([&] {
        std::this_thread::sleep_for(50ms);
        link.peer.HangUp();
    });
    char buffer[kReplyBufferSize];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadReplyLine(link.ctx, buffer, kLineLimit), kResultFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(link.ctx.log, "");
}

TEST(CommandExchangeReply, BoardBytesShowAsLatin1UpToANul) {
    test::PtyConnection link(2);
    link.peer.Send(std::string("caf\xe9\n", 5));
    link.peer.Send(std::string("ab\0cd\n", 6));
    char buffer[kReplyBufferSize];
    ASSERT_EQ(ReadReplyLine(link.ctx, buffer, kLineLimit), kResultOk);
    ASSERT_EQ(ReadReplyLine(link.ctx, buffer, kLineLimit), kResultOk);
    EXPECT_EQ(link.ctx.log, "caf\xe9\r\nab\r\n");
}

} // namespace
} // namespace kel
