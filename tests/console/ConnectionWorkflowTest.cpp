// SPDX-License-Identifier: GPL-3.0-or-later
// Connecting and disconnecting through the console's own buttons and lists,
// against the built-in virtual board and scripted pseudo-terminal peers.

#include "ConsoleFixture.h"
#include "ScriptedHandshake.h"
#include "board/VirtualBoardHost.h"
#include "console/PortList.h"
#include "editlist/CEditList.h"
#include "resources/ResourceIds.h"
#include "tests/support/PtyPeer.h"

#include <QComboBox>
#include <QLoggingCategory>
#include <QtTest>
#include <thread>

using namespace kel::res;
using kel::test::PtyPeer;

namespace {

// Controls only a connection unlocks, and those only a connection locks.
const QList<int> kConnectedOnly{IDC_CONNECT, IDC_TX, IDC_SEND_CMD, IDC_COMMAND};
const QList<int> kCalibrationControls{IDC_FREQ_OFFSET,    IDC_SET_FREQ_OFFSET, IDC_SAVE_TO_SDD,
                                      IDC_SDD_POWER_LIST, IDC_LDO_MODE,        IDC_DCDC_MODE};

} // namespace

class ConnectionWorkflowTest : public QObject {
    Q_OBJECT

private slots:
    void portListOffersOpenableDevicesAndTheVirtualBoard() {
        ConsoleFixture console;
        QComboBox* box = console.dlg->comPortList;
        console.Type(IDC_COM_PORT, QStringLiteral("/dev/typed-before"));
        box->showPopup(); // the drop-down refills the list first
        box->hidePopup();

        QCOMPARE(box->count(), kel::PortListEntries().size());
        const QStringList shown = kel::PortPaths(box);
        QCOMPARE(shown.count(QString::fromLatin1(kel::kVirtualBoardEntry)), 1);
        QStringList sorted = shown;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QCOMPARE(shown, sorted);
        // Nothing is chosen until the user picks; closed without a choice,
        // the list gives back what was typed.
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->currentText(), QStringLiteral("/dev/typed-before"));
        QVERIFY(box->isEditable());
    }

    void portListLeavesOutADeviceThisConsoleHolds() {
        ConsoleFixture console;
        QVERIFY(console.ConnectToVirtualBoard(0));
        const QString held = QString::fromStdString(console.Board().SlavePath());
        for (const kel::PortEntry& entry : kel::PortListEntries())
            QVERIFY(entry.path != held);
    }

    void devicePathOfTypedText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("path");
        QTest::newRow("full path") << "/dev/ttyUSB0"
                                   << "/dev/ttyUSB0";
        QTest::newRow("bare name") << "ttyACM1"
                                   << "/dev/ttyACM1";
        QTest::newRow("blanks around") << "  /dev/pts/7 "
                                       << "/dev/pts/7";
        QTest::newRow("blanks only") << "   "
                                     << "";
    }
    void devicePathOfTypedText() {
        QFETCH(QString, typed);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(kel::DevicePathOf(typed)), path);
    }

    void chipModelChoiceReplacesTheLogAndUnlocksConnect() {
        ConsoleFixture console;
        QVERIFY(!console.Enabled(IDC_CONNECT));
        console.dlg->AppendLog("earlier text\r\n");
        console.Choose(IDC_CHIP_MODEL, 3);
        QCOMPARE(console.dlg->chipModelIndex, 3);
        QCOMPARE(console.dlg->LogText(), QStringLiteral("Chip Model: QB101\n"));
        QVERIFY(console.Enabled(IDC_CONNECT));
        QVERIFY(console.Enabled(IDC_COM_PORT));
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Connect"));
    }

    void connectWithoutAPortSaysSo() {
        ConsoleFixture console;
        console.Choose(IDC_CHIP_MODEL, 2);
        console.Click(IDC_CONNECT);
        QCOMPARE(console.Messages(), QStringList{"Please select a com!"});
        QCOMPARE(console.dlg->LogText(), QString()); // emptied before the check
        QVERIFY(!console.dlg->port.IsOpen());
        QVERIFY(!console.dlg->watchdog);
    }

    void openFailureSaysWhyInTheLog_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("absent") << "/dev/kel-no-such-port"
                                << "no such device";
        QTest::newRow("not a serial device") << "/dev/null"
                                             << "not a serial device";
    }
    void openFailureSaysWhyInTheLog() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        ConsoleFixture console;
        QVERIFY(!console.Connect(2, path.toStdString()));
        QCOMPARE(console.Messages(), QStringList{"Failed to open uart!"});
        QVERIFY2(console.dlg->LogText().contains(path + ": " + reason),
                 qPrintable(console.dlg->LogText()));
        QVERIFY(!console.dlg->watchdog);
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Connect"));
        QVERIFY(console.Enabled(IDC_CONNECT));
    }

    void openFailureOfAHeldPortNamesTheOtherProgram() {
        PtyPeer peer;
        kel::SerialPort other;
        QCOMPARE(other.Open(peer.SlavePath(), 115200), 0);
        ConsoleFixture console;
        QVERIFY(!console.Connect(0, peer.SlavePath()));
        QCOMPARE(console.Messages(), QStringList{"Failed to open uart!"});
        QVERIFY(console.dlg->LogText().contains("held by another program"));
    }

    void connectWithoutCalibrationModelSetsUpTheControls() {
        ConsoleFixture console;
        console.dlg->fullDutyCheck = 1;
        console.dlg->txRunning = 1;
        console.dlg->SetDlgItemText(IDC_TX, QStringLiteral("TX Stop"));
        QVERIFY(console.ConnectToVirtualBoard(0));

        CkelGuiToolDlg& dlg = *console.dlg;
        QCOMPARE(console.Messages(), QStringList());
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Disconnect"));
        QCOMPARE(console.Text(IDC_TX), QStringLiteral("TX Start"));
        QCOMPARE(console.Text(IDC_RX), QStringLiteral("RX Start"));
        QCOMPARE(console.Text(IDC_TONE), QStringLiteral("Tone Start"));
        QCOMPARE(dlg.txRunning + dlg.rxRunning + dlg.toneRunning, 0);
        QVERIFY(!console.Checked(IDC_FULL_DUTY));
        QCOMPARE(console.Text(IDC_TX_COUNT), QStringLiteral("0"));
        QCOMPARE(console.Text(IDC_TX_LENGTH), QStringLiteral("0"));
        QCOMPARE(dlg.channelList->currentIndex(), 6);
        QCOMPARE(dlg.rateList->currentIndex(), 0);
        // The power level the board reported to enable_phy.
        QCOMPARE(console.Text(IDC_POWER).toStdString(), dlg.powerText);
        QVERIFY(!dlg.powerText.empty());
        for (int id : kConnectedOnly)
            QVERIFY(console.Enabled(id));
        for (int id : kChoiceControls + kCalibrationControls)
            QVERIFY(!console.Enabled(id));
        // No calibration reads with this chip model.
        QVERIFY(!dlg.LogText().contains("get_freq_offset"));
        QVERIFY(!dlg.LogText().contains("get_sdd_power"));
        QCOMPARE(console.Text(IDC_FREQ_OFFSET), QString());
    }

    void connectWithCalibrationModelReadsOffsetAndPowerTable() {
        // The real slice: a healthy board never makes it wait that long.
        ConsoleFixture console(kel::ReadWatchdog::kSlice);
        console.Board().ModifyState([](kel::board::BoardState& state) {
            state.liveFreqOffset = 33;
            state.sddPower = {70, 61, 52};
        });
        QVERIFY(console.ConnectToVirtualBoard(2));

        QCOMPARE(console.Messages(), QStringList());
        QCOMPARE(console.Text(IDC_FREQ_OFFSET), QStringLiteral("33"));
        const QStringList powers{"70", "61", "52"};
        const int hidden[] = {IDC_SDD_POWER_11B, IDC_SDD_POWER_11GN, IDC_SDD_POWER_11N_MCS7};
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(console.dlg->sddPowerList->GetItemText(row, 1), powers[row]);
            QCOMPARE(console.Text(hidden[row]), powers[row]);
        }
        for (int id : kCalibrationControls)
            QVERIFY(console.Enabled(id));
        // The reads come after the handshake, in this order.
        const QString log = console.dlg->LogText();
        const auto phy = log.indexOf("kel enable_phy");
        const auto offset = log.indexOf("kel get_freq_offset");
        const auto power = log.indexOf("kel get_sdd_power all");
        QVERIFY(phy >= 0 && phy < offset && offset < power);
    }

    void boardEndingItsLinesInCrLfConnectsAndIsRead() {
        kel::board::VirtualBoardHost board(kel::board::FaultMode{kel::board::FaultKind::CrLf});
        board.ModifyState([](kel::board::BoardState& s) { s.liveFreqOffset = 48; });
        ConsoleFixture console;
        QVERIFY(console.Connect(2, board.SlavePath()));
        QCOMPARE(console.Messages(), QStringList());
        QCOMPARE(console.Text(IDC_FREQ_OFFSET), QStringLiteral("48"));
        QVERIFY(!console.dlg->LogText().contains("\r\r")); // the CR is no part of a line
    }

    void typedBaudRateIsUsed() {
        ConsoleFixture console;
        console.Type(IDC_BAUD_RATE, QStringLiteral("921600"));
        QVERIFY(console.ConnectToVirtualBoard(1));
        QCOMPARE(console.dlg->port.baudRate, std::uint32_t{921600});
    }

    void handshakeFailureClosesThePortAndASecondAttemptSucceeds_data() {
        QTest::addColumn<QStringList>("firstReplies");
        QTest::addColumn<QString>("message");
        // An empty reply leaves the command unanswered.
        QTest::newRow("silent board") << QStringList{""} << "Failed to send kel cmd!";
        QTest::newRow("connect refused")
            << QStringList{"boot banner\nkel driver is ready!\n", "Sending CMD error!\n"}
            << "Failed to send kel connect cmd!";
        QTest::newRow("enable_phy unanswered")
            << QStringList{kReady, kOk, "power level:9\n"} << "Failed to send kel enable phy cmd!";
    }
    void handshakeFailureClosesThePortAndASecondAttemptSucceeds() {
        QFETCH(QStringList, firstReplies);
        QFETCH(QString, message);
        PtyPeer peer;
        for (const QString& reply : firstReplies)
            peer.ScriptReplies({reply.toStdString()});
        peer.ScriptReplies({kReady, kOk, kPhyOk});

        ConsoleFixture console(kGiveUpSlice);
        QVERIFY(!console.Connect(0, peer.SlavePath()));
        QCOMPARE(console.Messages(), QStringList{message});
        QVERIFY(Released(peer.SlavePath()));
        QVERIFY(!console.dlg->watchdog);
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Connect"));
        for (int id : kChoiceControls)
            QVERIFY(console.Enabled(id));
        // The log shows what the attempt wrote and read.
        QVERIFY(console.dlg->LogText().startsWith("kel\n"));

        console.Click(IDC_CONNECT);
        QCOMPARE(console.dlg->connected, 1);
        QCOMPARE(console.Messages().size(), 1);
        QCOMPARE(console.Text(IDC_POWER), QStringLiteral("20"));
    }

    void failedCalibrationReadsLeaveTheConnectionUp() {
        PtyPeer peer;
        peer.ScriptReplies({kReady, kOk, kPhyOk, "", ""});
        ConsoleFixture console(kGiveUpSlice);
        QVERIFY(console.Connect(3, peer.SlavePath()));
        QCOMPARE(console.Messages(), (QStringList{"Failed to send kel get freq offset cmd!",
                                                  "Failed to send kel get sdd power all cmd!"}));
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Disconnect"));
    }

    void disconnectWritesTheDialectsCommand_data() {
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("prefixed: nothing") << 1 << QByteArray();
        QTest::newRow("bare") << 2 << QByteArray("kel disconnect\n\0", 16);
    }
    void disconnectWritesTheDialectsCommand() {
        QFETCH(int, chipModel);
        QFETCH(QByteArray, written);
        PtyPeer peer;
        // The calibration reads of row 2 get empty answers (0 offset, no table).
        peer.ScriptReplies({kReady, kOk, kPhyOk, "freq offset is:0\nSending CMD OK!\n", kOk});
        ConsoleFixture console;
        QVERIFY(console.Connect(chipModel, peer.SlavePath()));
        const std::size_t before = peer.Received().size();

        console.Click(IDC_CONNECT);
        std::string received = peer.WaitReceived(before + written.size());
        // Give a stray byte time to show up.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        received = peer.Received();
        QCOMPARE(QByteArray::fromStdString(received.substr(before)), written);
        QVERIFY(Released(peer.SlavePath()));
    }

    void disconnectLeavesJustTheChipModelLine() {
        ConsoleFixture console;
        QVERIFY(console.ConnectToVirtualBoard(2));
        console.Click(IDC_CONNECT);

        QCOMPARE(console.dlg->connected, 0);
        QCOMPARE(console.dlg->LogText(), QStringLiteral("Chip Model: QB202\n"));
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Connect"));
        QVERIFY(console.Enabled(IDC_CONNECT));
        for (int id : kChoiceControls)
            QVERIFY(console.Enabled(id));
        for (int id : kCalibrationControls + QList<int>{IDC_TX, IDC_SEND_CMD})
            QVERIFY(!console.Enabled(id));
        QVERIFY(!console.dlg->watchdog);
        QVERIFY(Released(console.Board().SlavePath()));
        QTRY_VERIFY(!console.Board().State().connected);

        // The same board again, from the list.
        QVERIFY(console.ConnectToVirtualBoard(2));
    }

    // Developers' diagnostics from below the console (the watchdog's start
    // and stop, ioctls a pseudo-terminal refuses) reach the kel.serial logging
    // category once it is switched on, and never the log pane.
    void debugNotesGoToTheLoggingCategoryNotThePane() {
        static QStringList notes;
        QLoggingCategory::setFilterRules(QStringLiteral("kel.serial.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArrayView(context.category) == "kel.serial")
                    notes << text;
            });
        ConsoleFixture console;
        QVERIFY(console.ConnectToVirtualBoard(2));
        const QString pane = console.dlg->LogText();
        console.Click(IDC_CONNECT);
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        QCOMPARE(notes.filter(" read watchdog started, slice ").size(), 1);
        QCOMPARE(notes.filter(" read watchdog stopped").size(), 1);
        QVERIFY(!pane.contains("watchdog") && !pane.contains("passed over"));
    }

    void closingWhileConnectedReleasesThePortAndSendsNothing() {
        PtyPeer peer;
        peer.ScriptReplies({kReady, kOk, kPhyOk});
        auto console = std::make_unique<ConsoleFixture>();
        QVERIFY(console->Connect(0, peer.SlavePath()));
        const std::size_t before = peer.Received().size();

        console->dlg->close();
        console.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QCOMPARE(peer.Received().size(), before);
        QVERIFY(Released(peer.SlavePath()));
    }
};

QTEST_MAIN(ConnectionWorkflowTest)
#include "ConnectionWorkflowTest.moc"
