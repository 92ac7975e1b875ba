// SPDX-License-Identifier: GPL-3.0-or-later
// What kel-rftest reports and what it refuses: JSON lines and CSV rows of one
// schema, the sweep with its CSV and --max-per, refusals before anything is
// sent, a board that refuses, one that says nothing, one that ends its lines
// in CR LF.

#include "CliRun.h"
#include "board/VirtualBoardHost.h"
#include "cli/PointLists.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/PtyRelay.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace kel::test {
namespace {

using json = nlohmann::ordered_json; // key order is part of what is checked
using namespace std::string_literals;

// The object without its "time", once that is UTC to the millisecond.
json Timeless(json object) {
    static const std::regex kUtc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_TRUE(std::regex_match(object.value("time", std::string()), kUtc)) << object.dump();
    object.erase("time");
    return object;
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

void ScriptRx(PtyPeer& peer, const std::string& counters) {
    peer.ScriptReplies({"kel driver is ready!\n", "Sending CMD OK!\n",
                        "power level:20\nSending CMD OK!\n", "Sending CMD OK!\n",
                        "power level:18\nSending CMD OK!\n", "Sending CMD OK!\n",
                        counters + "Sending CMD OK!\n"});
}

TEST(CliOutput, RxResultIsOneJsonLineOfTheSchema) {
    PtyPeer peer;
    ScriptRx(peer, "Total:990\nAbortError:0\nCRCError:10\n");
    const CliResult result =
        RunCli({"-p", peer.SlavePath(), "-m", "QB202", "--no-mac", "--channel", "6", "--rate", "54",
                "--json", "rx", "--seconds", "0.01", "--sent", "1000", "--max-per", "2.5"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Timeless(json::parse(result.out)).dump(),
              "{\"command\":\"rx\",\"ok\":true,\"port\":\"" + peer.SlavePath() +
                  "\",\"model\":\"QB202\",\"channel\":6,\"rate_mbps\":54.0,\"power_level\":18,"
                  "\"sent\":1000,\"total\":990,\"abort_errors\":0,\"crc_errors\":10,"
                  "\"per_percent\":2.0,\"limit_high\":2.5,\"verdict\":\"pass\"}");
}

// The board counted far more than the tester sent: no rate, and no pass.
TEST(CliOutput, PerAbove100IsNotComputableAndFailsTheLimit) {
    for (const bool asJson : {true, false}) {
        PtyPeer peer;
        ScriptRx(peer, "Total:990\n");
        std::vector<std::string> args{"-p",   peer.SlavePath(), "-m",        "QB202",
                                      "--no-mac", "--channel",  "6",         "--rate",
                                      "54",   "rx",             "--seconds", "0.01",
                                      "--sent", "10",           "--max-per", "50"};
        if (asJson)
            args.insert(args.begin(), "--json");
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.exitCode, 4) << result.err;
        if (!asJson) {
            EXPECT_EQ(result.out, "channel 6, 54.0 Mbit/s, total 990, abort errors 0, CRC errors "
                                  "0, sent 10, PER not computable from these counters: FAIL\n");
            continue;
        }
        const json point = json::parse(result.out);
        EXPECT_TRUE(point["per_percent"].is_null()) << result.out;
        EXPECT_EQ(point["total"], 990);
        EXPECT_EQ(point["verdict"], "fail");
    }
}

TEST(CliOutput, SweepReportsEveryPointInOrderThenExceedsItsLimit) {
    TempDir dir;
    const std::filesystem::path csv = dir.path / "per.csv";
    const CliResult result = RunCli({"--virtual", "-m", "QB101", "--json", "sweep-rx", "--channels",
                                     "1-2", "--rates", "1,54", "--seconds", "0.05", "--sent",
                                     "1000", "--max-per", "5", "--csv", csv.string()});
    // The virtual board counts about 25 frames in 50 ms: far short of 1000.
    EXPECT_EQ(result.exitCode, 4) << result.err;
    const std::vector<json> lines = JsonLines<json>(result.out);
    ASSERT_EQ(lines.size(), 4u);
    const std::pair<int, double> order[] = {{1, 1.0}, {1, 54.0}, {2, 1.0}, {2, 54.0}};
    // Today's columns first, then the new ones; each one a key of the JSON object.
    const std::string header = "channel,rate_mbps,total,abort_errors,crc_errors,sent,per_percent,"
                               "time,port,board_mac,verdict\n";
    std::string rows = header;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const json& point = lines[i];
        EXPECT_EQ(point["command"], "sweep-rx");
        EXPECT_EQ(point["channel"], order[i].first);
        EXPECT_EQ(point["rate_mbps"], order[i].second);
        const int total = point["total"];
        const int errors =
            1000 - total + point["abort_errors"].get<int>() + point["crc_errors"].get<int>();
        EXPECT_NEAR(point["per_percent"].get<double>(), errors / 10.0, 0.005);
        EXPECT_EQ(point["limit_high"], 5.0);
        EXPECT_EQ(point["verdict"], "fail");
        char row[200];
        // The board's MAC, read after the handshake, names it in every row.
        EXPECT_EQ(point["board_mac"], lines[0]["board_mac"]);
        std::snprintf(row, sizeof row, "%d,%.1f,%d,%d,%d,1000,%.2f,%s,%s,%s,fail\n",
                      order[i].first, order[i].second, total, point["abort_errors"].get<int>(),
                      point["crc_errors"].get<int>(), errors / 10.0,
                      point["time"].get<std::string>().c_str(),
                      point["port"].get<std::string>().c_str(),
                      point["board_mac"].get<std::string>().c_str());
        rows += row;
    }
    EXPECT_EQ(ReadFile(csv), rows);
    std::istringstream columns(header.substr(0, header.size() - 1));
    for (std::string column; std::getline(columns, column, ',');)
        EXPECT_TRUE(lines[0].contains(column)) << column;
    EXPECT_NE(result.err.find("[4/4] channel 2, 54.0 Mbit/s: receiving for 0.05 s"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("PER above the limit or not computable at 4 of 4 points"),
              std::string::npos);
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
        {{"-m", "QB202", "--rate", "7", "info"}, "--rate \"7\" is not a rate"},
        {{"-m", "QB202", "--channel", "", "info"}, "--channel must be 1 to 14"},
        {{"-m", "QB202", "--rate", "", "info"}, "--rate \"\" is not a rate"},
        {{"-m", "QB202", "--power", "", "info"}, "Invalid power value"},
        {{"-m", "QB202", "--timeout", "0", "info"}, "--timeout must be a number of seconds"},
        {{"-m", "QB202", "tx", "--count", "-1"},
         "--count must be a whole number from 0 to 2147483647"},
        {{"-m", "QB202", "tx", "--count", "4294967296"}, "from 0 to 2147483647"},
        {{"-m", "QB202", "tx", "--seconds", "nan"},
         "--seconds must be a number of seconds greater than 0"},
        {{"-m", "QB202", "rx", "--seconds", "0"}, "--seconds must be a number of seconds greater"},
        {{"-m", "QB202", "rx", "--seconds", "-1"}, "--seconds must be a number of seconds greater"},
        {{"-m", "QB202", "rx", "--seconds", "1", "--sent", "5", "--max-per", "abc"},
         "--max-per must be a number from 0 to 100"},
        {{"-m", "QB202", "sdd-export", ""}, "FILE must name a file"},
        {{"-m", "QB202", "sweep-rx", "--channels", "1", "--rates", "1", "--seconds", "1", "--sent",
          "9", "--csv", ""},
         "--csv must name a file"},
        {{"-m", "QB202", "send", "kel tx\nkel rx"}, "without a line feed"},
        {{"-m", "QB202", "send", "kel tx\x01"}, "without a line feed"},
        {{"-m", "QB202", "frobnicate"}, "unknown subcommand frobnicate; the subcommands are info,"},
        {{"-m", "QB202", "mac", "set", "--source", "02:00:00:00:00:01"},
         "mac set is missing --dest and --bssid"},
        {{"-m", "QB202", "sweep-rx"},
         "sweep-rx is missing --channels, --rates, --seconds and --sent"},
        {{"-m", "QB102", "sweep-rx"}, "QB102 has no RX packet error rate"},
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
    // With --json, the refusal is one object too.
    const CliResult json =
        RunCli({"-p", peer.SlavePath(), "-m", "QB202", "--json", "tx", "--count", "-1"});
    EXPECT_EQ(json.exitCode, 2);
    const auto refusal = Timeless(nlohmann::ordered_json::parse(json.out));
    EXPECT_EQ(refusal.dump(),
              "{\"command\":\"tx\",\"ok\":false,\"error\":\"--count must be a whole "
              "number from 0 to 2147483647\"}");
    EXPECT_EQ(peer.Received(), "");
}

TEST(CliOutput, ACommandTheBoardRefusesExits1WithTheConsolesMessage) {
    board::VirtualBoardHost board;
    PtyRelay relay(board.SlavePath());
    cli::RunSettings quick;
    quick.watchdogSlice = std::chrono::milliseconds(5);
    const CliResult result = RunCli({"-p", relay.SlavePath(), "-m", "QB202", "--json", "mac", "set",
                                     "--source", "zz", "--dest", "zz", "--bssid", "zz"},
                                    quick);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Timeless(json::parse(result.out)).dump(),
              "{\"command\":\"mac set\",\"ok\":false,\"port\":\"" + relay.SlavePath() +
                  "\",\"model\":\"QB202\",\"error\":\"Failed to send kel set mac cmd!\"}");
    // The board answered: no second line about silence.
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

    board.ModifyState([](board::BoardState& s) {
        s.liveFreqOffset = 21;
        s.sddPower = {70, 61, 52};
    });
    const CliResult info = RunCli({"-p", board.SlavePath(), "-m", "QB202", "--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const json line = json::parse(info.out);
    EXPECT_EQ(line["freq_offset"], 21);
    EXPECT_TRUE(line["power_level"].is_number());
    // The SDD power table as info and sdd-power get both give it.
    EXPECT_EQ(line["sdd_power"].dump(), "{\"11b\":70,\"11gn\":61,\"11n_mcs7\":52}");
    const CliResult get =
        RunCli({"-p", board.SlavePath(), "-m", "QB202", "--json", "sdd-power", "get"});
    EXPECT_EQ(json::parse(get.out)["sdd_power"], line["sdd_power"]);
}

TEST(CliOutput, MacSetPutsEachAddressWhereMacGetReadsItBack) {
    board::VirtualBoardHost board;
    const CliResult result = RunCli({"-p", board.SlavePath(), "-m", "QB202", "--json", "mac", "set",
                                     "--source", "02:00:00:00:00:0a", "--dest", "02:00:00:00:00:0b",
                                     "--bssid", "02:00:00:00:00:0c"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(board.State().sourceMac, "02:00:00:00:00:0a");
    EXPECT_EQ(board.State().destMac, "02:00:00:00:00:0b");
    const json line = json::parse(result.out);
    EXPECT_EQ(line["board_mac"], "02:00:00:00:00:0a");
    EXPECT_EQ(line["mac"].dump(),
              "{\"source\":\"02:00:00:00:00:0a\",\"dest\":\"02:00:00:00:00:0b\","
              "\"bssid\":\"02:00:00:00:00:0c\"}");
}

TEST(CliOutput, CsvRefusesAnExistingFileUnlessForcedOrAppended) {
    TempDir dir;
    const std::string csv = (dir.path / "per.csv").string();
    const auto sweep = [&](std::vector<std::string> more) {
        std::vector<std::string> args{"--virtual", "-m",      "QB202", "sweep-rx",  "--channels",
                                      "1",         "--rates", "1",     "--seconds", "0.01",
                                      "--sent",    "1",       "--csv", csv};
        args.insert(args.end(), more.begin(), more.end());
        return RunCli(args);
    };
    ASSERT_EQ(sweep({}).exitCode, 0);
    const std::string first = ReadFile(csv);
    const CliResult refused = sweep({});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("exists; give --force to replace it or --append"),
              std::string::npos);
    EXPECT_EQ(ReadFile(csv), first);

    ASSERT_EQ(sweep({"--append"}).exitCode, 0);
    const std::string appended = ReadFile(csv);
    EXPECT_EQ(appended.rfind("channel,", 0), 0u);
    EXPECT_EQ(appended.find("channel,", 1), std::string::npos); // one header
    EXPECT_EQ(std::count(appended.begin(), appended.end(), '\n'), 3);

    ASSERT_EQ(sweep({"--force"}).exitCode, 0);
    const std::string replaced = ReadFile(csv);
    EXPECT_EQ(std::count(replaced.begin(), replaced.end(), '\n'), 2);

    std::ofstream(csv) << "channel,rate,per\n1,1.0,0.00\n"; // another program's columns
    EXPECT_EQ(sweep({"--append"}).exitCode, 2);
}

// A board that stops answering after the handshake: the note while waiting,
// the give-up at --timeout with its reason, and still the disconnect.
TEST(CliOutput, SilenceIsNotedThenGivenUpOnAtTheTimeout) {
    PtyPeer peer;
    peer.ScriptReplies(
        {"kel driver is ready!\n", "Sending CMD OK!\n", "power level:20\nSending CMD OK!\n"});
    cli::RunSettings watched;
    watched.watchdogSlice = std::chrono::milliseconds(40); // the reader alone would wait 4 s
    watched.noteSilence = true;
    const CliResult result = RunCli(
        {"-p", peer.SlavePath(), "-m", "QB202", "--no-mac", "--timeout", "2.2", "--json", "info"},
        watched);
    EXPECT_EQ(result.exitCode, 1);
    const std::string reason = "no answer from the board in 2\\.[2-9] s";
    EXPECT_TRUE(std::regex_match(
        result.err, std::regex("kel-rftest: waiting for the board on " + peer.SlavePath() +
                               " \\(no answer yet\\)\u2026\nkel-rftest: Failed to send kel get "
                               "freq offset cmd!\nkel-rftest: " +
                               reason + "\n")))
        << result.err;
    const json failure = json::parse(result.out);
    EXPECT_EQ(failure["command"], "info");
    EXPECT_TRUE(std::regex_match(failure["reason"].get<std::string>(), std::regex(reason)));
    const std::string sent = "kel\n\0kel connect\n\0kel enable_phy\n\0kel get_freq_offset\n\0"
                             "kel disconnect\n\0"s;
    EXPECT_EQ(peer.WaitReceived(sent.size()), sent);
}

TEST(CliOutput, CrLfBoardWorksAndVerboseShowsItsControlCharacters) {
    board::VirtualBoardHost board(board::FaultMode{board::FaultKind::CrLf});
    board.ModifyState([](board::BoardState& s) { s.liveFreqOffset = 48; });
    const CliResult result =
        RunCli({"-p", board.SlavePath(), "-m", "QB202", "-v", "freq-offset", "get"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "freq offset: 48\n");
    EXPECT_NE(result.err.find("> kel get_freq_offset\\n\\0\n< freq offset is: 48\\r\n"),
              std::string::npos)
        << result.err;
}

TEST(PointLists, ValuesAndRangesInTheOrderGiven) {
    std::string why;
    EXPECT_EQ(cli::ParseChannelList("11,1-3", why), (std::vector<int>{11, 1, 2, 3}));
    EXPECT_EQ(cli::ParseChannelList(" 1, 6 - 7", why), (std::vector<int>{1, 6, 7}));
    EXPECT_EQ(cli::ParseRateList("1-11", why), (std::vector<int>{0, 1, 2, 3}));
    // By value, among the kinds of its ends: 6, 6.5, 9, 12, 13 (not 11b's 11).
    EXPECT_EQ(cli::ParseRateList("6-13", why), (std::vector<int>{4, 12, 5, 6, 13}));
    EXPECT_EQ(cli::ParseRateList("6.5-13", why), (std::vector<int>{12, 13}));
    EXPECT_EQ(cli::ParseRateList("54,5.5", why), (std::vector<int>{11, 2}));
    for (const char* bad : {"0", "3-1", "1,,2", "", "1-"})
        EXPECT_EQ(cli::ParseChannelList(bad, why), std::nullopt) << bad;
    EXPECT_EQ(cli::ParseRateList("5.6", why), std::nullopt);
    EXPECT_EQ(why, "\"5.6\" is not a rate of the rate list or a range of them");
}

} // namespace
} // namespace kel::test
