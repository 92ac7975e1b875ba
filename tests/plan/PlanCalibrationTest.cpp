// SPDX-License-Identifier: GPL-3.0-or-later
// Calibration steps in a plan run on virtual boards sharing the virtual
// bench's one instrument: a cancel while a tone is measured leaves no tone on and
// nothing stored, and a plan without an instrument is refused at its check.

#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "instrument/Instrument.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
#include "plan/PlanReader.h"
#include "plan/PlanRun.h"

#include <gtest/gtest.h>
#include <thread>

namespace kel::plan {
namespace {

constexpr char kPlan[] = R"(name = "line"
model = "QB202"
[[step]]
do = "calibrate-freq"
save = true
max_steps = 6
[instrument]
url = "virtual"
)";

TEST(PlanCalibration, ACancelMidCalibrationStopsEveryToneAndStoresNothing) {
    const PlanReading reading = ReadPlan(kPlan, "line.toml");
    ASSERT_TRUE(reading.plan);
    board::BoardTray tray(board::TrayConfigs(3));
    board::InstrumentServer server(tray, 0, "kelGuiTool,Test Bench,1,1");
    std::string why;
    std::vector<instrument::ProfileError> problems;
    instrument::Instrument bench(*instrument::ParseInstrumentUrl(server.Url(), why),
                                 *instrument::LoadProfile("scpi", problems));
    bench.Connect();
    std::vector<BoardIdentity> boards;
    std::vector<int> stored;
    BoardRunSettings settings;
    for (std::size_t i = 0; i < tray.Size(); ++i) {
        boards.push_back({tray.SlavePath(i), ""});
        settings.routes[boards.back().port] = int(i) + 1;
        stored.push_back(tray.State(i).sddFreqOffset);
    }
    settings.instrument = &bench;
    PlanRun run(*reading.plan, boards, settings);
    std::vector<std::string> opened;
    ASSERT_TRUE(run.Open(opened));
    BoardListener quiet;
    run.Start({&quiet, &quiet, &quiet});
    // Ctrl+C while a board's tone is on and the instrument measures it.
    bool toneSeen = false;
    for (int i = 0; i < 2000 && !toneSeen; ++i) {
        for (std::size_t b = 0; b < tray.Size(); ++b)
            toneSeen = toneSeen || tray.State(b).toneRunning;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(toneSeen);
    run.Cancel();
    ASSERT_TRUE(run.WaitFor(std::chrono::seconds(30)));
    for (std::size_t i = 0; i < tray.Size(); ++i) {
        EXPECT_EQ(run.Outcomes()[i].verdict, BoardVerdict::Interrupted) << i;
        EXPECT_FALSE(tray.State(i).toneRunning) << i;
        EXPECT_EQ(tray.State(i).sddFreqOffset, stored[i]) << i;
    }
}

TEST(PlanCalibration, ACalibrationStepNeedsAnInstrumentAndAModelWithTheCommands) {
    const PlanReading reading = ReadPlan(R"(name = "line"
model = "QB201"
[[step]]
do = "calibrate-power"
)",
                                         "line.toml");
    ASSERT_FALSE(reading.plan);
    ASSERT_EQ(reading.errors.size(), 2u);
    EXPECT_NE(reading.errors[1].message.find("QB201 has no SDD power table"), std::string::npos);
    const PlanReading noInstrument = ReadPlan(R"(name = "line"
model = "QB202"
[[step]]
do = "sensitivity"
max_dbm = -70
)",
                                              "line.toml");
    ASSERT_EQ(noInstrument.errors.size(), 1u);
    EXPECT_EQ(noInstrument.errors[0].Text(),
              "line.toml:3:1: step 1 (sensitivity): measures with an instrument: the plan needs "
              "an [instrument] table with its url");
}

} // namespace
} // namespace kel::plan
