// SPDX-License-Identifier: GPL-3.0-or-later
// The board comes back on the path the user connected with, whatever that
// path is: here a link of the user's own to a pseudo-terminal, which no
// listing of serial devices knows. The link is pointed at a new board after
// the first hangs up; the console reconnects and restores the channel, rate
// and power, checked byte for byte.

#include "ConsoleFixture.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TempFolder.h"
#include "windows/StateFolder.h"

#include <QSettings>
#include <QtTest>
#include <filesystem>

using namespace kel::res;
using kel::test::PtyPeer;

namespace {

const char kReady[] = "kel driver is ready!\n";
const char kOk[] = "Sending CMD OK!\n";
const char kPhyOk[] = "power level:20\nSending CMD OK!\n";
const char kRateOk[] = "power level:12\nSending CMD OK!\n";

} // namespace

class BoardReturnTest : public QObject {
    Q_OBJECT

private slots:
    // "Reconnect automatically" is off again for the next test; the other
    // options stay for tests that run beside this one.
    void cleanup() {
        QSettings(OptionsFile(), QSettings::IniFormat).remove("reconnectAutomatically");
    }

    void boardBackBehindTheUsersOwnLinkIsReconnectedAndRestored() {
        kel::test::TempFolder folder;
        const std::filesystem::path link = folder.path / "bench-board";
        PtyPeer first;
        first.ScriptReplies({kReady, kOk, kPhyOk});
        std::filesystem::create_symlink(first.SlavePath(), link);
        ConsoleFixture console;
        console.dlg->OnSysCommand(IDM_RECONNECT);
        QVERIFY(console.Connect(0, link.string()));
        const std::string handshake = first.Received();
        first.ScriptReplies({kOk, kRateOk, kOk});
        console.Choose(IDC_CHANNEL, kel::rftest::RowOfChannel(3));
        console.Choose(IDC_RATE, kel::rftest::RateRowAt(11.0f));
        console.Type(IDC_POWER, QStringLiteral("18"));
        console.Click(IDC_SET_POWER);

        first.HangUp();
        QTRY_COMPARE(console.dlg->connected, 0);
        PtyPeer second;
        second.ScriptReplies({kReady, kOk, kPhyOk, kOk, kRateOk, kOk});
        std::filesystem::remove(link);
        std::filesystem::create_symlink(second.SlavePath(), link);
        QTRY_COMPARE(console.dlg->connected, 1);

        const std::string restored = "netcmd lmac kel channel 2GHZ 3\n"
                                     "netcmd lmac kel rate -m 1 -r 11.0\n"
                                     "netcmd lmac kel power_level 18\n";
        QCOMPARE(second.WaitReceived(handshake.size() + restored.size()), handshake + restored);
        const QString log = console.dlg->LogText();
        QVERIFY2(
            log.contains(QString::fromStdString("The board on " + link.string() +
                                                " is back, now on " + second.SlavePath() + ".\n")),
            qPrintable(log));
        QCOMPARE(console.Text(IDC_COM_PORT), QString::fromStdString(link.string()));
        QCOMPARE(console.Messages(), QStringList());
    }
};

QTEST_MAIN(BoardReturnTest)
#include "BoardReturnTest.moc"
