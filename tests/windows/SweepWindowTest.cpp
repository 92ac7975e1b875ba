// SPDX-License-Identifier: GPL-3.0-or-later
// The RX sweep window against a tray of virtual boards, driven through its
// controls: what it draws, what it sends, how it stops, how it judges, what
// it exports. Each board's clock steps 5 s at each reading (one at rx, one at
// rx_stop), so every point spans 500 frames however fast the machine runs.

#include "windows/SweepWindow.h"

#include "CliRun.h"
#include "ConnectedConsole.h"
#include "ConsoleFixture.h"
#include "board/BoardTray.h"
#include "console/LinkWatcher.h"
#include "resources/ResourceIds.h"
#include "results/Store.h"
#include "results/StoreSetting.h"
#include "results/Uuid.h"
#include "rftest/RfTables.h"
#include "rftest/RxCsv.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/PtyRelay.h"
#include "tests/support/TempFolder.h"
#include "windows/ResultsWindow.h"
#include "windows/RunsModel.h"
#include "windows/charts/PerChart.h"
#include "windows/charts/PerGrid.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QXmlStreamReader>
#include <QtTest>
#include <atomic>
#include <optional>

using namespace kel::res;
using kel::rftest::Verdict;

namespace {

constexpr int kQB202 = 2;
constexpr int kFramesPerPoint = 500;
constexpr std::size_t kWeakBoard = 3;

std::string SentBytes(kel::test::PtyRelay& relay) {
    std::string sent;
    for (const auto& run : relay.Transcript()) {
        if (run.fromPort)
            sent += run.bytes;
    }
    return sent;
}

// From the first channel command to the end of the last rx_stop: the sweep.
std::string SweepPart(const std::string& wire) {
    const std::size_t from = wire.find("kel channel");
    const std::string lastStop = "kel rx_stop\n";
    const std::size_t to = wire.rfind(lastStop);
    if (from == std::string::npos || to == std::string::npos)
        return {};
    return wire.substr(from, to + lastStop.size() - from);
}

} // namespace

class SweepWindowTest : public QObject {
    Q_OBJECT

    std::atomic<std::int64_t> readings{0};
    std::optional<kel::board::BoardTray> tray;
    std::optional<ConsoleFixture> console;

    SweepWindow& Open(const std::string& device) {
        console.emplace(kel::ReadWatchdog::kSlice);
        if (!console->Connect(kQB202, device))
            qFatal("no connection to the virtual board");
        console->dlg->sweepButton->click();
        return *console->dlg->sweepWindow;
    }
    static void Choose(SweepWindow& w, std::initializer_list<int> channels,
                       std::initializer_list<const char*> rates, double seconds,
                       const QString& limit) {
        for (QCheckBox* box : w.channelBoxes)
            box->setChecked(false);
        for (int channel : channels)
            w.findChild<QCheckBox*>(QStringLiteral("channel%1").arg(channel))->setChecked(true);
        for (QCheckBox* box : w.rateBoxes)
            box->setChecked(false);
        for (const char* rate : rates)
            w.findChild<QCheckBox*>(QStringLiteral("rate%1").arg(rate))->setChecked(true);
        w.findChild<QDoubleSpinBox*>("seconds")->setValue(seconds);
        w.findChild<QSpinBox*>("sent")->setValue(kFramesPerPoint);
        w.findChild<QLineEdit*>("limit")->setText(limit);
    }

private slots:
    void init() {
        std::vector<kel::board::BoardConfig> configs = kel::board::TrayConfigs(4);
        for (kel::board::BoardConfig& config : configs) {
            config.clock = [this] {
                return std::chrono::steady_clock::time_point(std::chrono::seconds(5 * readings++));
            };
        }
        configs[kWeakBoard].fault = {kel::board::FaultKind::WeakRx};
        tray.emplace(configs);
        QCOMPARE(QString::fromStdString(tray->Error()), QString());
    }
    void cleanup() {
        console.reset();
        tray.reset();
        qunsetenv(kel::results::kResultsVariable);
    }

    void sweepDrawsEachPointAndExportsIt() {
        SweepWindow& w = Open(tray->SlavePath(0));
        Choose(w, {1, 6, 11}, {"1.0", "54.0"}, 0.1, "8");
        w.findChild<QLineEdit*>("dut")->setText("SN-0001");
        w.findChild<QPushButton*>("start")->click();

        QCOMPARE(w.Points().size(), std::size_t{6});
        QCOMPARE(w.chart->PointCount(), 6);
        QCOMPARE(w.findChild<QProgressBar*>("progress")->value(), 6);
        for (const kel::rftest::Measurement& rx : w.Points()) {
            QVERIFY(rx.perPercent.has_value());
            QCOMPARE(rx.sent, std::optional<std::int64_t>(kFramesPerPoint));
            QVERIFY(w.chart->Points(*rx.rateMbps).contains(QPointF(*rx.channel, *rx.perPercent)));
            QCOMPARE(w.grid->CellText(*rx.channel, *rx.rateMbps),
                     QString::fromStdString(kel::rftest::PerText(rx)));
            QCOMPARE(w.grid->CellVerdict(*rx.channel, *rx.rateMbps) == Verdict::Fail,
                     rx.verdict == Verdict::Fail);
        }
        // Channel-major, as kel-rftest sweeps.
        QCOMPARE(*w.Points()[1].channel, 1);
        QCOMPARE(*w.Points()[2].channel, 6);
        // The console follows the board, now at the last point, and is unlocked.
        QCOMPARE(console->Text(IDC_CHANNEL), QString("11"));
        QCOMPARE(console->Text(IDC_RATE), QString("54.0Mbps"));
        QVERIFY(console->Enabled(IDC_RX) && console->Enabled(IDC_TX));
        QVERIFY(console->Messages().isEmpty());
        // Whose sweep it is; once the board is disconnected, an earlier one.
        const QLabel* origin = w.findChild<QLabel*>("origin");
        const QString port = QString::fromStdString(tray->SlavePath(0));
        QVERIFY2(origin->text().startsWith("Board on " + port + ", DUT SN-0001, swept "),
                 qPrintable(origin->text()));
        QVERIFY(!origin->text().contains("earlier"));

        kel::test::TempFolder folder;
        const QString base = QString::fromStdString(folder.path.string());
        for (const char* name : {"/per.csv", "/per.svg", "/per.png"})
            console->prompts->savePaths.push_back(base + name);
        for (const char* button : {"exportCsv", "exportSvg", "exportPng"})
            w.findChild<QPushButton*>(button)->click();

        QFile csv(base + "/per.csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[0] + "\n", QString::fromStdString(kel::rftest::RxCsvHeader()));
        QVERIFY(lines[6].startsWith("11,54.0,"));
        QFile svg(base + "/per.svg");
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), QStringLiteral("svg"));
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        // Drawn at the export size, not the window's, with whose sweep it is
        // over it; no question before a new file; each dialog opens where
        // the last export went.
        QCOMPARE(QImage(base + "/per.png").size(), QSize(1600, 900));
        svg.seek(0);
        QVERIFY(QString::fromUtf8(svg.readAll()).contains("DUT SN-0001"));
        QCOMPARE(console->prompts->createQuestions, (QList<bool>{false, false, false}));
        QCOMPARE(console->prompts->saveDirs.last(), base);
        console->Click(IDC_CONNECT);
        QVERIFY(origin->text().contains("an earlier connection"));

        // A window opened again shows the inputs last used.
        console->dlg->sweepWindow->deleteLater();
        console->dlg->sweepWindow = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        console->dlg->OpenSweepWindow();
        SweepWindow& again = *console->dlg->sweepWindow;
        QCOMPARE(again.Inputs().channels, (std::vector<int>{1, 6, 11}));
        QCOMPARE(again.findChild<QLineEdit*>("dut")->text(), QString("SN-0001"));
    }

    void sweepSendsTheBytesKelRftestSends() {
        kel::test::PtyRelay consoleWire(tray->SlavePath(0));
        SweepWindow& w = Open(consoleWire.SlavePath());
        Choose(w, {1, 6, 11}, {"1.0", "54.0"}, 0.1, "");
        w.findChild<QPushButton*>("start")->click();
        QCOMPARE(w.Points().size(), std::size_t{6});

        kel::test::PtyRelay cliWire(tray->SlavePath(1));
        const kel::test::CliResult cli = kel::test::RunCli(
            {"-p", cliWire.SlavePath(), "-m", "QB202", "sweep-rx", "--channels", "1,6,11",
             "--rates", "1,54", "--seconds", "0.1", "--sent", std::to_string(kFramesPerPoint)});
        QCOMPARE(cli.exitCode, 0);
        const std::string sweep = SweepPart(SentBytes(consoleWire));
        QVERIFY(
            sweep.starts_with("kel channel 2GHZ 1\nkel rate -m 1 -r 1.0\nkel rx\nkel rx_stop\n"));
        QCOMPARE(sweep, SweepPart(SentBytes(cliWire)));
    }

    void stopMidPointStopsTheRxAndKeepsThePoints() {
        SweepWindow& w = Open(tray->SlavePath(0));
        Choose(w, {1, 6, 11}, {"1.0"}, 3.0, "");
        QPushButton* stop = w.findChild<QPushButton*>("stop");
        bool lockedWhileRunning = false;
        QTimer watcher;
        // Runs in the sweep's waits: stop once the second point receives.
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (w.Points().size() != 1 || !tray->State(0).rxRunning)
                return;
            watcher.stop();
            lockedWhileRunning =
                !console->Enabled(IDC_TX) && !console->dlg->sweepButton->isEnabled();
            // A real click: input to the sweep window passes the wait's filter.
            QTest::mouseClick(stop, Qt::LeftButton);
        });
        watcher.start(20);
        w.findChild<QPushButton*>("start")->click();

        QVERIFY(lockedWhileRunning);
        QCOMPARE(w.Points().size(), std::size_t{1});
        QCOMPARE(w.chart->PointCount(), 1);
        QVERIFY2(!tray->State(0).rxRunning, "rx_stop went to the board");
        QVERIFY(w.findChild<QLabel*>("status")->text().startsWith("Stopped"));
        QCOMPARE(w.findChild<QProgressBar*>("progress")->text(),
                 QString("stopped after 1 of 3 points"));
        QVERIFY(console->Messages().isEmpty());
        QVERIFY(console->Enabled(IDC_TX) && console->dlg->sweepButton->isEnabled());
    }

    void unplugMidSweepNamesTheHangUpAndTheConsoleShowsWhatWasSent() {
        // A scripted board answers the first point, then the second rate
        // command goes out and the adapter is pulled before its reply.
        kel::test::PtyPeer board;
        board.ScriptReplies({"Sending CMD OK!\n", "power level:12\nSending CMD OK!\n",
                             "Sending CMD OK!\n", "Total:500\nSending CMD OK!\n",
                             "Sending CMD OK!\n", ""});
        ConnectedConsole connected(board.SlavePath(), kQB202, kel::ReadWatchdog::kSlice);
        connected.dlg->sweepButton->click();
        SweepWindow& w = *connected.dlg->sweepWindow;
        Choose(w, {1}, {"1.0", "11.0"}, 0.1, "");
        QTimer puller;
        connect(&puller, &QTimer::timeout, this, [&] {
            if (board.Received().ends_with("kel rate -m 1 -r 11.0\n")) {
                puller.stop();
                board.HangUp();
            }
        });
        puller.start(5);
        w.findChild<QPushButton*>("start")->click();

        QCOMPARE(w.Points().size(), std::size_t{1});
        const QString status = w.findChild<QLabel*>("status")->text();
        QVERIFY2(status.contains("went away (read failed: the line hung up)"), qPrintable(status));
        QCOMPARE(w.findChild<QProgressBar*>("progress")->text(),
                 QString("ended after 1 of 2 points"));
        // The board was last told 11 Mbit/s: the console says so, not the
        // last point's 1 Mbit/s, and a reconnection restores it.
        QCOMPARE(connected.Text(IDC_CHANNEL), QString("1"));
        QCOMPARE(connected.Text(IDC_RATE), QString("11.0Mbps"));
        QCOMPARE(connected.dlg->linkWatcher->chosen.rateRow,
                 std::optional(kel::rftest::RateRowAt(11.0f)));
        QCOMPARE(connected.dlg->connected, 0);
        QVERIFY(w.findChild<QLabel*>("origin")->text().contains("an earlier connection"));
    }

    void resultsWindowListsOverlaysAndExportsRecordedRuns() {
        kel::test::TempFolder folder;
        const std::string store = (folder.path / "results.sqlite").string();
        qputenv(kel::results::kResultsVariable, QByteArray::fromStdString(store));
        // Last week's run of the board, by kel-rftest; today's, by the console.
        const kel::test::CliResult cli =
            kel::test::RunCli({"-p", tray->SlavePath(0), "-m", "QB202", "--dut", "SN-0001",
                               "sweep-rx", "--channels", "1,6", "--rates", "54", "--seconds", "0.1",
                               "--sent", std::to_string(kFramesPerPoint)});
        QCOMPARE(cli.exitCode, 0);
        SweepWindow& w = Open(tray->SlavePath(0));
        Choose(w, {1, 6, 11}, {"54.0"}, 0.1, "");
        w.findChild<QLineEdit*>("dut")->setText("SN-0001");
        w.findChild<QPushButton*>("start")->click();
        QCOMPARE(w.Points().size(), std::size_t{3});

        w.findChild<QPushButton*>("openResults")->click();
        ResultsWindow& r = *console->dlg->resultsWindow;
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        // Newest first: the sweep, the console's connection, kel-rftest's run.
        const auto& runs = r.Runs();
        QCOMPARE(runs.size(), std::size_t{3});
        QCOMPARE(runs[0].points, std::int64_t{3});
        QCOMPARE(QString::fromStdString(runs[2].run.tool), QString("kel-rftest"));
        QCOMPARE(r.runsView->model()->index(2, 5).data().toInt(), 2);

        // Part of a DUT label finds its runs; the summary counts them (a board
        // is its label, whether or not the run read its MAC).
        r.boardEdit->setText("n-00");
        r.ShowRuns();
        QCOMPARE(r.Runs().size(), std::size_t{2});
        QCOMPARE(r.summaryLabel->text(), QString("Runs 2, boards 1, passed 0, failed 0"));
        r.boardEdit->clear();
        r.ShowRuns();

        r.SelectRuns({2});
        QCOMPARE(r.measurementsTable->rowCount(), 2);
        QCOMPARE(r.chart->PointCount(), 2);
        r.SelectRuns({0, 2});
        QCOMPARE(r.chart->Points(54.0, 0).size(), 3);
        QCOMPARE(r.chart->Points(54.0, 1).size(), 2);
        QCOMPARE(r.chart->Points(54.0, 0).front(), QPointF(1, *w.Points()[0].perPercent));
        // Headings a person reads; the stored name in the tooltip.
        QCOMPARE(r.measurementsTable->horizontalHeaderItem(r.measurementsTable->columnCount() - 1)
                     ->text(),
                 QString("Power (dBm)"));

        // The selection's rows, byte for byte as kel-rftest exports them.
        console->prompts->savePaths.push_back(QString::fromStdString(store + ".csv"));
        r.csvButton->click();
        QFile csv(QString::fromStdString(store + ".csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 5);
        const kel::test::CliResult exported =
            kel::test::RunCli({"results", "export", "--format", "csv"});
        QCOMPARE(exported.exitCode, 0);
        const QStringList all = QString::fromStdString(exported.out).split('\n');
        QCOMPARE(lines[0], all[0]);
        for (const QString& line : lines)
            QVERIFY2(all.contains(line), qPrintable(line));

        // More runs than a page: a page listed, every one counted.
        {
            kel::results::Store more(store);
            for (int run = 0; run < 250; ++run) {
                kel::results::RunRecord record;
                record.id = kel::results::NewUuid();
                record.startedAt =
                    run == 0 ? "2026-01-01T09:00:00.000Z" : "2026-01-01T10:00:00.000Z";
                record.dut = "SN-0001";
                record.station = "rf-lab-bench-station-west-wing-3";
                record.plan = "wifi-module-acceptance-line-2026-rev-b";
                record.verdict = run == 0 ? kel::results::kRunFail : kel::results::kRunPass;
                more.AddRun(record);
            }
        }
        r.boardEdit->setText("n-00");
        r.ShowRuns();
        QCOMPARE(r.Runs().size(), std::size_t{200});
        QCOMPARE(r.summaryLabel->text(),
                 QString("Runs 252, boards 1, passed 249, failed 1; first-pass yield 0.0 % (0 of "
                         "1 boards judged)"));
        // On a 1024×700 screen long names give way: verdict and plan in sight.
        r.resize(1024, 700);
        QTRY_COMPARE(r.width(), 1024);
        QCoreApplication::processEvents();
        const QHeaderView& header = *r.runsView->horizontalHeader();
        for (const int column : {RunsModel::kVerdictColumn, RunsModel::kPlanColumn}) {
            const int left = header.sectionViewportPosition(column);
            QVERIFY2(left >= 0 &&
                         left + header.sectionSize(column) <= r.runsView->viewport()->width(),
                     qPrintable(QStringLiteral("column %1 at %2").arg(column).arg(left)));
        }
    }

    void windowsOpenFromVisibleEntriesAndAnnounceThemselves() {
        ConsoleFixture c;
        CkelGuiToolDlg& dlg = *c.dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        // The row sits inside the dialog, under the template's controls.
        QVERIFY(dlg.rect().contains(dlg.windowsRow->geometry()));
        QVERIFY(dlg.windowsRow->geometry().top() >=
                dlg.GetDlgItem(IDC_SEND_CMD)->geometry().bottom());
        for (QPushButton* entry : {dlg.sweepButton, dlg.resultsButton})
            QVERIFY(entry->isVisible() && dlg.windowsRow->isAncestorOf(entry));
        QVERIFY(!dlg.sweepButton->isEnabled()); // a sweep needs a connection
        dlg.resultsButton->click();
        QVERIFY(dlg.resultsWindow && dlg.resultsWindow->isVisible());
        dlg.OpenSweepWindow();
        for (QWidget* window :
             {static_cast<QWidget*>(dlg.resultsWindow), static_cast<QWidget*>(dlg.sweepWindow)}) {
            QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(window);
            QCOMPARE(announced->role(), QAccessible::Window);
            QCOMPARE(announced->text(QAccessible::Name), window->windowTitle());
            // Nothing out of reach on a 1024×700 screen.
            const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
            QVERIFY2(least.width() <= 1024 && least.height() <= 700,
                     qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
        }
    }

    void escapeOnTheOpenComListKeepsWhatWasTyped() {
        ConsoleFixture c;
        c.Choose(IDC_CHIP_MODEL, kQB202);
        c.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(c.dlg.get()));
        const QString typed = QStringLiteral("/dev/serial/by-id/usb-typed-by-hand-if00");
        c.Type(IDC_COM_PORT, typed);
        c.dlg->comPortList->showPopup();
        QTRY_VERIFY(c.dlg->comPortList->view()->isVisible());
        QTest::keyClick(c.dlg->comPortList->view(), Qt::Key_Escape);
        QTRY_VERIFY(!c.dlg->comPortList->view()->isVisible());
        QCOMPARE(c.Text(IDC_COM_PORT), typed);
    }

    void weakBoardFailsItsHighRateCells() {
        SweepWindow& w = Open(tray->SlavePath(kWeakBoard));
        Choose(w, {1, 7, 13}, {"1.0", "54.0"}, 0.1, "8");
        w.findChild<QPushButton*>("start")->click();
        QCOMPARE(w.Points().size(), std::size_t{6});
        for (int channel : {1, 7, 13}) {
            QCOMPARE(w.grid->CellVerdict(channel, 1.0), Verdict::Pass);
            QCOMPARE(w.grid->CellVerdict(channel, 54.0), Verdict::Fail);
        }
        QCOMPARE(w.chart->MarkedCount(), 3);
    }
};

QTEST_MAIN(SweepWindowTest)
#include "SweepWindowTest.moc"
