// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter under a connection: chosen by its path or its by-id link, a
// line that hangs up while idle, the adapter coming back (maybe under another
// node) and "Reconnect automatically", against a fake device tree.

#include "ConsoleFixture.h"
#include "ScriptedHandshake.h"
#include "console/CkelGuiToolDlg.h"
#include "console/LinkWatcher.h"
#include "console/PortList.h"
#include "console/PortListWatcher.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"
#include "tests/support/FakeSerialTree.h"
#include "tests/support/PtyPeer.h"
#include "windows/StateFolder.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QtTest>

using namespace kel::res;
using kel::test::FakeSerialTree;
using kel::test::PtyPeer;

namespace {

// One adapter, plugged in again and again: each time a node of its own (the
// kernel's next free name), the same by-id link, and a board behind it.
void Plug(FakeSerialTree& tree, const std::string& node, int usbPort, const PtyPeer& board) {
    tree.AddUsbSerial(node, usbPort, {"Silicon Labs", "CP2102 USB to UART", "0001", "10c4", "ea60"},
                      "cp210x");
    tree.AddNode(node, board.SlavePath());
    tree.AddPersistentLink("by-id", "usb-Silicon_Labs_CP2102_USB_to_UART_0001-if00-port0", node);
}

// The console connected over the fake tree's ttyUSB0 to first, with chip
// model 0 (handshake only), "Reconnect automatically" as asked.
bool ConnectOverAdapter(ConsoleFixture& console, FakeSerialTree& tree, PtyPeer& first,
                        bool reconnect) {
    first.ScriptReplies({kReady, kOk, kPhyOk});
    Plug(tree, "ttyUSB0", 1, first);
    console.dlg->portListWatcher->SetRoots(tree.Roots());
    if (reconnect)
        console.dlg->OnSysCommand(IDM_RECONNECT);
    return console.Connect(0, tree.DevPath("ttyUSB0"));
}

} // namespace

class AdapterTest : public QObject {
    Q_OBJECT

private slots:
    // "Reconnect automatically" is off again for the next test; the other
    // options stay (a test running beside this one may be keeping its own).
    void cleanup() {
        QSettings(OptionsFile(), QSettings::IniFormat)
            .remove(QStringLiteral("reconnectAutomatically"));
    }

    void choosingAnAdapterConnectsToItsPathAndItsByIdLinkWorksTyped() {
        PtyPeer peer;
        peer.ScriptReplies({kReady, kOk, kPhyOk, kReady, kOk, kPhyOk});
        FakeSerialTree tree;
        tree.AddUsbSerial("ttyUSB0", 1,
                          {"Silicon Labs", "CP2102 USB to UART", "0001", "10c4", "ea60"}, "cp210x");
        tree.AddNode("ttyUSB0", peer.SlavePath());
        const QString byId = QString::fromStdString(tree.DevPath("serial/by-id/usb-CP2102-port0"));
        tree.AddPersistentLink("by-id", "usb-CP2102-port0", "ttyUSB0");
        const QString path = QString::fromStdString(tree.DevPath("ttyUSB0"));

        ConsoleFixture console;
        console.dlg->portListWatcher->SetRoots(tree.Roots());
        console.Choose(IDC_CHIP_MODEL, 0);
        QComboBox* box = console.dlg->comPortList;
        box->showPopup();
        box->hidePopup();
        const int row = kel::PortPaths(box).indexOf(path);
        QVERIFY(row >= 0);
        QCOMPARE(box->itemData(row, Qt::DisplayRole).toString(),
                 path + QStringLiteral(" — Silicon Labs CP2102 USB to UART (0001)"));
        QVERIFY(box->itemData(row, Qt::ToolTipRole).toString().contains(byId));

        console.Choose(IDC_COM_PORT, row);
        QCOMPARE(console.Text(IDC_COM_PORT), path);
        console.Click(IDC_CONNECT);
        QCOMPARE(console.dlg->connected, 1);
        QVERIFY(peer.Received().starts_with("kel\n"));

        console.Click(IDC_CONNECT);
        console.Type(IDC_COM_PORT, byId);
        console.Click(IDC_CONNECT);
        QCOMPARE(console.dlg->connected, 1);
        QCOMPARE(console.Text(IDC_COM_PORT), byId);
    }

    void idleHangUpDisconnectsAndTheReturningAdapterIsOffered() {
        FakeSerialTree tree;
        PtyPeer first;
        ConsoleFixture console;
        QVERIFY(ConnectOverAdapter(console, tree, first, false));
        const QString usb0 = QString::fromStdString(tree.DevPath("ttyUSB0"));
        const QString usb1 = QString::fromStdString(tree.DevPath("ttyUSB1"));

        first.HangUp(); // no handler runs: only the idle watch can notice
        QTRY_COMPARE(console.dlg->connected, 0);
        QVERIFY(console.dlg->LogText().endsWith("The port " + usb0 +
                                                " went away (the line hung up); disconnected.\n"));
        QCOMPARE(console.Text(IDC_CONNECT), QStringLiteral("Connect"));
        for (int id : kChoiceControls)
            QVERIFY(console.Enabled(id));
        QVERIFY(!console.dlg->port.IsOpen());
        QCOMPARE(console.Messages(), QStringList());

        // Pulled out, then back under the kernel's next name.
        tree.Remove("ttyUSB0");
        PtyPeer second;
        Plug(tree, "ttyUSB1", 2, second);
        QTRY_COMPARE(console.Text(IDC_COM_PORT), usb1);
        QVERIFY(console.dlg->LogText().endsWith("The board on " + usb0 + " is back, now on " +
                                                usb1 + ".\n"));
        QCOMPARE(console.dlg->connected, 0);
        QCOMPARE(second.Received(), std::string());

        second.ScriptReplies({kReady, kOk, kPhyOk});
        console.Click(IDC_CONNECT);
        QCOMPARE(console.dlg->connected, 1);
    }

    void reconnectAutomaticallyRestoresChannelRateAndPowerButNoTest() {
        FakeSerialTree tree;
        PtyPeer first;
        ConsoleFixture console;
        QVERIFY(ConnectOverAdapter(console, tree, first, true));
        const std::string handshake = first.Received();
        const char kRateOk[] = "power level:12\nSending CMD OK!\n";
        first.ScriptReplies({kOk, kRateOk, kOk, kOk});
        console.Choose(IDC_CHANNEL, kel::rftest::RowOfChannel(6));
        console.Choose(IDC_RATE, kel::rftest::RateRowAt(54.0f));
        console.Type(IDC_POWER, QStringLiteral("16"));
        console.Click(IDC_SET_POWER);
        console.Click(IDC_TX); // continuous
        QCOMPARE(console.dlg->txRunning, 1);

        PtyPeer second;
        second.ScriptReplies({kReady, kOk, kPhyOk, kOk, kRateOk, kOk});
        first.HangUp();
        QTRY_COMPARE(console.dlg->connected, 0);
        tree.Remove("ttyUSB0");
        Plug(tree, "ttyUSB1", 2, second);
        QTRY_COMPARE(console.dlg->connected, 1);

        const std::string restored = "netcmd lmac kel channel 2GHZ 6\n"
                                     "netcmd lmac kel rate -m 2 -r 54.0\n"
                                     "netcmd lmac kel power_level 16\n";
        QCOMPARE(second.WaitReceived(handshake.size() + restored.size()), handshake + restored);
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a TX start would be here
        QCOMPARE(second.Received(), handshake + restored);
        QCOMPARE(console.Text(IDC_COM_PORT), QString::fromStdString(tree.DevPath("ttyUSB1")));
        QCOMPARE(console.Text(IDC_CHANNEL), QStringLiteral("6"));
        QCOMPARE(console.dlg->rateList->currentIndex(), kel::rftest::RateRowAt(54.0f));
        QCOMPARE(console.Text(IDC_POWER), QStringLiteral("16"));
        QCOMPARE(console.Text(IDC_TX), QStringLiteral("TX Start"));
        const QString log = console.dlg->LogText();
        QVERIFY(log.indexOf("Channel 6 restored.") < log.indexOf("Power 16 restored."));
        QVERIFY(log.endsWith("The TX test that ran before is not started again.\n"));
        QCOMPARE(console.Messages(), QStringList());

        // The option outlives the console; the menu shows it.
        ConsoleFixture next;
        QVERIFY(next.dlg->linkWatcher->ReconnectAutomatically());
        const std::unique_ptr<QMenu> menu = next.dlg->CreateSystemMenu();
        const QList<QAction*> entries = menu->actions();
        QVERIFY(std::any_of(entries.begin(), entries.end(), [](QAction* entry) {
            return entry->data().toUInt() == IDM_RECONNECT && entry->isChecked();
        }));
    }

    void failedAutomaticReconnectIsToldOnceAndNotRetried() {
        FakeSerialTree tree;
        PtyPeer first;
        ConsoleFixture console(kGiveUpSlice);
        QVERIFY(ConnectOverAdapter(console, tree, first, true));
        PtyPeer silent;
        first.HangUp();
        QTRY_COMPARE(console.dlg->connected, 0);
        tree.Remove("ttyUSB0");
        Plug(tree, "ttyUSB1", 2, silent);
        QTRY_COMPARE(console.Messages(), QStringList{"Failed to send kel cmd!"});

        // Another device comes: the console looks again and leaves it be.
        PtyPeer other;
        tree.AddAcm("ttyACM0", 3, {"", "", "", "2e8a", "000a"});
        tree.AddNode("ttyACM0", other.SlavePath());
        QTest::qWait(4 * kel::PortListWatcher::kSettle.count());
        QCOMPARE(console.Messages().size(), 1);
        QCOMPARE(console.dlg->connected, 0);
        QCOMPARE(QByteArray::fromStdString(silent.Received()), QByteArray("kel\n", 5)); // one probe
        QVERIFY(Released(silent.SlavePath()));
    }
};

QTEST_MAIN(AdapterTest)
#include "AdapterTest.moc"
