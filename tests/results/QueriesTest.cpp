// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Queries.h"

#include "results/ExportCsv.h"
#include "results/Recorder.h"
#include "results/Store.h"
#include "results/Uuid.h"
#include "results/Yield.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace kel::results;
using kel::test::RxPoint;
using kel::test::TempFolder;

namespace {

// Runs on five days: board aa fails then passes, bb passes, a labelled board
// without a MAC fails, and a console session judges nothing.
struct History {
    explicit History(Store& store) : store_(store) {
        Add("2026-01-01", "AA:00:00:00:00:01", "", kRunFail, {RxPoint(6, 54.0, 850, 0)});
        Add("2026-01-02", "aa:00:00:00:00:01", "", kRunPass, {RxPoint(6, 54.0, 990, 0)});
        Add("2026-01-03", "bb:00:00:00:00:02", "", kRunPass,
            {RxPoint(1, 1.0, 1000, 0), RxPoint(6, 54.0, 995, 0)});
        Add("2026-01-04", "", "SN-9", kRunFail, {RxPoint(6, 54.0, 700, 0)});
        Add("2026-01-05", "", "", "", {});
    }

    void Add(const std::string& day, const std::string& mac, const std::string& dut,
             const std::string& verdict, const std::vector<kel::rftest::Measurement>& points) {
        RunRecord run;
        run.id = NewUuid();
        run.startedAt = day + "T10:00:00.000Z";
        run.boardMac = StoredMac(mac);
        run.dut = dut;
        run.verdict = verdict;
        store_.AddRun(run);
        std::int64_t seq = 0;
        for (kel::rftest::Measurement m : points) {
            m.at = day + "T10:00:0" + std::to_string(++seq) + ".000Z";
            store_.AddMeasurement({NewUuid(), run.id, seq, m});
        }
        ids.push_back(run.id);
    }

    Store& store_;
    std::vector<std::string> ids; // oldest first
};

std::vector<std::string> DaysOf(const std::vector<RunSummary>& runs) {
    std::vector<std::string> days;
    for (const RunSummary& summary : runs)
        days.push_back(summary.run.startedAt.substr(0, 10));
    return days;
}

} // namespace

TEST(ResultsQueries, RunsShowAndExportFindWhatWasRecorded) {
    TempFolder temp;
    Store store(temp.path / "results.sqlite");
    const History history(store);

    const std::vector<RunSummary> all = ListRuns(store, {});
    EXPECT_EQ(DaysOf(all), (std::vector<std::string>{"2026-01-05", "2026-01-04", "2026-01-03",
                                                     "2026-01-02", "2026-01-01"}));
    EXPECT_EQ(all[2].points, 2);
    RunFilter board;
    board.boardMac = "AA:00:00:00:00:01";
    EXPECT_EQ(DaysOf(ListRuns(store, board)),
              (std::vector<std::string>{"2026-01-02", "2026-01-01"}));
    RunFilter label;
    label.dut = "SN-9";
    EXPECT_EQ(DaysOf(ListRuns(store, label)), std::vector<std::string>{"2026-01-04"});
    RunFilter recent;
    recent.since = *SinceBound("2026-01-03");
    recent.limit = 2;
    EXPECT_EQ(DaysOf(ListRuns(store, recent)),
              (std::vector<std::string>{"2026-01-05", "2026-01-04"}));
    EXPECT_EQ(SinceBound("2026-01-03 10:00"), "2026-01-03T10:00");
    EXPECT_EQ(SinceBound("03/01/2026"), std::nullopt);
    EXPECT_EQ(SinceBound("2026-13-01"), std::nullopt);

    const std::string& third = history.ids[2];
    EXPECT_EQ(FindRun(store, third.substr(0, 8)).id, third);
    EXPECT_EQ(FindRun(store, third).dut, "");
    EXPECT_THROW(FindRun(store, ""), StoreError);
    EXPECT_THROW(FindRun(store, "ffffffff-0000"), StoreError);
    const std::vector<StoredMeasurement> shown = RunMeasurements(store, third);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].measurement.total, 995);

    const std::vector<std::string> columns = ExportColumns();
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), name) -
                                        columns.begin());
    };
    ASSERT_LT(column("run_verdict"), columns.size());
    std::vector<Row> rows;
    RunFilter from;
    from.since = *SinceBound("2026-01-02");
    ExportRows(store, from, [&](const Row& row) { rows.push_back(row); });
    ASSERT_EQ(rows.size(), 5u); // the console session's run without points too
    EXPECT_EQ(ValueText(rows[4][column("run_id")]), history.ids[4]);
    EXPECT_EQ(ValueText(rows[4][column("kind")]), "");
    EXPECT_EQ(rows[0].size(), columns.size());
    EXPECT_EQ(ValueText(rows[0][column("board_mac")]), "aa:00:00:00:00:01");
    EXPECT_EQ(ValueText(rows[0][column("run_verdict")]), "pass");
    EXPECT_EQ(ValueText(rows[3][column("dut")]), "SN-9");
    EXPECT_EQ(ValueText(rows[3][column("verdict")]), "fail");
    EXPECT_EQ(ValueText(rows[3][column("rate_mbps")]), "54");
}

TEST(ResultsQueries, CsvCellsASpreadsheetWouldRunStayTextAndNumbersStayNumbers) {
    const Row row{std::string("=HYPERLINK(\"x\")"),
                  std::string("@SUM(1)"),
                  std::string("-cmd"),
                  -72.5,
                  std::string("+3"),
                  std::string("- 1"),
                  std::string("a=b")};
    EXPECT_EQ(ExportCsvLine(row), "\"'=HYPERLINK(\"\"x\"\")\",'@SUM(1),'-cmd,-72.5,+3,'- 1,a=b\n");
}

TEST(ResultsQueries, YieldCountsBoardsByLabelElseMacAndTheFailedPoints) {
    TempFolder temp;
    Store store(temp.path / "results.sqlite");
    History history(store);
    // Two labelled boards sharing an unprogrammed MAC, one of them errored;
    // a board that never answered (no label, no MAC).
    history.Add("2026-01-06", "02:00:00:00:00:00", "SN-1", kRunPass, {});
    history.Add("2026-01-06", "02:00:00:00:00:00", "SN-2", kRunError, {});
    history.Add("2026-01-06", "", "", kRunError, {});
    const std::unique_ptr<RunSource> source = StoreRuns(temp.path / "results.sqlite");

    const YieldSummary all = Yield(*source, {});
    EXPECT_EQ(all.boards, 6);    // aa, bb, SN-9, SN-1, SN-2 and the silent one
    EXPECT_EQ(all.firstPass, 2); // bb, SN-1
    EXPECT_EQ(all.finalPass, 3); // aa on its retest, bb, SN-1
    EXPECT_EQ(all.failed, 1);    // SN-9
    EXPECT_EQ(all.errored, 2);
    ASSERT_EQ(all.worst.size(), 1u); // only the setting whose points failed
    EXPECT_EQ(all.worst[0].channel, 6);
    EXPECT_EQ(all.worst[0].rateMbps, 54.0);
    EXPECT_EQ(all.worst[0].measured, 4);
    EXPECT_EQ(all.worst[0].failed, 2);
    EXPECT_EQ(all.worst[0].worstPer, 30.0);

    RunFilter window;
    window.since = *SinceBound("2026-01-02");
    window.until = *SinceBound("2026-01-04");
    const YieldSummary later = Yield(*source, window);
    EXPECT_EQ(later.boards, 2);    // aa and bb
    EXPECT_EQ(later.firstPass, 2); // aa's first judged run in the window passed
    EXPECT_TRUE(later.worst.empty());
    RunFilter elsewhere;
    elsewhere.station = "nowhere";
    EXPECT_EQ(Yield(*source, elsewhere).boards, 0);
}

TEST(ResultsQueries, CountsCoverEveryRunTheFilterSelectsNotAPage) {
    TempFolder temp;
    Store store(temp.path / "results.sqlite");
    History history(store);
    history.Add("2026-01-06", "", "", kRunError, {}); // a board that never answered
    // 80 boards tested three times each: a quarter failed the first time, a
    // quarter errored, the others passed; every retest passed.
    for (int board = 0; board < 80; ++board) {
        const std::string dut = "SN-0" + std::string(board < 10 ? "0" : "") + std::to_string(board);
        for (int run = 0; run < 3; ++run) {
            const char* verdict = run > 0 || board % 4 >= 2 ? kRunPass
                                  : board % 4 == 0          ? kRunFail
                                                            : kRunError;
            history.Add("2026-02-0" + std::to_string(1 + run), "", dut, verdict, {});
        }
    }
    const std::unique_ptr<RunSource> source = StoreRuns(temp.path / "results.sqlite");
    RunFilter filter;
    filter.boardPart = "sn-0";
    filter.limit = 200;
    EXPECT_EQ(source->Runs(filter).size(), 200u);
    EXPECT_EQ(source->Counts(filter), (RunCounts{240, 80, 200, 20, 80, 40}));

    // The boards and first passes the line's yield counts, also for the
    // history's odd boards (a shared MAC, no label, no verdict).
    for (const RunFilter& selection : {RunFilter{}, filter}) {
        const RunCounts counts = source->Counts(selection);
        const YieldSummary yield = Yield(*source, selection);
        EXPECT_EQ(counts.judged, yield.boards);
        EXPECT_EQ(counts.firstPass, yield.firstPass);
    }
    EXPECT_EQ(source->Counts({}).runs, 246);
    // The 80, aa, bb, SN-9 and the board that never answered; not the
    // session that judged nothing.
    EXPECT_EQ(source->Counts({}).boards, 84);
}
