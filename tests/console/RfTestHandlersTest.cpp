// SPDX-License-Identifier: GPL-3.0-or-later
// The RF test handlers against a scripted board: the bytes each click writes,
// the messages it shows, and the captions, enabled states and flags it leaves.

#include "ConnectedConsole.h"
#include "editlist/CEditList.h"
#include "tests/support/PtyPeer.h"

#include <QRegularExpression>
#include <QtTest>
#include <optional>

using namespace kel::res;
using kel::test::PtyPeer;

namespace {

constexpr char kOk[] = "Sending CMD OK!\n";
// Give-ups cost a hundred slices each; keep them short.
constexpr std::chrono::milliseconds kSlice{2};

const QString kTxLengthMessage =
    QStringLiteral("Invalid TX length!\nLength should be 0 - 4095(0 for auto length)");
const QString kPowerMessage = QStringLiteral("Invalid power value, should be -118 to 120!");

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

class RfTestHandlersTest : public QObject {
    Q_OBJECT

    // The peer outlives the console, whose port it serves.
    std::optional<PtyPeer> peer;
    std::optional<ConnectedConsole> console;

    ConnectedConsole& Connect(int chipModel = 2, std::chrono::milliseconds slice = kSlice) {
        console.reset();
        peer.emplace();
        console.emplace(peer->SlavePath(), chipModel, slice);
        return *console;
    }
    QByteArray Wire() { return Bytes(peer->Received()); }

    // The state a continuous TX leaves: "TX Stop", RX, Channel and Rate locked.
    void VerifyTxRunning(bool running) {
        QCOMPARE(console->dlg->txRunning, running ? 1 : 0);
        QCOMPARE(console->Text(IDC_TX), running ? QString("TX Stop") : QString("TX Start"));
        for (int id : {IDC_RX, IDC_CHANNEL, IDC_RATE})
            QCOMPARE(console->Enabled(id), !running);
    }

private slots:
    void cleanup() {
        console.reset();
        peer.reset();
    }

    void setPower_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("wire"); // empty: refused, nothing sent
        QTest::newRow("lowest") << "-118" << QByteArray("kel power_level -118\n");
        QTest::newRow("highest") << "120" << QByteArray("kel power_level 120\n");
        QTest::newRow("letters after 12 go as typed")
            << "12abc" << QByteArray("kel power_level 12abc\n");
        QTest::newRow("empty reads 0, sent empty") << "" << QByteArray("kel power_level \n");
        QTest::newRow("below") << "-119" << QByteArray();
        QTest::newRow("above") << "121" << QByteArray();
        QTest::newRow("12 plus 2^32 is no 12") << "4294967308" << QByteArray();
        QTest::newRow("-118 minus 2^32 is no -118") << "-4294967414" << QByteArray();
    }
    void setPower() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, wire);
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({kOk});
        c.Type(IDC_POWER, typed);
        c.Click(IDC_SET_POWER);
        QCOMPARE(Wire(), wire);
        QCOMPARE(c.Messages(), wire.isEmpty() ? QStringList{kPowerMessage} : QStringList{});
    }

    // Rate rows to the SDD power class the power is recorded as.
    void setPowerRecordsTheSddPowerOfTheRateClass_data() {
        QTest::addColumn<int>("rateRow");
        QTest::addColumn<int>("listRow"); // -1: no SDD field changes
        QTest::newRow("1 Mbps") << 0 << 0;
        QTest::newRow("11 Mbps") << 3 << 0;
        QTest::newRow("6 Mbps") << 4 << 1;
        QTest::newRow("52 Mbps") << 17 << 1;
        QTest::newRow("58.5 Mbps") << 18 << -1;
        QTest::newRow("65 Mbps") << 19 << 2;
    }
    void setPowerRecordsTheSddPowerOfTheRateClass() {
        QFETCH(int, rateRow);
        QFETCH(int, listRow);
        ConnectedConsole& c = Connect();
        c.dlg->rateList->setCurrentIndex(rateRow);
        peer->ScriptReplies({kOk});
        c.Type(IDC_POWER, "+33");
        c.Click(IDC_SET_POWER);
        QCOMPARE(c.Messages(), QStringList{});

        const int fields[] = {IDC_SDD_POWER_11B, IDC_SDD_POWER_11GN, IDC_SDD_POWER_11N_MCS7};
        for (int row = 0; row < 3; ++row) {
            const QString expected = row == listRow ? QString("+33") : QString();
            QCOMPARE(c.Text(fields[row]), expected);
            QCOMPARE(c.dlg->sddPowerList->GetItemText(row, 1), expected);
        }
    }

    void setPowerFailureLeavesTheSddPowerAlone() {
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({"<ACK> 200 OK\n"}); // no end line of power_level
        c.Type(IDC_POWER, "10");
        c.Click(IDC_SET_POWER);
        QCOMPARE(c.Messages(), QStringList{"Failed to send kel set power cmd!"});
        QCOMPARE(c.dlg->sddPowerList->GetItemText(0, 1), QString());
    }

    void txStart_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("length");
        QTest::addColumn<bool>("fullDuty");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("running");
        QTest::newRow("continuous")
            << "0"
            << "1024" << false << QByteArray("kel tx -l 1024\n") << "" << true;
        QTest::newRow("longest, full duty")
            << "0"
            << "4095" << true << QByteArray("kel tx -l 4095 -f\n") << "" << true;
        QTest::newRow("five packets") << "5"
                                      << "0" << false << QByteArray("kel tx -n 5\n") << "" << false;
        QTest::newRow("empty length is auto")
            << "5"
            << "" << false << QByteArray("kel tx -n 5\n") << "" << false;
        QTest::newRow("negative count goes as it is")
            << "-3"
            << "7" << false << QByteArray("kel tx -n -3 -l 7\n") << "" << false;
        // The count keeps the low-32-bit reading: 2^32 is continuous TX.
        QTest::newRow("count 2^32 reads 0") << "4294967296"
                                            << "0" << false << QByteArray("kel tx\n") << "" << true;
        QTest::newRow("empty count")
            << ""
            << "0" << false << QByteArray() << "Please enter TX count!" << false;
        QTest::newRow("4096") << "0"
                              << "4096" << false << QByteArray() << kTxLengthMessage << false;
        QTest::newRow("-1") << "0"
                            << "-1" << false << QByteArray() << kTxLengthMessage << false;
        QTest::newRow("2^32 is no auto length")
            << "0"
            << "4294967296" << false << QByteArray() << kTxLengthMessage << false;
    }
    void txStart() {
        QFETCH(QString, count);
        QFETCH(QString, length);
        QFETCH(bool, fullDuty);
        QFETCH(QByteArray, wire);
        QFETCH(QString, message);
        QFETCH(bool, running);
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({kOk});
        c.Type(IDC_TX_COUNT, count);
        c.Type(IDC_TX_LENGTH, length);
        c.dlg->CheckDlgButton(IDC_FULL_DUTY, fullDuty);
        c.Click(IDC_TX);
        QCOMPARE(Wire(), wire);
        QCOMPARE(c.Messages(), message.isEmpty() ? QStringList{} : QStringList{message});
        VerifyTxRunning(running);
    }

    void failedTxStopKeepsTheTxRunning() {
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({kOk, ""}); // tx answered, the first tx_stop not
        c.Click(IDC_TX);
        VerifyTxRunning(true);

        c.Click(IDC_TX);
        QCOMPARE(c.Messages(), QStringList{"Failed to send kel tx stop cmd!"});
        VerifyTxRunning(true);

        peer->ScriptReplies({kOk});
        c.Click(IDC_TX);
        QCOMPARE(Wire(), QByteArray("kel tx\nkel tx_stop\nkel tx_stop\n"));
        VerifyTxRunning(false);
    }

    void rxStopShowsThePacketErrorRate_data() {
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QByteArray>("counters");
        QTest::addColumn<QString>("per");
        QTest::newRow("10 CRC errors in 1000")
            << "1000" << QByteArray("Total:990\nAbortError:0\nCRCError:10\n") << "2.00";
        QTest::newRow("10 more than sent")
            << "1000" << QByteArray("CRCError:0\nTotal:1010\nAbortError:0\n") << "1.00";
        QTest::newRow("missing counter lines count 0")
            << "200" << QByteArray("Total:199\n") << "0.50";
        QTest::newRow("nothing sent") << "" << QByteArray("Total:990\n") << "(untouched)";
    }
    void rxStopShowsThePacketErrorRate() {
        QFETCH(QString, sent);
        QFETCH(QByteArray, counters);
        QFETCH(QString, per);
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({kOk, counters.toStdString() + kOk});
        c.Click(IDC_RX);
        QCOMPARE(c.Text(IDC_RX), QString("RX Stop"));
        QCOMPARE(c.Text(IDC_RX_PER), QString());
        for (int id : {IDC_CHANNEL, IDC_RATE, IDC_TX, IDC_TONE})
            QVERIFY(!c.Enabled(id));

        c.dlg->SetDlgItemText(IDC_RX_PER, "(untouched)");
        c.Type(IDC_SEND_PKT_NUM, sent);
        c.Click(IDC_RX);
        QCOMPARE(Wire(), QByteArray("kel rx\nkel rx_stop\n"));
        QCOMPARE(c.Messages(), QStringList{});
        QCOMPARE(c.Text(IDC_RX_PER), per);
        QCOMPARE(c.Text(IDC_RX), QString("RX Start"));
        QCOMPARE(c.dlg->rxRunning, 0);
        for (int id : {IDC_CHANNEL, IDC_RATE, IDC_TX, IDC_TONE})
            QVERIFY(c.Enabled(id));
    }

    void rate_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("5.5") << 2 << QByteArray("kel rate -m 1 -r 5.5\n");
        QTest::newRow("6") << 4 << QByteArray("kel rate -m 2 -r 6.0\n");
        QTest::newRow("65") << 19 << QByteArray("kel rate -m 5 -r 65.0\n");
    }
    void rate() {
        QFETCH(int, row);
        QFETCH(QByteArray, wire);
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({"power level: 12\nSending CMD OK!\n"});
        c.Type(IDC_TX_COUNT, "25"); // typed, not yet used
        c.Choose(IDC_RATE, row);
        QCOMPARE(Wire(), wire);
        QCOMPARE(c.Text(IDC_POWER), QString(" 12"));
        // Only the Power box is refreshed: the typed count stays.
        QCOMPARE(c.Text(IDC_TX_COUNT), QString("25"));
    }

    void channel() {
        ConnectedConsole& c = Connect(0);
        peer->ScriptReplies({kOk, kOk});
        c.Choose(IDC_CHANNEL, 0);
        c.Choose(IDC_CHANNEL, 13);
        QCOMPARE(Wire(), QByteArray("netcmd lmac kel channel 2GHZ 1\n"
                                    "netcmd lmac kel channel 2GHZ 14\n"));
        QCOMPARE(c.Messages(), QStringList{});
    }

    void macAddresses() {
        ConnectedConsole& c = Connect();
        peer->ScriptReplies({"Source mac address: 02:00:00:00:00:0a\n"
                             "Dest mac address: 02:00:00:00:00:0b\n"
                             "BSSID: 02:00:00:00:00:0c\n"
                             "Sending CMD OK!\n",
                             kOk});
        c.Click(IDC_GET_MAC);
        QCOMPARE(c.Text(IDC_SRC_ADDR), QString("02:00:00:00:00:0a"));
        QCOMPARE(c.Text(IDC_DST_ADDR), QString("02:00:00:00:00:0b"));
        QCOMPARE(c.Text(IDC_BSSID), QString("02:00:00:00:00:0c"));

        c.Type(IDC_SRC_ADDR, "src");
        c.Type(IDC_BSSID, "");
        c.Click(IDC_SET_MAC);
        QCOMPARE(Wire(), Bytes(std::string("kel get_mac\n\0", 13) +
                               "kel set_mac -d src -s 02:00:00:00:00:0b -t \n"));
        QCOMPARE(c.Messages(), QStringList{});
    }

    // Rows 0 and 1: the tone rides on a continuous TX at 65 Mbps.
    void toneWithCarrier_data() {
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("txRunsWithTheTone");
        QTest::newRow("row 0, count 0") << 0 << "0" << true;
        QTest::newRow("row 1, count 0") << 1 << "0" << true;
        QTest::newRow("row 0, count 5") << 0 << "5" << false;
    }
    void toneWithCarrier() {
        QFETCH(int, chipModel);
        QFETCH(QString, count);
        QFETCH(bool, txRunsWithTheTone);
        ConnectedConsole& c = Connect(chipModel);
        const std::string countOption = count == "0" ? "" : " -n " + count.toStdString();
        peer->ScriptReplies({kOk, kOk, "power level:40\nSending CMD OK!\n", kOk, kOk});
        c.Type(IDC_TX_COUNT, count);
        c.Type(IDC_TX_LENGTH, "100");
        c.dlg->CheckDlgButton(IDC_FULL_DUTY, 1);
        c.Click(IDC_TONE);
        QCOMPARE(Wire(), Bytes("netcmd lmac kel tx" + countOption +
                               " -l 100 -f\n"
                               "netcmd lmac kel tx_stop\n"
                               "netcmd lmac kel rate -m 5 -r 65.0\n"
                               "netcmd lmac kel tx -l 100 -f\n"
                               "netcmd lmac kel tone\n"));
        QCOMPARE(c.Messages(), QStringList{});
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Stop"));
        QCOMPARE(c.dlg->toneRunning, 1);
        QCOMPARE(c.dlg->rateList->currentIndex(), 19);
        QCOMPARE(c.Text(IDC_POWER), QString("40"));
        QCOMPARE(c.dlg->txRunning, txRunsWithTheTone ? 1 : 0);
        QCOMPARE(c.Text(IDC_TX), txRunsWithTheTone ? QString("TX Stop") : QString("TX Start"));
        QVERIFY(!c.Enabled(IDC_RX));

        // The stop runs the TX handler once more: it stops a running TX, or
        // goes through its start steps again.
        peer->ScriptReplies({kOk, kOk});
        c.Click(IDC_TONE);
        const std::string second =
            txRunsWithTheTone ? "netcmd lmac kel tx_stop\n" : "netcmd lmac kel tx -n 5 -l 100 -f\n";
        QVERIFY(Wire().endsWith(Bytes("netcmd lmac kel tone_stop\n" + second)));
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Start"));
        QCOMPARE(c.dlg->toneRunning, 0);
        VerifyTxRunning(false);
    }

    // Rows 2 and 3: the tone goes alone, after a running TX is stopped.
    void toneAlone() {
        ConnectedConsole& c = Connect(3);
        peer->ScriptReplies({kOk, kOk, kOk, kOk, kOk, kOk});
        c.Click(IDC_TX);
        c.Click(IDC_TONE);
        QCOMPARE(Wire(), QByteArray("kel tx\nkel tx_stop\nkel tone\n"));
        QCOMPARE(c.Text(IDC_TX), QString("TX Start"));
        QCOMPARE(c.dlg->txRunning, 0);
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Stop"));
        QVERIFY(!c.Enabled(IDC_RX));
        // A tone locks neither Channel nor Rate; a TX may start under it.
        QVERIFY(c.Enabled(IDC_CHANNEL) && c.Enabled(IDC_RATE));
        c.Click(IDC_TX);
        QCOMPARE(c.Text(IDC_TX), QString("TX Stop"));
        // Stopping that TX leaves RX locked while the tone runs.
        c.Click(IDC_TX);
        QVERIFY(!c.Enabled(IDC_RX));

        c.Click(IDC_TONE);
        QCOMPARE(Wire(), QByteArray("kel tx\nkel tx_stop\nkel tone\nkel tx\nkel tx_stop\n"
                                    "kel tone_stop\n"));
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Start"));
        QVERIFY(c.Enabled(IDC_RX));
        QCOMPARE(c.Messages(), QStringList{});
    }

    // A silent (or unplugged) board: each handler names its command and
    // changes nothing; a line that hung up then ends the connection, with one
    // log line naming the port.
    void failuresLeaveTheDialogAsItWas_data() {
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unplugged");
        QTest::newRow("tx") << 2 << IDC_TX << "Failed to send kel tx cmd!" << false;
        QTest::newRow("rx") << 2 << IDC_RX << "Failed to send kel rx cmd!" << false;
        QTest::newRow("tone alone") << 2 << IDC_TONE << "Failed to send kel tone cmd!" << false;
        QTest::newRow("get mac") << 2 << IDC_GET_MAC << "Failed to send kel get mac cmd!" << false;
        QTest::newRow("set mac") << 2 << IDC_SET_MAC << "Failed to send kel set mac cmd!" << false;
        QTest::newRow("channel") << 2 << IDC_CHANNEL << "Failed to send kel channel cmd!" << false;
        QTest::newRow("rate") << 2 << IDC_RATE << "Failed to send kel rate cmd!" << false;
        QTest::newRow("rx, unplugged") << 0 << IDC_RX << "Failed to send kel rx cmd!" << true;
        // The TX handler's own failure does not stop the tone start; the
        // tx_stop after it does.
        QTest::newRow("tone with carrier, unplugged")
            << 0 << IDC_TONE << "Failed to send kel tx cmd!\nFailed to send kel tx stop cmd!"
            << true;
    }
    void failuresLeaveTheDialogAsItWas() {
        QFETCH(int, chipModel);
        QFETCH(int, id);
        QFETCH(QString, message);
        QFETCH(bool, unplugged);
        ConnectedConsole& c = Connect(chipModel);
        if (unplugged)
            peer->HangUp();
        c.Type(IDC_SRC_ADDR, "typed");
        if (id == IDC_CHANNEL || id == IDC_RATE)
            c.Choose(id, 3);
        else
            c.Click(id);
        QCOMPARE(c.Messages().join('\n'), message);
        QCOMPARE(c.Text(IDC_TX), QString("TX Start"));
        QCOMPARE(c.Text(IDC_RX), QString("RX Start"));
        QCOMPARE(c.Text(IDC_TONE), QString("Tone Start"));
        QCOMPARE(c.dlg->txRunning + c.dlg->rxRunning + c.dlg->toneRunning, 0);
        QCOMPARE(c.Text(IDC_SRC_ADDR), QString("typed"));
        QCOMPARE(c.dlg->LogText().count(" went away "), unplugged ? 1 : 0);
        // After each message the line caused, the line's own words ("write
        // failed: Input/output error", "read failed: the line hung up"); a
        // silent board is no failure of the line.
        const QRegularExpression cause(QStringLiteral("^(read|write) failed: \\S"),
                                       QRegularExpression::MultilineOption);
        QCOMPARE(c.dlg->LogText().count(cause), unplugged ? c.Messages().size() : 0);
        if (!unplugged) {
            VerifyTxRunning(false);
            QVERIFY(c.Enabled(IDC_TONE) && c.Enabled(IDC_TX));
            return;
        }
        QVERIFY(!c.Enabled(IDC_TONE) && !c.Enabled(IDC_TX));
        QCOMPARE(c.dlg->connected, 0);
        QVERIFY(!c.dlg->port.IsOpen() && !c.dlg->watchdog);
        QCOMPARE(c.Text(IDC_CONNECT), QString("Connect"));
        for (int id : {IDC_CONNECT, IDC_CHIP_MODEL, IDC_COM_PORT, IDC_BAUD_RATE})
            QVERIFY(c.Enabled(id));
    }

    // Escape or the close box while a handler waits on a silent board: that
    // wait and every later one give up at once, so the handler shows its
    // usual messages and writes nothing more; one log line says why. A wait
    // of over a second says in the title that Escape cancels it.
    void cancelEndsTheHandlersWaits_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("escape") << false;
        QTest::newRow("close box") << true;
    }
    void cancelEndsTheHandlersWaits() {
        QFETCH(bool, closeBox);
        using namespace std::chrono_literals;
        ConnectedConsole& c = Connect(0, 5s); // one slice alone outlasts the bound below
        c.dlg->show();
        const QString title = c.dlg->windowTitle();
        QString titleWhileWaiting;
        QTimer::singleShot(1200ms, c.dlg.get(), [&] {
            titleWhileWaiting = c.dlg->windowTitle();
            if (closeBox)
                c.dlg->close();
            else
                QCoreApplication::postEvent(
                    c.dlg.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        const auto start = std::chrono::steady_clock::now();
        c.Click(IDC_TONE); // a TX start, then tx_stop, rate and tone
        QVERIFY(std::chrono::steady_clock::now() - start < 3s);
        QCOMPARE(c.Messages().join('\n'),
                 QString("Failed to send kel tx cmd!\nFailed to send kel tx stop cmd!"));
        QCOMPARE(Wire(), QByteArray("netcmd lmac kel tx\n"));
        QCOMPARE(c.dlg->LogText().count("Cancelled"), 1);
        QCOMPARE(titleWhileWaiting, title + QString::fromUtf8(ExchangeWaitTick::kTitleHint));
        QCOMPARE(c.dlg->windowTitle(), title);
        QCOMPARE(c.dlg->isVisible(), !closeBox);
        QCOMPARE(c.dlg->connected, 1);
    }

    void checkBoxesEnableTheirFields() {
        ConnectedConsole& c = Connect();
        for (auto [check, field] : {std::pair{IDC_COUNT_CHECK, IDC_TX_COUNT},
                                    std::pair{IDC_LENGTH_CHECK, IDC_TX_LENGTH}}) {
            c.Click(check); // checks it
            QVERIFY(c.Enabled(field));
            c.Click(check);
            QVERIFY(!c.Enabled(field));
        }
        QCOMPARE(Wire(), QByteArray());
    }
};

QTEST_MAIN(RfTestHandlersTest)
#include "RfTestHandlersTest.moc"
