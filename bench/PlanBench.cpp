// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of plan runs: the same plan (the offset, a 3 x 2 RX sweep of 0.5 s
// points, a 1 s TX on a shared analyser) on 1, 4 and 16 virtual boards. The
// boards are served by kel-virtual-board in a process of their own, so the
// processor time counted is the runner's alone. Prints the wall time of each
// run with and without the shared step (which takes one board at a time by
// design), the runner's share of one core, and the two ratios.

#include "bench/BenchClock.h"
#include "plan/PlanReader.h"
#include "plan/PlanRun.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/PlanTexts.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace kel;
using bench::Clock;

const std::string kPlan = test::QB202Plan("bench", test::kOffsetThenSweep) + R"(channels = "1,6,11"
rates = "1,54"
seconds = 0.5
sent = 50
[[step]]
do = "tx"
channel = 7
rate = 65
seconds = 1
shared = "analyser"
)";

// Each board's time in the shared step, its wait for the turn included.
struct SharedTime : plan::BoardListener {
    void StepEnded(const plan::StepResult& step) override {
        if (step.step == 2)
            seconds = step.waited.count() + plan::Seconds(step.ended - step.started).count();
    }
    double seconds = 0;
};

struct Figures {
    double wall = 0;
    double withoutShared = 0; // the longest board's time outside the shared step
    double cpuShare = 0;      // of one core
    double boardsShare = 0;   // the virtual boards' process
    bool passed = true;
};

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Figures RunOn(const plan::Plan& plan, int boards) {
    const double boardsBefore = ChildrenCpuSeconds();
    test::ChildProcess tray = test::Spawn(KEL_VIRTUAL_BOARD, {"--count", std::to_string(boards)});
    std::vector<plan::BoardIdentity> identities;
    for (int i = 0; i < boards; ++i)
        identities.push_back({test::ReadLine(tray.out), ""});
    for (plan::BoardIdentity& identity : identities)
        identity.port.erase(identity.port.find_last_not_of("\r\n") + 1);

    Figures figures;
    std::vector<SharedTime> shared(static_cast<std::size_t>(boards));
    std::vector<plan::BoardListener*> listeners;
    for (SharedTime& listener : shared)
        listeners.push_back(&listener);
    const double cpuBefore = bench::ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    {
        plan::PlanRun run(plan, identities);
        std::vector<std::string> problems;
        if (!run.Open(problems)) {
            std::fprintf(stderr, "cannot open the virtual boards: %s\n", problems[0].c_str());
            figures.passed = false;
        } else {
            run.Start(listeners);
            run.WaitFor(std::chrono::hours(1));
            for (std::size_t i = 0; i < run.Outcomes().size(); ++i) {
                const plan::BoardOutcome& outcome = run.Outcomes()[i];
                figures.passed = figures.passed && outcome.verdict == plan::BoardVerdict::Pass;
                figures.withoutShared =
                    std::max(figures.withoutShared, outcome.took.count() - shared[i].seconds);
            }
        }
    }
    figures.wall = bench::SecondsSince(start);
    figures.cpuShare = (bench::ProcessCpuSeconds() - cpuBefore) / figures.wall;
    kill(tray.pid, SIGTERM);
    test::WaitExit(tray);
    figures.boardsShare = (ChildrenCpuSeconds() - boardsBefore) / figures.wall;
    return figures;
}

} // namespace

int main() {
    const plan::PlanReading reading = plan::ReadPlan(kPlan, "bench.toml");
    if (!reading.plan) {
        std::fprintf(stderr, "%s\n", reading.errors[0].Text().c_str());
        return 1;
    }
    std::printf("plan: freq-offset, a 3 x 2 RX sweep of 0.5 s points, a 1 s TX on a shared "
                "analyser\n");
    std::printf("%6s  %8s  %22s  %18s  %18s\n", "boards", "wall s", "without shared step s",
                "runner, % of core", "boards, % of core");
    std::vector<Figures> all;
    for (const int boards : {1, 4, 16}) {
        all.push_back(RunOn(*reading.plan, boards));
        const Figures& f = all.back();
        std::printf("%6d  %8.2f  %22.2f  %18.2f  %18.2f%s\n", boards, f.wall, f.withoutShared,
                    100.0 * f.cpuShare, 100.0 * f.boardsShare,
                    f.passed ? "" : "  (a board did not pass)");
    }
    std::printf("16 boards against 1, shared step excluded: %.3f x (target: at most 1.15 x)\n",
                all[2].withoutShared / all[0].withoutShared);
    std::printf("the whole 16-board run: %.2f %% of one core (target: at most 10 %%); with the "
                "virtual boards' process %.2f %%\n",
                100.0 * all[2].cpuShare, 100.0 * (all[2].cpuShare + all[2].boardsShare));
    return 0;
}
