// SPDX-License-Identifier: GPL-3.0-or-later
// The RF test controls against the virtual board, connected through the
// Connect button: what a bench session of clicks leaves on the board, and what
// the board's answers show in the console.

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "editlist/CEditList.h"
#include "console/ResultsRecorder.h"
#include "protocol/RxPer.h"
#include "resources/ResourceIds.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "serial/ReadWatchdog.h"

#include <QAccessible>
#include <QtTest>
#include <atomic>
#include <optional>

using namespace kel::res;
using kel::board::BoardState;
using kel::board::VirtualBoardHost;

namespace {

// Healthy exchanges never wait out a slice; the real one costs nothing here.
constexpr std::chrono::milliseconds kSlice = kel::ReadWatchdog::kSlice;

} // namespace

class RfTestBoardTest : public QObject {
    Q_OBJECT

    // The RX counters follow this clock, so the frames sent are known.
    std::atomic<std::int64_t> boardMs{0};
    std::optional<VirtualBoardHost> board;
    std::optional<ConsoleFixture> console;

    ConsoleFixture& Connect(int chipModel) {
        kel::board::BoardConfig config;
        config.clock = [this] {
            return std::chrono::steady_clock::time_point(std::chrono::milliseconds(boardMs.load()));
        };
        // Near the 5.5 Mbit/s sensitivity: a PER well away from 0.
        config.rxLevelDbm = -88;
        board.emplace(config);
        console.emplace(kSlice);
        if (!console->Connect(chipModel, board->SlavePath()))
            qFatal("no connection to the virtual board");
        return *console;
    }
    BoardState Board() const { return board->State(); }

    // The run's last measurement in the results store is this RX stop, at
    // the channel, rate and power set before it.
    static void ExpectRecordedRx(ConsoleFixture& c, std::int64_t sent,
                                 const kel::board::RxCounters& shown, double per) {
        kel::results::Store store(kel::results::DefaultStoreFile(),
                                  kel::results::Store::Open::Existing);
        const auto stored = kel::results::RunMeasurements(store, c.dlg->results->Run().id);
        QVERIFY(!stored.empty());
        const kel::rftest::Measurement& rx = stored.back().measurement;
        QCOMPARE(rx.kind, kel::rftest::MeasurementKind::Rx);
        QCOMPARE(rx.sent, sent);
        QCOMPARE(rx.total, std::int64_t{shown.total});
        QCOMPARE(rx.abortErrors, std::int64_t{shown.abortErrors});
        QCOMPARE(rx.crcErrors, std::int64_t{shown.crcErrors});
        QCOMPARE(rx.perPercent, per);
        QCOMPARE(rx.channel, 11);
        QCOMPARE(rx.rateMbps, 5.5);
        QCOMPARE(rx.powerLevel, 20);
    }

private slots:
    void cleanup() {
        console.reset();
        board.reset();
    }

    void benchSession() {
        ConsoleFixture& c = Connect(2);

        c.Choose(IDC_CHANNEL, 10);
        c.Choose(IDC_RATE, 2);
        QCOMPARE(Board().channel, 11);
        QCOMPARE(Board().rateMode, 1);
        QCOMPARE(Board().rateTenths, 55);
        QCOMPARE(c.Text(IDC_POWER), QString("64")); // the board's 11b level

        c.Type(IDC_POWER, "20");
        c.Click(IDC_SET_POWER);
        QCOMPARE(Board().livePower[kel::board::kDsss], 20);
        QCOMPARE(c.Text(IDC_SDD_POWER_11B), QString("20"));
        QCOMPARE(c.dlg->sddPowerList->GetItemText(0, 1), QString("20"));

        c.Type(IDC_TX_LENGTH, "1024");
        c.dlg->CheckDlgButton(IDC_FULL_DUTY, 1);
        c.Click(IDC_TX);
        QVERIFY(Board().txRunning);
        QCOMPARE(Board().txLength, 1024);
        QVERIFY(Board().txFullDuty);
        QCOMPARE(c.Text(IDC_TX), QString("TX Stop"));
        c.Click(IDC_RX); // locked while TX runs
        QVERIFY(!Board().rxRunning);
        c.Click(IDC_TX);
        QVERIFY(!Board().txRunning);

        c.Click(IDC_RX);
        QVERIFY(Board().rxRunning);
        boardMs += 2000; // 200 frames sent
        c.Type(IDC_SEND_PKT_NUM, "200");
        c.Click(IDC_RX);
        QVERIFY(!Board().rxRunning);
        const kel::board::RxCounters n = Board().rxCounters;
        QVERIFY(n.total < 200 && n.crcErrors > 0);
        QCOMPARE(c.Text(IDC_RX_PER),
                 QString::fromStdString(kel::RxPerText(200, n.total, n.abortErrors, n.crcErrors)));
        ExpectRecordedRx(c, 200, n, c.Text(IDC_RX_PER).toDouble());

        c.Click(IDC_TONE);
        QVERIFY(Board().toneRunning);
        QVERIFY(!Board().txRunning);
        c.Click(IDC_TONE);
        QVERIFY(!Board().toneRunning);

        QCOMPARE(c.Messages(), QStringList{});
    }

    void toneOnItsCarrier() {
        ConsoleFixture& c = Connect(0);
        c.Click(IDC_TONE);
        BoardState s = Board();
        QVERIFY(s.toneRunning && s.txRunning);
        QCOMPARE(s.rateMode, 5);
        QCOMPARE(s.rateTenths, 650);
        QCOMPARE(c.Text(IDC_TX), QString("TX Stop"));
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Stop"));
        QVERIFY(!c.Enabled(IDC_RX));

        c.Click(IDC_TONE);
        s = Board();
        QVERIFY(!s.toneRunning && !s.txRunning);
        QCOMPARE(c.Text(IDC_TX), QString("TX Start"));
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Start"));
        QVERIFY(c.Enabled(IDC_RX));
        QCOMPARE(c.Messages(), QStringList{});
    }

    // Without the mouse: Enter and Space press the focused button, and what
    // a screen reader announces follows each caption.
    void keyboardSession() {
        board.emplace();
        console.emplace(kSlice);
        ConsoleFixture& c = *console;
        c.dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(c.dlg.get()));
        c.dlg->activateWindow();
        c.Choose(IDC_CHIP_MODEL, 2);
        c.Type(IDC_COM_PORT, QString::fromLocal8Bit(board->SlavePath()));
        const auto press = [&](int id, Qt::Key key) {
            QWidget* button = c.dlg->GetDlgItem(id);
            button->setFocus();
            QTest::keyClick(button, key);
            return QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
        };

        QCOMPARE(press(IDC_CONNECT, Qt::Key_Return), QString("Disconnect"));
        QVERIFY(c.dlg->connected);
        QCOMPARE(press(IDC_TX, Qt::Key_Return), QString("TX Stop"));
        QVERIFY(Board().txRunning);
        QCOMPARE(press(IDC_TX, Qt::Key_Space), QString("TX Start"));
        QVERIFY(!Board().txRunning);
        QCOMPARE(press(IDC_RX, Qt::Key_Enter), QString("RX Stop"));
        QVERIFY(Board().rxRunning);
        QCOMPARE(press(IDC_RX, Qt::Key_Return), QString("RX Start"));
        QCOMPARE(press(IDC_TONE, Qt::Key_Return), QString("Tone Stop"));
        QVERIFY(Board().toneRunning);
        QCOMPARE(press(IDC_TONE, Qt::Key_Return), QString("Tone Start"));
        QCOMPARE(press(IDC_CONNECT, Qt::Key_Return), QString("Connect"));
        QVERIFY(!c.dlg->connected);
        QVERIFY(c.dlg->isVisible());
        QCOMPARE(c.Messages(), QStringList{});
    }
};

QTEST_MAIN(RfTestBoardTest)
#include "RfTestBoardTest.moc"
