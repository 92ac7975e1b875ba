// SPDX-License-Identifier: GPL-3.0-or-later
// The handshake and the RX sweep against a scripted board: the order of the
// command lines and what each point records.

#include "rftest/Connection.h"
#include "rftest/RxMeasurement.h"
#include "tests/support/PtyConnection.h"

#include <gtest/gtest.h>
#include <vector>

namespace kel::rftest {
namespace {

using namespace std::chrono_literals;

constexpr char kOk[] = "Sending CMD OK!\n";

TEST(Handshake, TheFirstStepThatFailsNamesItsCommand) {
    test::PtyConnection link(2);
    link.peer.ScriptReplies({"kel driver is ready!\n", "Sending CMD error!\n"});
    std::string power;
    EXPECT_STREQ(Handshake(link.ctx, power), kConnectFailed);
    // Nothing after the refused connect: no enable_phy.
    EXPECT_EQ(link.peer.Received(), std::string("kel\n\0kel connect\n\0", 18));
}

TEST(RxSweep, EachChannelThenEachRateIsSetAndMeasured) {
    test::PtyConnection link(2);
    // channel, rate, rx, then rx_stop with the point's counters.
    for (const char* counters :
         {"Total:990\nAbortError:0\nCRCError:10\n", "Total:1000\nAbortError:0\nCRCError:0\n",
          "Total:1010\nAbortError:0\nCRCError:0\n", "CRCError:5\n"})
        link.peer.ScriptReplies(
            {kOk, "power level:20\nSending CMD OK!\n", kOk, std::string(counters) + kOk});

    std::vector<std::chrono::milliseconds> pauses;
    std::vector<std::string> starts;
    std::vector<RxPoint> points;
    SweepObserver observer;
    observer.starting = [&](std::size_t index, std::size_t count, int channel, int rateRow) {
        starts.push_back(std::to_string(index) + "/" + std::to_string(count) + " " +
                         std::to_string(channel) + " " + std::to_string(rateRow));
    };
    observer.measured = [&](const RxPoint& point) { points.push_back(point); };
    std::string power;
    const SweepPlan plan{{1, 6}, {0, 11}, 1500ms, 1000};
    const Pause pause = [&](std::chrono::milliseconds d) {
        pauses.push_back(d);
        return true;
    };
    ASSERT_EQ(SweepRx(link.ctx, plan, pause, power, observer), nullptr);

    std::string expected;
    for (const char* channel : {"1", "6"}) {
        for (const char* rate : {"-m 1 -r 1.0", "-m 2 -r 54.0"}) {
            expected += std::string("kel channel 2GHZ ") + channel + "\nkel rate " + rate +
                        "\nkel rx\nkel rx_stop\n";
        }
    }
    EXPECT_EQ(link.peer.Received(), expected);
    EXPECT_EQ(starts, (std::vector<std::string>{"0/4 1 0", "1/4 1 11", "2/4 6 0", "3/4 6 11"}));
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(4, 1500ms));
    EXPECT_EQ(power, "20");
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].perText, "2.00");
    EXPECT_EQ(points[0].PerPercent(), 2.0);
    EXPECT_EQ(points[1].perText, "0.00");
    EXPECT_EQ(points[2].perText, "1.00"); // received beyond the sent count are errors too
    // Counters the board leaves out count as 0: 1000 missed and 5 CRC errors.
    EXPECT_EQ(points[3].counters.total, 0);
    EXPECT_EQ(points[3].perText, "100.50");
    EXPECT_EQ(points[3].PerPercent(), std::nullopt); // above 100 %: no rate
    const Measurement last = MeasurementOf(points[3]);
    EXPECT_EQ(last.channel, 6);
    EXPECT_EQ(last.rateMbps, 54.0);
    EXPECT_EQ(last.sent, 1000);
    EXPECT_EQ(last.crcErrors, 5);
    EXPECT_EQ(last.perPercent, std::nullopt);
    EXPECT_EQ(MeasurementOf(points[0]).perPercent, 2.0);
}

TEST(RxSweep, AnInterruptedPauseEndsTheSweepWithTheRxStillOn) {
    test::PtyConnection link(0);
    link.peer.ScriptReplies({kOk, "Sending CMD OK!\n", kOk});
    std::string power;
    int measured = 0;
    SweepObserver observer;
    observer.measured = [&](const RxPoint&) { ++measured; };
    const SweepPlan plan{{3}, {2, 3}, 1000ms, 100};
    EXPECT_STREQ(SweepRx(
                     link.ctx, plan, [](auto) { return false; }, power, observer),
                 kInterrupted);
    // The caller stops the RX it knows it started.
    EXPECT_EQ(link.peer.Received(), "netcmd lmac kel channel 2GHZ 3\n"
                                    "netcmd lmac kel rate -m 1 -r 5.5\n"
                                    "netcmd lmac kel rx\n");
    EXPECT_EQ(measured, 0);
}

} // namespace
} // namespace kel::rftest
