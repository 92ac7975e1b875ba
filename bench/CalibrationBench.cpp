// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of calibration on the virtual bench: the crystal, the TX power of
// the three rate classes (both stored) and the sensitivity at 54 Mbit/s,
// run as a plan on one board, on 4 boards sharing one instrument and on 16.
// Prints the measurements each board took for its crystal and per power
// class (median, max), the PER points per sensitivity, the seconds per
// board, and how the 4 boards' wall time compares with the time the
// instrument was held (utilisation).

#include "bench/BenchClock.h"
#include "bench/BenchPlan.h"
#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "instrument/Instrument.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
#include "plan/PlanReader.h"
#include "plan/PlanRun.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

using namespace kel;
using bench::Clock;
using rftest::MeasurementKind;

constexpr char kPlan[] = R"(name = "calibration bench"
model = "QB202"
[instrument]
url = "virtual"
[[step]]
do = "calibrate-freq"
save = true
[[step]]
do = "calibrate-power"
save = true
[[step]]
do = "sensitivity"
rates = [54]
)";

// What one board measured, by kind of trial.
struct Counts : plan::BoardListener {
    void Measured(const plan::PointResult& point) override {
        switch (point.measurement.kind) {
        case MeasurementKind::FreqTrial:
            ++crystal;
            break;
        case MeasurementKind::PowerTrial:
            ++power[point.measurement.text];
            break;
        case MeasurementKind::SensPoint:
            ++perPoints;
            break;
        default:
            break;
        }
    }
    int crystal = 0;
    std::map<std::string, int> power;
    int perPoints = 0;
};

struct Figures {
    double wall = 0;
    double held = 0; // seconds the instrument was held, every board's summed
    std::vector<int> crystal, power, perPoints;
    int passed = 0;
};

std::string MedianMax(std::vector<int> values) {
    if (values.empty())
        return "-";
    std::sort(values.begin(), values.end());
    return std::to_string(values[values.size() / 2]) + " / " + std::to_string(values.back());
}

Figures RunOn(const plan::Plan& plan, int boards) {
    Figures figures;
    board::BoardTray tray(board::TrayConfigs(boards));
    board::InstrumentServer server(tray, 0, "kelGuiTool,Virtual Bench,bench,1");
    std::string why;
    std::vector<instrument::ProfileError> problems;
    instrument::Instrument bench(*instrument::ParseInstrumentUrl(server.Url(), why),
                                 *instrument::LoadProfile("scpi", problems));
    bench.Connect();

    std::vector<plan::BoardIdentity> identities;
    plan::BoardRunSettings settings;
    for (int i = 0; i < boards; ++i) {
        identities.push_back({tray.SlavePath(std::size_t(i)), ""});
        settings.routes[identities.back().port] = i + 1;
    }
    std::mutex mutex;
    settings.instrument = &bench;
    settings.instrumentHeld = [&](Clock::duration held) {
        const std::lock_guard lock(mutex);
        figures.held += std::chrono::duration<double>(held).count();
    };
    std::vector<Counts> counts(static_cast<std::size_t>(boards));
    std::vector<plan::BoardListener*> listeners;
    for (Counts& c : counts)
        listeners.push_back(&c);
    const Clock::time_point start = Clock::now();
    {
        plan::PlanRun run(plan, identities, settings);
        std::vector<std::string> opened;
        if (!run.Open(opened))
            return figures;
        run.Start(listeners);
        run.WaitFor(std::chrono::hours(1));
        for (const plan::BoardOutcome& outcome : run.Outcomes())
            figures.passed += outcome.verdict == plan::BoardVerdict::Pass;
    }
    figures.wall = bench::SecondsSince(start);
    for (const Counts& c : counts) {
        figures.crystal.push_back(c.crystal);
        for (const auto& [rateClass, trials] : c.power)
            figures.power.push_back(trials);
        figures.perPoints.push_back(c.perPoints);
    }
    return figures;
}

void PrintHeader() {
    std::printf("plan: calibrate-freq and calibrate-power (saved), sensitivity at 54 Mbit/s; "
                "one instrument\n\n");
    std::printf("%6s %7s %9s %10s %12s %14s %12s %10s\n", "boards", "passed", "wall s", "s/board",
                "held s", "wall/held", "crystal m/M", "power m/M");
}

} // namespace

int main() {
    // The rows: the same plan on more and more boards sharing one instrument.
    const std::optional<plan::Plan> plan = bench::ReadBenchPlan(kPlan);
    if (!plan)
        return 1;
    PrintHeader();
    for (const int boards : {1, 4, 16}) {
        const Figures f = RunOn(*plan, boards);
        std::printf("%6d %7d %9.2f %10.2f %12.2f %14.2f %12s %10s   PER points %s\n", boards,
                    f.passed, f.wall, f.wall / boards, f.held, f.held > 0 ? f.wall / f.held : 0.0,
                    MedianMax(f.crystal).c_str(), MedianMax(f.power).c_str(),
                    MedianMax(f.perPoints).c_str());
    }
    std::printf("\nm/M: median / max measurements per board (power: per rate class); "
                "wall/held: the run's wall time over the time the instrument was held\n");
    return 0;
}
