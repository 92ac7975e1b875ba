// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual bench through our own client on loopback: its physics (every
// board can be trimmed within 0.5 ppm), the SCPI forms it reads, and its
// coupling to the boards' tone, TX and receiver.

#include "board/BenchPhysics.h"
#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "board/ScpiHeader.h"
#include "instrument/Instrument.h"
#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileReader.h"

#include <cmath>
#include <gtest/gtest.h>

namespace kel::test {
namespace {

using board::BoardState;

TEST(BenchPhysics, EveryDefaultBoardHasATrimCodeWithinHalfAPpmAndTheyDiffer) {
    std::vector<int> bestCodes;
    for (int index = 0; index < 64; ++index) {
        std::mt19937_64 unused;
        const auto seed = board::DrawCharacter(index, std::nullopt, unused).seed;
        const board::BenchCharacter character = board::DrawBenchCharacter(seed);
        double best = 1e9;
        int bestCode = 0;
        for (int code = 0; code <= board::kMaxTrimCode; ++code) {
            const double ppm = board::FrequencyErrorPpm(character, code);
            if (std::abs(ppm) < best) {
                best = std::abs(ppm);
                bestCode = code;
            }
            // Falling, and never by a whole ppm a step.
            const double step =
                code > 0 ? ppm - board::FrequencyErrorPpm(character, code - 1) : -0.5;
            EXPECT_LT(step, 0.0);
            EXPECT_GT(step, -1.0);
        }
        EXPECT_LE(best, 0.5) << "board " << index;
        bestCodes.push_back(bestCode);
    }
    std::sort(bestCodes.begin(), bestCodes.end());
    EXPECT_GT(std::unique(bestCodes.begin(), bestCodes.end()) - bestCodes.begin(), 20);
}

TEST(ScpiHeader, LongAndShortFormsAnyCaseAndOptionalNodes) {
    const char* pattern = "[SOURce]:POWer[:LEVel][:IMMediate][:AMPLitude]";
    for (const char* header :
         {"SOURce:POWer:LEVel", "sour:pow", ":POW:LEV:IMM:AMPL", "source:power"})
        EXPECT_TRUE(board::HeaderMatches(header, pattern)) << header;
    for (const char* header : {"SOURc:POW", "SOUR:POWER:LEVEL:X", "SOUR", "POW:SOUR"})
        EXPECT_FALSE(board::HeaderMatches(header, pattern)) << header;
    const auto commands = board::SplitScpiLine("rout:clos (@2); :MEAS:FREQ?");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].parameters, "(@2)");
    EXPECT_TRUE(commands[1].query);
    EXPECT_EQ(commands[1].header, ":MEAS:FREQ");
}

class VirtualBench : public ::testing::Test {
protected:
    VirtualBench() : tray_(board::TrayConfigs(3)), server_(tray_, 0, "kelGuiTool,Test,0,1") {
        std::vector<instrument::ProfileError> errors;
        auto profile = instrument::ReadProfile(
            std::string(KEL_SOURCE) + "/instruments/virtual-bench.toml", errors);
        std::string why;
        bench_ = std::make_unique<instrument::Instrument>(
            *instrument::ParseInstrumentUrl(server_.Url(), why), *profile);
        bench_->Connect();
    }

    void Set(std::size_t board, const std::function<void(BoardState&)>& change) {
        tray_.ModifyState(board, change);
    }
    // What the instrument reads of each board's tone, in ppm from channel 6's centre.
    double TonePpm(int route) {
        bench_->Route(route);
        const double centre = board::ChannelCentreHz(6);
        return (bench_->MeasureFrequency(centre) - centre) / centre * 1e6;
    }

    board::BoardTray tray_;
    board::InstrumentServer server_;
    std::unique_ptr<instrument::Instrument> bench_;
};

TEST_F(VirtualBench, CountsEachRoutedBoardsToneWithItsOwnCrystalAndTrim) {
    for (std::size_t i = 0; i < 3; ++i)
        Set(i, [](BoardState& s) {
            s.toneRunning = true;
            s.channel = 6;
        });
    std::vector<double> errors;
    for (int route = 1; route <= 3; ++route) {
        const double ppm = TonePpm(route);
        const board::BenchCharacter& character =
            server_.Character(static_cast<std::size_t>(route - 1));
        EXPECT_NEAR(ppm, board::FrequencyErrorPpm(character, tray_.State(route - 1).liveFreqOffset),
                    0.1);
        errors.push_back(ppm);
    }
    EXPECT_GT(std::abs(errors[0] - errors[1]), 0.5);
    // Trimmed up by ten codes, the board's frequency falls.
    Set(0, [](BoardState& s) { s.liveFreqOffset += 10; });
    EXPECT_LT(TonePpm(1), errors[0] - 5.0);
    EXPECT_EQ(bench_->Identity(), "kelGuiTool,Test,0,1");
}

TEST_F(VirtualBench, NoSignalOrNoRouteIsNoValueAndTheQueueSaysWhich) {
    try {
        bench_->MeasurePower(2437e6);
        FAIL() << "a meter with nothing routed measured";
    } catch (const instrument::InstrumentError& error) {
        EXPECT_EQ(error.fault(), instrument::Fault::NoValue);
        EXPECT_NE(std::string(error.what()).find("no route closed"), std::string::npos);
    }
    bench_->Route(2);
    EXPECT_THROW(bench_->MeasurePower(2437e6), instrument::InstrumentError);
    Set(1, [](BoardState& s) { s.txRunning = true; });
    const double dbm = bench_->MeasurePower(2437e6);
    EXPECT_GT(dbm, 15.0); // level 64 at DSSS: about 18 dBm
    EXPECT_LT(dbm, 20.0);
    Set(1, [](BoardState& s) { s.livePower[board::kDsss] -= 8; });
    EXPECT_NEAR(bench_->MeasurePower(2437e6), dbm - 2.0, 0.3);
    try {
        bench_->Route(4);
        FAIL() << "a route beyond the tray was taken";
    } catch (const instrument::InstrumentError& error) {
        EXPECT_EQ(error.fault(), instrument::Fault::Reported);
        EXPECT_NE(std::string(error.what()).find("no route 4"), std::string::npos);
    }
}

TEST_F(VirtualBench, TheGeneratorsBurstIsWhatTheRoutedBoardCounts) {
    const auto startRx = [&](std::size_t board) {
        Set(board, [](BoardState& s) {
            s.phyEnabled = s.connected = s.rxRunning = true;
            // Its tester starts later: only the bursts count.
            s.rxStart = std::chrono::steady_clock::now() + std::chrono::hours(1);
            s.channel = 1;
        });
    };
    startRx(0);
    startRx(1);
    bench_->Route(1);
    bench_->SetGenerator(board::ChannelCentreHz(1), -50.0);
    bench_->Output(true);
    EXPECT_EQ(tray_.State(0).generatorLevelDbm, -50.0);
    bench_->Burst(500);
    EXPECT_EQ(tray_.State(0).rxCounters.total, 500); // strong signal: every frame seen
    EXPECT_EQ(tray_.State(1).rxCounters.total, 0);
    bench_->SetGenerator(board::ChannelCentreHz(1), -110.0);
    bench_->Burst(500);
    EXPECT_LT(tray_.State(0).rxCounters.total, 600);
    // Moved to the other board, the generator leaves the first one to its tester.
    bench_->Route(2);
    EXPECT_FALSE(tray_.State(0).generatorLevelDbm);
    bench_->Output(false);
    EXPECT_FALSE(tray_.State(1).generatorLevelDbm);
    EXPECT_THROW(bench_->Burst(10), instrument::InstrumentError);
}

} // namespace
} // namespace kel::test
