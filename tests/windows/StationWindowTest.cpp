// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's station as a line runs it: four fixtures on virtual boards
// plugged in (a link appears where the slot's port is), serials typed as a
// scanner types them, a wrong one refused without a test, a prompt that
// waits for Enter, a weak board's tile saying FAIL with its point, the
// counters, every board a run in the store under its serial, and Stop
// releasing every port. A board taken out while it waits for its serial or
// a prompt is not tested and its port is released.

#include "windows/station/StationWindow.h"

#include "board/BoardConfig.h"
#include "board/BoardTray.h"
#include "board/TrayArguments.h"
#include "plan/PlanReader.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "serial/SerialPort.h"
#include "tests/support/PlanTexts.h"
#include "tests/support/TempFolder.h"
#include "windows/station/SlotTile.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

namespace {

using Kind = TileState::Kind;

const std::string kPlan =
    kel::test::QB202Plan("line",
                         std::string(kel::test::kSerialsThenShieldBox) +
                             "[[step]]\ndo = \"rx-sweep\"\n" + kel::test::kSweepChannel6,
                         "version = \"2\"\n");

bool AllAre(const StationWindow& window, std::initializer_list<Kind> kinds) {
    for (const SlotTile* tile : window.Tiles()) {
        if (std::find(kinds.begin(), kinds.end(), tile->State().kind) == kinds.end())
            return false;
    }
    return true;
}

std::vector<kel::results::RunRecord> Runs(const std::string& store) {
    std::vector<kel::results::RunRecord> runs;
    kel::results::Store stored(store, kel::results::Store::Open::Existing);
    for (const kel::results::RunSummary& run : kel::results::ListRuns(stored, {}))
        runs.push_back(run.run);
    return runs;
}

} // namespace

class StationWindowTest : public QObject {
    Q_OBJECT
private slots:
    void AShiftWithFourFixtures();
    void ABoardTakenOutWhileItWaitsIsNotTested();
};

void StationWindowTest::AShiftWithFourFixtures() {
    kel::test::TempFolder folder;
    std::vector<std::string_view> words{"--count", "4", "--fault", "2:weak-rx"};
    std::string why;
    kel::board::BoardTray tray(kel::board::ParseTrayArguments(words, why)->boards);
    QVERIFY2(tray.Error().empty(), tray.Error().c_str());

    StationSetup setup;
    kel::plan::PlanReading reading = kel::plan::ReadPlan(kPlan, "line.toml");
    QVERIFY(reading.plan);
    setup.plan = *reading.plan;
    std::vector<std::string> ports;
    for (const char* name : {"Fixture A", "Fixture B", "Fixture C", "Fixture D"}) {
        ports.push_back((folder.path / ("slot" + std::to_string(ports.size()))).string());
        setup.fixtures.push_back({ports.back(), "", name});
    }
    const std::string store = (folder.path / "station.sqlite").string();
    setup.store = {kel::results::StoreSetting::Kind::File, store, {}};
    setup.names = {"line-2", "Dana"};
    StationWindow window(std::move(setup));
    window.resize(1366, 768);
    window.show();
    window.Start();
    const std::vector<SlotTile*>& tiles = window.Tiles();
    QCOMPARE(tiles[0]->nameLabel->text(), QStringLiteral("Fixture A"));
    QVERIFY(AllAre(window, {Kind::Waiting}));

    for (std::size_t board = 0; board < 4; ++board)
        std::filesystem::create_symlink(tray.SlavePath(board), ports[board]);
    QTRY_VERIFY_WITH_TIMEOUT(AllAre(window, {Kind::Scan}), 20000);
    QVERIFY(tiles[1]->accessibleName().startsWith(QStringLiteral("Fixture B: scan the serial")));

    // A code of another shape is refused on the tile that took it.
    tiles[1]->setFocus();
    QTest::keyClicks(tiles[1], QStringLiteral("SN-12"));
    QTest::keyClick(tiles[1], Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(tiles[1]->State().kind, Kind::Refused, 5000);
    QVERIFY(tiles[1]->detailLabel->text().contains(QStringLiteral("SN-12 does not match")));
    QCOMPARE(tiles[0]->State().kind, Kind::Scan);

    // The focused tile takes the next code; the rest go to the first waiting,
    // wherever the focus is in the window.
    QTest::keyClicks(tiles[1], QStringLiteral("SN-000002"));
    QTest::keyClick(tiles[1], Qt::Key_Return);
    window.stopButton->setFocus();
    for (const char* serial : {"SN-000001", "SN-000003", "SN-000004"}) {
        QTest::keyClicks(window.stopButton, QString::fromLatin1(serial));
        QTest::keyClick(window.stopButton, Qt::Key_Enter, Qt::KeypadModifier);
    }
    QTRY_VERIFY_WITH_TIMEOUT(AllAre(window, {Kind::Prompt}), 10000);
    QCOMPARE(tiles[2]->headlineLabel->text(), QStringLiteral("Close the shield box"));
    // The prompt waits for the operator: nothing is tested meanwhile.
    QTest::qWait(300);
    QVERIFY(AllAre(window, {Kind::Prompt}));
    QVERIFY(!std::filesystem::exists(store) || Runs(store).size() == 4);
    tiles[0]->setFocus();
    for (int press = 0; press < 4; ++press)
        QTest::keyClick(tiles[0], Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(AllAre(window, {Kind::Pass, Kind::Fail}), 20000);
    QCOMPARE(tiles[2]->State().kind, Kind::Fail);
    QVERIFY2(tiles[2]->detailLabel->text().startsWith(QStringLiteral("ch 6 54 Mbps PER")),
             qPrintable(tiles[2]->detailLabel->text()));
    QVERIFY(tiles[2]->headlineLabel->text().contains(QStringLiteral("SN-000003")));
    QVERIFY(tiles[2]->accessibleName().startsWith(QStringLiteral("Fixture C: FAIL")));
    QTRY_COMPARE(window.Counters().tested, 4);
    QCOMPARE(window.Counters().passed, 3);
    QCOMPARE(window.Counters().failed, 1);
    QCOMPARE(window.Counters().FirstPassYield().value_or(0), 75.0);
    QVERIFY(window.countersLabel->text().startsWith(QStringLiteral("tested 4 · passed 3")));

    std::map<std::string, std::string> verdicts;
    for (const kel::results::RunRecord& run : Runs(store)) {
        QCOMPARE(run.operatorName, std::string("Dana"));
        QCOMPARE(run.station, std::string("line-2"));
        QCOMPARE(run.planVersion, std::string("2"));
        verdicts[run.dut] = run.verdict;
        QVERIFY(run.slot.starts_with("Fixture "));
    }
    QCOMPARE(verdicts, (std::map<std::string, std::string>{{"SN-000001", "pass"},
                                                           {"SN-000002", "pass"},
                                                           {"SN-000003", "fail"},
                                                           {"SN-000004", "pass"}}));

    // Stop with the boards still in: every port is free again at once.
    QTest::mouseClick(window.stopButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window.Ended(), 10000);
    QVERIFY(AllAre(window, {Kind::Stopped}));
    for (const std::string& port : ports) {
        kel::SerialPort probe;
        QCOMPARE(probe.Open(port, 115200), 0);
        probe.Close();
    }
}

void StationWindowTest::ABoardTakenOutWhileItWaitsIsNotTested() {
    kel::test::TempFolder folder;
    kel::board::BoardTray tray(kel::board::TrayConfigs(1));
    QVERIFY2(tray.Error().empty(), tray.Error().c_str());
    StationSetup setup;
    setup.plan = *kel::plan::ReadPlan(kPlan, "line.toml").plan;
    const std::string port = (folder.path / "slot").string();
    setup.fixtures.push_back({port, "", "Fixture A"});
    const std::string store = (folder.path / "station.sqlite").string();
    setup.store = {kel::results::StoreSetting::Kind::File, store, {}};
    setup.names = {"line-2", "Dana"};
    StationWindow window(std::move(setup));
    window.show();
    window.Start();
    SlotTile* tile = window.Tiles()[0];
    const auto released = [&] {
        kel::SerialPort probe;
        return probe.Open(tray.SlavePath(0), 115200) == 0;
    };

    // Out while its serial is asked for: back to waiting, nothing recorded.
    std::filesystem::create_symlink(tray.SlavePath(0), port);
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Scan, 20000);
    std::filesystem::remove(port);
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Waiting, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(released(), 5000);
    QVERIFY(!std::filesystem::exists(store) || Runs(store).empty());

    // Out while its prompt waits: its run is cut short, not judged.
    std::filesystem::create_symlink(tray.SlavePath(0), port);
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Scan, 20000);
    window.Typed(QStringLiteral("SN-000001"));
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Prompt, 10000);
    std::filesystem::remove(port);
    QTRY_COMPARE_WITH_TIMEOUT(tile->State().kind, Kind::Waiting, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(released(), 5000);
    const std::vector<kel::results::RunRecord> runs = Runs(store);
    QCOMPARE(runs.size(), std::size_t{1});
    QCOMPARE(runs[0].verdict, std::string("interrupted"));
    QCOMPARE(window.Counters().tested, 0);
    window.Stop();
    QTRY_VERIFY_WITH_TIMEOUT(window.Ended(), 10000);
}

QTEST_MAIN(StationWindowTest)
#include "StationWindowTest.moc"
