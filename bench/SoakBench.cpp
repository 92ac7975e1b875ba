// SPDX-License-Identifier: GPL-3.0-or-later
// A soak of a station: kel-rftest plan run --loop on four slots for a set
// time (10 minutes; --seconds S to shorten it), recording to a PostgreSQL
// server of its own through the station's local store. The benchmark plugs
// and pulls virtual boards (symlinks, as a fixture's by-path link comes and
// goes), each board new, with faults mixed in: a board that hangs up in the
// middle of its test, a silent board, and the server stopped for a while and
// started again. Prints the boards tested, the runs recorded locally and on
// the server (lost and duplicated), the slots that hung, and the station's
// memory at the start and the end.

#include "board/BoardTray.h"
#include "results/Queries.h"
#include "results/ServerLink.h"
#include "results/Store.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kSlots = 4;
// A slot whose board's run has not ended by then has hung (a silent board
// takes the handshake's 18 s).
constexpr auto kRunBound = 90s;

constexpr char kPlan[] = R"(name = "soak"
model = "QB202"
[[step]]
do = "freq-offset"
min = 0
max = 127
[[step]]
do = "rx"
channel = 6
rate = 54
seconds = 0.5
sent = 50
max_per = 20
[[step]]
do = "tx"
seconds = 0.2
shared = "analyser"
)";

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// The station's resident memory, in kB.
long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    }
    return -1;
}

// The runs recorded in the store, by id, with their measurement counts;
// those of one slot's port that ended when port is given.
std::map<std::string, std::int64_t> LocalRuns(const std::filesystem::path& file,
                                              const std::string& port = {}) {
    std::map<std::string, std::int64_t> runs;
    try {
        results::Store store(file, results::Store::Open::ReadOnly);
        for (const results::RunSummary& run : results::ListRuns(store, {})) {
            if (port.empty() || (run.run.port == port && !run.run.endedAt.empty()))
                runs[run.run.id] = run.points;
        }
    } catch (const std::exception&) {
        // Not made yet, or a writer's moment: asked again.
    }
    return runs;
}

struct Counts {
    std::atomic<int> plugged{0}, hungUp{0}, silent{0}, hung{0};
};

// One fixture: a new board plugged in, left until its run ended, pulled.
void Fixture(int slot, const std::string& link, const std::filesystem::path& store,
             Clock::time_point until, std::atomic<int>& nextBoard, Counts& counts) {
    while (Clock::now() < until) {
        const int number = nextBoard++;
        std::vector<board::BoardConfig> configs = board::TrayConfigs(1);
        configs[0].index = number; // its own MAC
        if (number % 9 == 4) {
            configs[0].fault = {board::FaultKind::HangUp, 300}; // in the middle of its test
            ++counts.hungUp;
        } else if (number % 13 == 7) {
            configs[0].fault = {board::FaultKind::Silent};
            ++counts.silent;
        }
        board::BoardTray tray(configs);
        const std::size_t before = LocalRuns(store, link).size();
        std::filesystem::create_symlink(tray.SlavePath(0), link);
        ++counts.plugged;
        const Clock::time_point plugged = Clock::now();
        while (LocalRuns(store, link).size() == before && Clock::now() - plugged < kRunBound)
            std::this_thread::sleep_for(100ms);
        if (LocalRuns(store, link).size() == before) {
            std::fprintf(stderr, "slot %d hung on board %d\n", slot, number);
            ++counts.hung;
        }
        std::filesystem::remove(link);
        std::this_thread::sleep_for(200ms); // the operator's hand
    }
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 600;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds")
            seconds = std::atoi(argv[i + 1]);
    }
    test::TempFolder folder;
    const std::filesystem::path server = KEL_BENCH_POSTGRES;
    if (Shell(std::string(KEL_POSTGRES_SCRIPT) + " start " + server.string() + " >/dev/null") !=
        0) {
        std::fprintf(stderr, "no PostgreSQL server: the soak needs one\n");
        return 77;
    }
    std::string uri;
    std::getline(std::ifstream(server / "uri"), uri);
    setenv("XDG_DATA_HOME", (folder.path / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (folder.path / "state").c_str(), 1);
    const std::filesystem::path store = folder.path / "data" / "kelGuiTool" / "results.sqlite";
    const std::filesystem::path plan = folder.path / "soak.toml";
    std::ofstream(plan) << kPlan;

    std::vector<std::string> args{"plan",      "run",  plan.string(), "--loop",
                                  "--station", "soak", "--results",   uri};
    std::vector<std::string> links;
    for (int slot = 0; slot < kSlots; ++slot) {
        links.push_back((folder.path / ("slot" + std::to_string(slot + 1))).string());
        args.insert(args.end(), {"-p", links.back()});
    }
    test::ChildProcess station = test::Spawn(KEL_RFTEST, args);
    // Its output is read as it comes (a full pipe would stop it); the last
    // line is kept.
    std::string lastLine;
    std::jthread drainOut([&] {
        for (std::string line; !(line = test::ReadLine(station.out, 3600s)).empty();)
            lastLine = line;
    });
    std::jthread drainErr([&] {
        while (!test::ReadLine(station.err, 3600s).empty()) {
        }
    });
    std::printf("soak: %d slots for %d s, server %s\n", kSlots, seconds, server.c_str());

    const Clock::time_point began = Clock::now();
    const Clock::time_point until = began + std::chrono::seconds(seconds);
    Counts counts;
    std::atomic<int> nextBoard{0};
    std::vector<std::jthread> fixtures;
    for (int slot = 0; slot < kSlots; ++slot)
        fixtures.emplace_back(
            [&, slot] { Fixture(slot, links[slot], store, until, nextBoard, counts); });

    // The server goes away for a while now and then.
    int outages = 0;
    long startKb = -1;
    for (auto next = began + 20s; Clock::now() < until; std::this_thread::sleep_for(200ms)) {
        if (startKb < 0 && LocalRuns(store).size() >= kSlots)
            startKb = ResidentKb(station.pid);
        if (Clock::now() < next)
            continue;
        Shell(std::string(KEL_POSTGRES_SCRIPT) + " pause " + server.string() + " >/dev/null");
        std::this_thread::sleep_for(8s);
        Shell(std::string(KEL_POSTGRES_SCRIPT) + " resume " + server.string() + " >/dev/null");
        ++outages;
        next = Clock::now() + 45s;
    }
    fixtures.clear();
    const long endKb = ResidentKb(station.pid);
    kill(station.pid, SIGINT);
    drainOut.join();
    drainErr.join();
    const int exit = test::WaitExit(station, 30s);
    const bool stationHung = exit != 130;
    // What still waits in the outbox goes now, as an operator would send it.
    test::ChildProcess sync = test::Spawn(KEL_RFTEST, {"--results", uri, "results", "sync"});
    test::ReadToEnd(sync.out, 60s);
    test::WaitExit(sync, 60s);

    const std::map<std::string, std::int64_t> local = LocalRuns(store);
    std::map<std::string, std::int64_t> remote;
    std::size_t serverRows = 0;
    try {
        results::ServerLink link(uri);
        for (const results::RunSummary& run : link.ListRuns({})) {
            remote[run.run.id] = run.points;
            ++serverRows;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "server: %s\n", e.what());
    }
    // Rows, not only runs: a run's measurements missing or doubled on the
    // server count too.
    std::int64_t lost = 0, duplicated = static_cast<std::int64_t>(serverRows - remote.size());
    for (const auto& [id, points] : local) {
        const auto there = remote.find(id);
        lost +=
            there == remote.end() ? 1 + points : std::max<std::int64_t>(points - there->second, 0);
        duplicated += there == remote.end() ? 0 : std::max<std::int64_t>(there->second - points, 0);
    }
    for (const auto& [id, points] : remote)
        duplicated += local.count(id) == 0 ? 1 + points : 0;
    std::int64_t measurements = 0;
    for (const auto& [id, points] : local)
        measurements += points;
    const int unrecorded = counts.plugged - static_cast<int>(local.size());
    std::printf("boards tested:            %d (%d hung up mid-test, %d silent)\n",
                counts.plugged.load(), counts.hungUp.load(), counts.silent.load());
    std::printf("runs recorded locally:    %zu with %lld measurements (%d boards without a run)\n",
                local.size(), static_cast<long long>(measurements), unrecorded);
    std::printf("runs on the server:       %zu (rows lost %lld, duplicated %lld)\n", remote.size(),
                static_cast<long long>(lost), static_cast<long long>(duplicated));
    std::printf("server outages:           %d\n", outages);
    std::printf("slots that hung:          %d%s\n", counts.hung.load(),
                stationHung ? " (and the station did not end on Ctrl+C)" : "");
    std::printf("station memory (RSS):     %ld kB at the start, %ld kB at the end\n", startKb,
                endKb);
    std::printf("station's last line:      %s\n", lastLine.c_str());
    Shell(std::string(KEL_POSTGRES_SCRIPT) + " stop " + server.string() + " >/dev/null");
    return lost == 0 && duplicated == 0 && unrecorded == 0 && counts.hung == 0 && !stationHung ? 0
                                                                                               : 1;
}
