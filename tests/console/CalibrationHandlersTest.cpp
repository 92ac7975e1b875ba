// SPDX-License-Identifier: GPL-3.0-or-later
// Frequency offset, SDD power table, supply radios and the free command line,
// clicked on a console connected to the virtual board (or to a scripted peer
// where the exact bytes matter).

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "editlist/CEditList.h"
#include "resources/ResourceIds.h"
#include "tests/support/PtyPeer.h"

#include <QtTest>
#include <thread>

using namespace kel::res;
using kel::board::BoardState;
using kel::board::SupplyMode;
using kel::test::PtyPeer;

namespace {

// Commands the board refuses end by the reader giving up: keep that short.
constexpr std::chrono::milliseconds kSlice{10};

const QString kFreqOffsetRange = QStringLiteral("Invalid Sdd Freq Offset value, should be 0-127!");
const QString kPowerRange = QStringLiteral("Invalid Sdd power value, should be 0-120!");
const QString kDcDcQuestion = QStringLiteral(
    "Make sure the DC-DC is attached to the board? Only DC-DC on the board can switch to DC-DC "
    "mode");

void SetPowerCells(CkelGuiToolDlg& dlg, const QStringList& cells) {
    for (int row = 0; row < 3; ++row)
        dlg.sddPowerList->SetItemText(row, 1, cells[row]);
}

QStringList PowerCells(const CkelGuiToolDlg& dlg) {
    QStringList cells;
    for (int row = 0; row < 3; ++row)
        cells << dlg.sddPowerList->GetItemText(row, 1);
    return cells;
}

} // namespace

class CalibrationHandlersTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> console;

    // A console on the built-in virtual board, chip model QB202.
    void ConnectToBoard() {
        console = std::make_unique<ConsoleFixture>(kSlice);
        QVERIFY(console->ConnectToVirtualBoard(2));
        QCOMPARE(console->Messages(), QStringList());
    }

    BoardState Board() { return console->Board().State(); }

    // The radios and the remembered mode agree on the supply shown.
    void VerifyModeShown(bool dcdc) {
        QCOMPARE(console->Checked(IDC_DCDC_MODE), dcdc);
        QCOMPARE(console->Checked(IDC_LDO_MODE), !dcdc);
        QCOMPARE(console->dlg->dcdcMode, std::int16_t(dcdc ? 1 : 0));
    }

    // Table rows share one connection; each starts with no messages and an
    // empty log pane.
    std::unique_ptr<ConsoleFixture> shared;
    ConsoleFixture& SharedConsole() {
        if (!shared) {
            shared = std::make_unique<ConsoleFixture>(kSlice);
            if (!shared->ConnectToVirtualBoard(2))
                qFatal("cannot connect to the virtual board");
        }
        shared->prompts->messages.clear();
        shared->dlg->ClearLog();
        return *shared;
    }

private slots:
    void cleanup() { console.reset(); }
    void cleanupTestCase() { shared.reset(); }

    void freqOffsetIsCheckedAndSentAsTyped_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        const struct {
            int button;
            const char* command;
        } buttons[] = {{IDC_SET_FREQ_OFFSET, "set_freq_offset"},
                       {IDC_SAVE_FREQ_OFFSET, "set_sdd_freq_offset"}};
        for (const auto& b : buttons) {
            const auto row = [&](const char* name, const char* typed, bool refused) {
                QTest::addRow("%s %s", b.command, name) << b.button << typed << refused;
            };
            row("0", "0", false);
            row("127", "127", false);
            row("128", "128", true);
            row("-1", "-1", true);
            // Its low 32 bits read 0: the whole number is what is checked.
            row("2^32", "4294967296", true);
        }
        // Letters read as 0 and go out as typed; so does a leading blank.
        QTest::newRow("letters") << int(IDC_SET_FREQ_OFFSET) << "abc" << false;
        QTest::newRow("leading blank") << int(IDC_SET_FREQ_OFFSET) << " 12" << false;
    }
    void freqOffsetIsCheckedAndSentAsTyped() {
        QFETCH(int, button);
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        ConsoleFixture& console = SharedConsole();
        const QString command =
            button == IDC_SET_FREQ_OFFSET ? "kel set_freq_offset " : "kel set_sdd_freq_offset ";

        console.Type(IDC_FREQ_OFFSET, typed);
        console.Click(button);

        QCOMPARE(console.Messages().contains(kFreqOffsetRange), refused);
        QCOMPARE(console.dlg->LogText().contains(command + typed + "\n"), !refused);
        if (refused)
            QVERIFY(!console.dlg->LogText().contains(command));
    }

    void freqOffsetAcceptedByTheBoardIsStored() {
        ConnectToBoard();
        console->Type(IDC_FREQ_OFFSET, "127");
        console->Click(IDC_SET_FREQ_OFFSET);
        console->Type(IDC_FREQ_OFFSET, "0");
        console->Click(IDC_SAVE_FREQ_OFFSET);
        QCOMPARE(console->Messages(), QStringList());
        QCOMPARE(Board().liveFreqOffset, 127);
        QCOMPARE(Board().sddFreqOffset, 0);

        // Both reads fill the one edit: the stored value, then the live one.
        console->Click(IDC_GET_SDD_FREQ_OFFSET);
        QCOMPARE(console->Text(IDC_FREQ_OFFSET), QStringLiteral("0"));
        console->Click(IDC_GET_FREQ_OFFSET);
        QCOMPARE(console->Text(IDC_FREQ_OFFSET), QStringLiteral("127"));
    }

    // Each names its command; a failed read leaves the edit and the list as they were.
    void failedCalibrationCommandsNameTheirCommand() {
        ConnectToBoard();
        console->Board().GoSilent(); // every exchange fails, the line stays up
        console->Type(IDC_FREQ_OFFSET, "5");
        SetPowerCells(*console->dlg, {"1", "2", "3"});
        for (int button : {IDC_SET_FREQ_OFFSET, IDC_SAVE_FREQ_OFFSET, IDC_GET_FREQ_OFFSET,
                           IDC_GET_SDD_FREQ_OFFSET, IDC_SET_POWER_ALL, IDC_GET_POWER_ALL})
            console->Click(button);
        QCOMPARE(console->Messages(), (QStringList{"Failed to send kel set freq offset cmd!",
                                                   "Failed to send kel set sdd freq offset cmd!",
                                                   "Failed to send kel get freq offset cmd!",
                                                   "Failed to send kel get sdd freq offset cmd!",
                                                   "Failed to send kel set sdd power all cmd!",
                                                   "Failed to send kel get sdd power all cmd!"}));
        QCOMPARE(console->Text(IDC_FREQ_OFFSET), QStringLiteral("5"));
        QCOMPARE(PowerCells(*console->dlg), (QStringList{"1", "2", "3"}));
    }

    void powerCellsAreCheckedAndSentAsTyped_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("refused");
        QTest::newRow("bounds") << QStringList{"0", "1", "120"} << false;
        QTest::newRow("as typed") << QStringList{"050", "12a", "64"} << false;
        QTest::newRow("above 120") << QStringList{"64", "121", "48"} << true;
        QTest::newRow("negative") << QStringList{"64", "56", "-1"} << true;
        QTest::newRow("low bits in range") << QStringList{"4294967297", "56", "48"} << true;
        QTest::newRow("empty cell reads 0") << QStringList{"", "56", "48"} << false;
    }
    void powerCellsAreCheckedAndSentAsTyped() {
        QFETCH(QStringList, cells);
        QFETCH(bool, refused);
        ConsoleFixture& console = SharedConsole();
        SetPowerCells(*console.dlg, cells);
        console.Click(IDC_SET_POWER_ALL);

        QCOMPARE(console.Messages().contains(kPowerRange), refused);
        const QString sent = "kel set_sdd_power all " + cells.join(' ') + "\n";
        QCOMPARE(console.dlg->LogText().contains(sent), !refused);
        if (refused)
            QVERIFY(!console.dlg->LogText().contains("set_sdd_power all "));
        // The members carry what the list held.
        QCOMPARE(QString::fromStdString(console.dlg->sddPower11gnText), cells[1]);
    }

    void powerTableRoundTripsThroughTheBoard() {
        ConnectToBoard();
        SetPowerCells(*console->dlg, {"0", "1", "120"});
        console->Click(IDC_SET_POWER_ALL);
        QCOMPARE(console->Messages(), QStringList());
        QCOMPARE(Board().sddPower, (std::array<int, 3>{0, 1, 120}));

        SetPowerCells(*console->dlg, {"", "", ""});
        console->Click(IDC_GET_POWER_ALL);
        QCOMPARE(PowerCells(*console->dlg), (QStringList{"0", "1", "120"}));
        QCOMPARE(console->Text(IDC_SDD_POWER_11N_MCS7), QStringLiteral("120"));
    }

    void saveToSddStoresTheOffsetEvenWhenThePowersAreRefused() {
        ConnectToBoard();
        SetPowerCells(*console->dlg, {"64", "121", "48"});
        console->Type(IDC_FREQ_OFFSET, "20");
        console->Click(IDC_SAVE_TO_SDD);
        QCOMPARE(console->Messages(), QStringList{kPowerRange});
        QCOMPARE(Board().sddFreqOffset, 20);
        QVERIFY(console->dlg->LogText().contains("kel set_sdd_freq_offset 20\n"));
    }

    void saveToSddStoresBothHalvesInOrder() {
        ConnectToBoard();
        SetPowerCells(*console->dlg, {"70", "60", "50"});
        console->Type(IDC_FREQ_OFFSET, "30");
        console->Click(IDC_SAVE_TO_SDD);
        QCOMPARE(console->Messages(), QStringList());
        QCOMPARE(Board().sddPower, (std::array<int, 3>{70, 60, 50}));
        QCOMPARE(Board().sddFreqOffset, 30);
        const QString log = console->dlg->LogText();
        QVERIFY(log.indexOf("set_sdd_power all") < log.indexOf("set_sdd_freq_offset"));
    }

    void dcdcNotConfirmedLeavesRadiosAndLog_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("no") << int(Prompter::Answer::No);
        QTest::newRow("cancel") << int(Prompter::Answer::Cancel);
    }
    void dcdcNotConfirmedLeavesRadiosAndLog() {
        QFETCH(int, answer);
        ConnectToBoard();
        console->prompts->answers.push_back(static_cast<Prompter::Answer>(answer));
        const QString logBefore = console->dlg->LogText();

        console->Click(IDC_DCDC_MODE);
        QCOMPARE(console->prompts->questions, QStringList{kDcDcQuestion});
        VerifyModeShown(false);
        QCOMPARE(console->dlg->LogText(), logBefore);
        QCOMPARE(Board().Supply(), SupplyMode::Ldo);
    }

    void dcdcConfirmedSwitchesAndAFailedLdoSwitchKeepsIt() {
        ConnectToBoard();
        console->prompts->answers.push_back(Prompter::Answer::Yes);
        console->Click(IDC_DCDC_MODE);
        QCOMPARE(console->Messages(), QStringList());
        VerifyModeShown(true);
        QCOMPARE(Board().Supply(), SupplyMode::DcDc);

        // The radios go back to the mode the board is still in.
        console->Board().GoSilent();
        console->Click(IDC_LDO_MODE);
        QCOMPARE(console->Messages(), QStringList{"Failed to send Switch to LDO Mode cmd!"});
        VerifyModeShown(true);
    }

    void ldoClickedWhenAlreadyLdoRunsTheWholeSequence() {
        ConnectToBoard();
        console->Click(IDC_LDO_MODE);
        QCOMPARE(console->Messages(), QStringList());
        const QString log = console->dlg->LogText();
        QVERIFY(log.contains("gpio deconfig pa23\n"));
        QVERIFY(log.contains("prcm set_top_ldo 1.8\n"));
        QVERIFY(console->Checked(IDC_LDO_MODE));
    }

    void sendCmd_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reply"); // empty: the board stays silent
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("boxAfter");
        QTest::newRow("unknown command is an answer")
            << "kel connect"
            << "<ACK> 400 Unknown command\n"
            << QByteArray("kel connect\n") << QStringList() << "";
        QTest::newRow("error line is an answer") << "x"
                                                 << "Sending CMD error!\n"
                                                 << QByteArray("x\n") << QStringList() << "";
        QTest::newRow("typed text goes as UTF-8, the log shows it back")
            << "kel é"
            << "<ACK> 400 Unknown command\n"
            << QByteArray("kel \xC3\xA9\n") << QStringList() << "";
        QTest::newRow("blanks are sent") << "  "
                                         << "<ACK> 200 OK\n"
                                         << QByteArray("  \n") << QStringList() << "";
        QTest::newRow("empty") << ""
                               << "" << QByteArray() << QStringList{"Invalid cmd !"} << "";
        QTest::newRow("no answer")
            << "kel tone"
            << "" << QByteArray("kel tone\n") << QStringList{"Ack Error!"} << "kel tone";
    }
    void sendCmd() {
        QFETCH(QString, typed);
        QFETCH(QString, reply);
        QFETCH(QByteArray, written);
        QFETCH(QStringList, messages);
        QFETCH(QString, boxAfter);
        PtyPeer peer;
        peer.ScriptReplies({"kel driver is ready!\n", "Sending CMD OK!\n",
                            "power level:20\nSending CMD OK!\n", reply.toStdString()});
        console = std::make_unique<ConsoleFixture>(kSlice);
        QVERIFY(console->Connect(0, peer.SlavePath()));
        const std::size_t before = peer.Received().size();

        console->Type(IDC_COMMAND, typed);
        console->Click(IDC_SEND_CMD);
        peer.WaitReceived(before + written.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // no more than that
        QCOMPARE(QByteArray::fromStdString(peer.Received().substr(before)), written);
        QCOMPARE(console->Messages(), messages);
        QCOMPARE(console->Text(IDC_COMMAND), boxAfter);
        if (!written.isEmpty())
            QVERIFY(console->dlg->LogText().contains(typed + "\n"));
    }
};

QTEST_MAIN(CalibrationHandlersTest)
#include "CalibrationHandlersTest.moc"
