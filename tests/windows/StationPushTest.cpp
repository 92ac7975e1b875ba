// SPDX-License-Identifier: GPL-3.0-or-later
// A station recording to a results server (the one the test scripts start):
// the server goes down mid-shift, the board is still tested and its run kept
// in the local file, and once the server answers again the run goes up while
// the station is still running.

#include "board/BoardTray.h"
#include "plan/PlanReader.h"
#include "results/Queries.h"
#include "results/RunSource.h"
#include "results/Uuid.h"
#include "tests/support/TempFolder.h"
#include "windows/station/SlotTile.h"
#include "windows/station/StationWindow.h"

#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using Kind = TileState::Kind;

// Pauses or resumes the tests' server.
bool Server(const char* command) {
    const std::string line = std::string(KEL_POSTGRES_SCRIPT) + " " + command + " " +
                             KEL_TEST_POSTGRES + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

// The server answers again however the test ends.
struct ResumedAtEnd {
    ~ResumedAtEnd() { Server("resume"); }
};

std::vector<kel::results::RunSummary> Runs(kel::results::RunSource& source,
                                           const std::string& station) {
    kel::results::RunFilter filter;
    filter.station = station;
    try {
        return source.Runs(filter);
    } catch (const std::exception&) {
        return {}; // not up yet
    }
}

} // namespace

class StationPushTest : public QObject {
    Q_OBJECT
private slots:
    void RunsGoUpWhileTheStationRunsAndWaitOutAnOutage();
};

void StationPushTest::RunsGoUpWhileTheStationRunsAndWaitOutAnOutage() {
    std::ifstream uriFile(std::string(KEL_TEST_POSTGRES) + "/uri");
    std::string uri;
    if (!std::getline(uriFile, uri))
        QSKIP("no PostgreSQL server was started for the tests");
    kel::test::TempFolder folder;
    kel::board::BoardTray tray(kel::board::TrayConfigs(1));
    QVERIFY2(tray.Error().empty(), tray.Error().c_str());

    StationSetup setup;
    kel::plan::PlanReading reading = kel::plan::ReadPlan(
        "name = \"push\"\nmodel = \"QB202\"\n[[step]]\ndo = \"freq-offset\"\n", "push.toml");
    QVERIFY(reading.plan);
    setup.plan = *reading.plan;
    const std::string port = (folder.path / "slot").string();
    setup.fixtures.push_back({port, "", "Fixture A"});
    const std::filesystem::path file = folder.path / "station.sqlite";
    setup.store = {kel::results::StoreSetting::Kind::Server, file, uri};
    const std::string station = "push-" + kel::results::NewUuid().substr(0, 8);
    setup.names = {station, "Dana"};
    StationWindow window(std::move(setup));
    window.show();
    window.Start();
    SlotTile* tile = window.Tiles()[0];

    QVERIFY(Server("pause"));
    ResumedAtEnd resumed;
    std::filesystem::create_symlink(tray.SlavePath(0), port);
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Scan, 20000);
    window.Typed(QStringLiteral("SN-500001"));
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Pass, 20000);
    const std::vector<kel::results::RunSummary> local =
        Runs(*kel::results::StoreRuns(file), station);
    QCOMPARE(local.size(), std::size_t{1});
    QCOMPARE(local[0].run.verdict, std::string("pass"));
    QTRY_VERIFY2_WITH_TIMEOUT(
        window.statusLabel->text().contains(QStringLiteral("go when it answers")),
        qPrintable(window.statusLabel->text()), 10000);

    QVERIFY(Server("resume"));
    const std::unique_ptr<kel::results::RunSource> server = kel::results::ServerRuns(uri);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const auto runs = Runs(*server, station);
            return runs.size() == 1 && runs[0].run.verdict == "pass" && runs[0].points > 0 &&
                   runs[0].points == local[0].points;
        }(),
        40000);
    QVERIFY(!window.Ended());
    const kel::results::RunRecord pushed = Runs(*server, station)[0].run;
    QCOMPARE(pushed.dut, std::string("SN-500001"));
    QCOMPARE(pushed.slot, std::string("Fixture A"));
    window.Stop();
    QTRY_VERIFY_WITH_TIMEOUT(window.Ended(), 10000);
}

QTEST_MAIN(StationPushTest)
#include "StationPushTest.moc"
