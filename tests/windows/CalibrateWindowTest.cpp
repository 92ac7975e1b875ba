// SPDX-License-Identifier: GPL-3.0-or-later
// The Calibrate window on the console's built-in virtual board, measured by
// the virtual bench the console serves for it: a crystal found in a few
// trials and stored only after a Yes, a stopped power calibration leaving
// no TX on, and a sensitivity search recorded and drawn again by the
// results window as PER over level.

#include "windows/calibrate/CalibrateWindow.h"

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "console/BenchInstrument.h"
#include "console/ResultsRecorder.h"
#include "results/RunSource.h"
#include "results/StoreSetting.h"
#include "tests/support/TempFolder.h"
#include "windows/ResultsWindow.h"
#include "windows/charts/TraceChart.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <cmath>
#include <optional>

namespace {

constexpr int kQB202 = 2;

} // namespace

class CalibrateWindowTest : public QObject {
    Q_OBJECT

    std::optional<kel::test::TempFolder> folder;
    std::string store;
    std::optional<ConsoleFixture> console;

    CalibrateWindow& Open() {
        console.emplace();
        if (!console->ConnectToVirtualBoard(kQB202))
            qFatal("no connection to the built-in virtual board");
        console->dlg->calibrateButton->click();
        return *console->dlg->calibrateWindow;
    }
    std::vector<kel::results::RunSummary> Runs() {
        console->dlg->results->Flush();
        return kel::results::StoreRuns(store)->Runs({});
    }
    static void Press(CalibrateWindow& w, const char* name) {
        w.findChild<QPushButton*>(name)->click();
    }

private slots:
    void init() {
        folder.emplace();
        store = (folder->path / "results.sqlite").string();
        qputenv(kel::results::kResultsVariable, QByteArray::fromStdString(store));
        qunsetenv(kInstrumentVariable);
    }
    void cleanup() {
        console.reset();
        folder.reset();
        qunsetenv(kel::results::kResultsVariable);
    }

    void crystalConvergesAndIsStoredOnlyAfterYes() {
        CalibrateWindow& w = Open();
        kel::board::VirtualBoardHost& board = console->Board();
        const int storedBefore = board.State().sddFreqOffset;
        w.findChild<QLineEdit*>("dut")->setText("SN-0007");
        Press(w, "calibrateCrystal");

        // A nominal first step, then the measured slope: a few trials, the
        // last within the tolerance, each drawn and listed.
        const QList<QPointF> trace = w.traceChart->Points("Crystal");
        QVERIFY2(trace.size() >= 2 && trace.size() <= 4, qPrintable(QString::number(trace.size())));
        QCOMPARE(w.trialsList->count(), trace.size());
        QCOMPARE(trace.back().x(), double(trace.size()));
        QVERIFY(std::abs(trace.back().y()) <= 1.0);
        QVERIFY(w.resultLabel->text().endsWith("pass"));
        QVERIFY(!board.State().toneRunning);
        const int code = board.State().liveFreqOffset;
        QCOMPARE(board.State().sddFreqOffset, storedBefore);

        // No: nothing goes to the board.
        console->prompts->answers.push_back(Prompter::Answer::No);
        Press(w, "saveToSdd");
        QCOMPARE(console->prompts->questions.size(), 1);
        QVERIFY(console->prompts->questions[0].contains(QString("code %1").arg(code)));
        QVERIFY(!console->dlg->LogText().contains("set_sdd_freq_offset"));
        QCOMPARE(board.State().sddFreqOffset, storedBefore);
        // Yes: stored and read back, and then there is nothing left to save.
        console->prompts->answers.push_back(Prompter::Answer::Yes);
        Press(w, "saveToSdd");
        QCOMPARE(board.State().sddFreqOffset, code);
        QVERIFY(!w.saveButton->isEnabled());

        // Newest first: the save, the calibration (trials, then its result).
        const auto runs = Runs();
        QVERIFY(runs.size() >= 2);
        QCOMPARE(QString::fromStdString(runs[1].run.dut), QString("SN-0007"));
        QVERIFY(
            QString::fromStdString(runs[1].run.instrument).startsWith("kelGuiTool,Virtual Bench"));
        QCOMPARE(QString::fromStdString(runs[1].run.verdict), QString("pass"));
        const auto measured = kel::results::StoreRuns(store)->Measurements(runs[1].run.id);
        QCOMPARE(measured.size(), std::size_t(trace.size() + 1));
        QCOMPARE(measured.back().measurement.kind, kel::rftest::MeasurementKind::FreqCal);
        const auto saved = kel::results::StoreRuns(store)->Measurements(runs[0].run.id);
        QCOMPARE(QString::fromStdString(saved.at(0).measurement.text), QString("saved"));
    }

    void stopLeavesNoTxAndSensitivityIsDrawnOverLevel() {
        CalibrateWindow& w = Open();
        kel::board::VirtualBoardHost& board = console->Board();
        // Stop as the first trial shows.
        const auto hook = connect(w.trialsList->model(), &QAbstractItemModel::rowsInserted, &w,
                                  [&w] { w.stopButton->click(); });
        Press(w, "calibratePower");
        disconnect(hook);
        QVERIFY(w.statusLabel->text().contains("stopped"));
        QVERIFY(!board.State().txRunning);
        const QString log = console->dlg->LogText();
        QVERIFY(log.indexOf("tx_stop", log.indexOf("Cancelled")) > 0);
        QVERIFY(!w.saveButton->isEnabled());

        w.findChild<QLineEdit*>("rates")->setText("54");
        Press(w, "measureSensitivity");
        const QList<QPointF> points = w.sensitivityChart->Points("54.0 Mbit/s");
        QVERIFY2(points.size() >= 5 && points.size() <= 8,
                 qPrintable(QString::number(points.size())));
        QVERIFY2(w.resultLabel->text().contains("dBm"),
                 qPrintable(w.resultLabel->text() + " / " + w.statusLabel->text() + " / " +
                            console->Messages().join("|") + "\n" + console->dlg->LogText()));
        QVERIFY(!board.State().rxRunning);

        Press(w, "openResults");
        ResultsWindow& r = *console->dlg->resultsWindow;
        const auto& runs = r.Runs();
        QVERIFY(runs.size() >= 2);
        QCOMPARE(QString::fromStdString(runs[1].run.verdict), QString("interrupted"));
        r.SelectRuns({0});
        QVERIFY(r.levelChart->isVisibleTo(&r));
        QCOMPARE(r.levelChart->Points("54.0 Mbit/s"), points);
    }
};

QTEST_MAIN(CalibrateWindowTest)
#include "CalibrateWindowTest.moc"
