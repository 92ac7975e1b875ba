// What kel-rftest reports and what it refuses: JSON lines, the sweep with its
// CSV and --max-per, refusals before anything is sent, a board that refuses.

#include "CliRun.h"
#include "board/VirtualBoardHost.h"
#include "cli/PointLists.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/PtyRelay.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace kel::test {
namespace {

using nlohmann::json;

std::vector<json> JsonLines(const std::string& out) {
    std::vector<json> lines;
    std::istringstream stream(out);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(json::parse(line));
    return lines;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct TempDir {
    TempDir() {
        char name[] = "/tmp/kel-rftest-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

TEST(CliOutput, RxResultIsOneJsonLineWithTheCountersAndPer) {
    PtyPeer peer;
    peer.ScriptReplies({"kel driver is ready!\n", "Sending CMD OK!\n",
                        "power level:20\nSending CMD OK!\n", "Sending CMD OK!\n",
                        "power level:18\nSending CMD OK!\n", "Sending CMD OK!\n",
                        "Total:990\nAbortError:0\nCRCError:10\nSending CMD OK!\n"});
    const CliResult result =
        RunCli({"-p", peer.SlavePath(), "-m", "QB202", "--channel", "6", "--rate", "54", "--json",
                "rx", "--seconds", "0.01", "--sent", "1000"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "{\"command\":\"rx\",\"channel\":6,\"rate\":\"54.0\",\"total\":990,"
                          "\"abort_errors\":0,\"crc_errors\":10,\"sent\":1000,\"per\":2.0,"
                          "\"ok\":true}\n");
}

TEST(CliOutput, SweepReportsEveryPointInOrderThenExceedsItsLimit) {
    TempDir dir;
    const std::filesystem::path csv = dir.path / "per.csv";
    const CliResult result = RunCli({"--virtual", "-m", "QB101", "--json", "sweep-rx", "--channels",
                                     "1-2", "--rates", "1,54", "--seconds", "0.05", "--sent",
                                     "1000", "--max-per", "5", "--csv", csv.string()});
    // The virtual board counts about 25 frames in 50 ms: far short of 1000.
    EXPECT_EQ(result.exitCode, 4) << result.err;
    const std::vector<json> lines = JsonLines(result.out);
    ASSERT_EQ(lines.size(), 4u);
    const std::pair<int, const char*> order[] = {{1, "1.0"}, {1, "54.0"}, {2, "1.0"}, {2, "54.0"}};
    std::string rows = "channel,rate_mbps,total,abort_errors,crc_errors,sent,per_percent\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const json& point = lines[i];
        EXPECT_EQ(point["command"], "sweep-rx");
        EXPECT_EQ(point["channel"], order[i].first);
        EXPECT_EQ(point["rate"], order[i].second);
        const int total = point["total"];
        const int errors =
            1000 - total + point["abort_errors"].get<int>() + point["crc_errors"].get<int>();
        EXPECT_NEAR(point["per"].get<double>(), errors / 10.0, 0.005);
        EXPECT_EQ(point["pass"], false);
        char row[96];
        std::snprintf(row, sizeof row, "%d,%s,%d,%d,%d,1000,%.2f\n", order[i].first,
                      order[i].second, total, point["abort_errors"].get<int>(),
                      point["crc_errors"].get<int>(), errors / 10.0);
        rows += row;
    }
    EXPECT_EQ(ReadFile(csv), rows);
    EXPECT_NE(result.err.find("[4/4] channel 2, 54.0 Mbit/s: receiving for 0.05 s"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("PER above the limit at 4 of 4 points"), std::string::npos);
}

TEST(CliOutput, RefusedValuesSendNothingAndExit2) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"-m", "QB202", "--power", "121", "info"}, "Invalid power value, should be -118 to 120!"},
        {{"-m", "QB202", "--power", "12abc", "info"}, "Invalid power value"},
        {{"-m", "QB202", "--channel", "15", "info"}, "--channel must be 1 to 14"},
        {{"-m", "QB202", "--rate", "7", "info"}, "--rate 7 is not a rate"},
        {{"-m", "QB202", "tx", "--length", "4096"}, "Invalid TX length!"},
        {{"-m", "QB202", "freq-offset", "set", "128"}, "should be 0-127!"},
        {{"-m", "QB202", "sdd-power", "set", "1", "2", "121"}, "should be 0-120!"},
        {{"-m", "QB201", "freq-offset", "get"}, "QB201 has no frequency-offset calibration"},
        {{"-m", "QB102", "rx", "--seconds", "1", "--sent", "5"}, "QB102 has no RX packet error"},
        {{"-m", "QB202", "rx", "--seconds", "1", "--max-per", "5"}, "--max-per requires --sent"},
        {{"-m", "QB202", "sweep-rx", "--channels", "1-20", "--rates", "1", "--seconds", "1",
          "--sent", "9"},
         "--channels: \"1-20\" is not a channel"},
        {{"-m", "QB202", "supply", "dcdc"}, "Give --yes to confirm"},
        {{"-m", "QB999", "info"}, "--model"},
        {{"-m", "QB202"}, "subcommand"},
    };
    PtyPeer peer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args{"-p", peer.SlavePath()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Usage: kel-rftest"), std::string::npos);
    }
    EXPECT_EQ(peer.Received(), "");
}

TEST(CliOutput, ACommandTheBoardRefusesExits1WithTheConsolesMessage) {
    board::VirtualBoardHost board;
    PtyRelay relay(board.SlavePath());
    cli::RunSettings quick;
    quick.watchdogSlice = std::chrono::milliseconds(5);
    const CliResult result = RunCli(
        {"-p", relay.SlavePath(), "-m", "QB202", "--json", "mac", "set", "zz", "zz", "zz"}, quick);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(
        result.out,
        "{\"command\":\"mac set\",\"ok\":false,\"error\":\"Failed to send kel set mac cmd!\"}\n");
    EXPECT_EQ(result.err, "kel-rftest: Failed to send kel set mac cmd!\n");
    // The connection still ends as the console's Disconnect ends it.
    for (int i = 0; i < 200 && board.State().connected; ++i)
        usleep(5000);
    EXPECT_FALSE(board.State().connected);
}

TEST(CliOutput, SddExportSavesTheDumpAndInfoReadsTheCalibration) {
    TempDir dir;
    const std::filesystem::path file = dir.path / "board.sdd";
    board::VirtualBoardHost board;
    board.ModifyState([](board::BoardState& s) { s.sddFreqOffset = 33; });
    const CliResult exported =
        RunCli({"-p", board.SlavePath(), "-m", "QB202", "sdd-export", file.string()});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, "SDD file saved to " + file.string() + "\n");
    EXPECT_NE(ReadFile(file).find("freq_offset=33\n"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);

    board.ModifyState([](board::BoardState& s) { s.liveFreqOffset = 21; });
    const CliResult info = RunCli({"-p", board.SlavePath(), "-m", "QB202", "--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const json line = json::parse(info.out);
    EXPECT_EQ(line["freq_offset"], 21);
    EXPECT_EQ(line["sdd_power"].size(), 3u);
    EXPECT_TRUE(line["power_level"].is_number());
}

TEST(PointLists, ValuesAndRangesInTheOrderGiven) {
    std::string why;
    EXPECT_EQ(cli::ParseChannelList("11,1-3", why), (std::vector<int>{11, 1, 2, 3}));
    EXPECT_EQ(cli::ParseRateList("1-11", why), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(cli::ParseRateList("54,5.5", why), (std::vector<int>{11, 2}));
    for (const char* bad : {"0", "3-1", "1,,2", "", "1-"})
        EXPECT_EQ(cli::ParseChannelList(bad, why), std::nullopt) << bad;
    EXPECT_EQ(cli::ParseRateList("5.6", why), std::nullopt);
    EXPECT_EQ(why, "\"5.6\" is not a rate of the rate list or a range of them");
}

} // namespace
} // namespace kel::test
