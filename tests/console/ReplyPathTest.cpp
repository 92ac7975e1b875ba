// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing between a board's reply and the console's next command: the
// connect sequence of a calibration chip model, timed on the line by a relay
// between the console and the virtual board, with recording to a store and
// a results server that cannot be reached. Prints the gaps; the bound is
// generous so that a loaded machine passes, a store write on the path does not.

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "results/StoreSetting.h"
#include "tests/support/PtyRelay.h"
#include "tests/support/TempFolder.h"

#include <QPlainTextEdit>
#include <QtTest>
#include <algorithm>

namespace {

constexpr int kQB202 = 2;

} // namespace

class ReplyPathTest : public QObject {
    Q_OBJECT

private slots:
    void connectSequenceAnswersEachReplyAtOnce() {
        kel::test::TempFolder folder;
        // A server that is not there: its warning must wait for the handler's end.
        const std::string socket = (folder.path / "no-server").string();
        qputenv(kel::results::kResultsVariable,
                QByteArray::fromStdString("postgresql:///kel?host=" + socket));
        kel::board::VirtualBoardHost board;
        kel::test::PtyRelay relay(board.SlavePath());
        std::vector<std::chrono::nanoseconds> gaps;
        {
            ConsoleFixture console;
            QVERIFY(console.Connect(kQB202, relay.SlavePath()));
            gaps = relay.ReplyToCommandGaps();
            // Whatever the store or the server said came after the last reply;
            // the pane shows all once the handler has ended.
            const QString log = console.dlg->LogText();
            QCOMPARE(console.dlg->logPane->toPlainText(), log);
            const qsizetype lastReply = log.lastIndexOf("Sending CMD OK!");
            for (const QString& line : log.split('\n')) {
                if (line.contains("server", Qt::CaseInsensitive))
                    QVERIFY2(log.indexOf(line) > lastReply, qPrintable(log));
            }
        }
        qunsetenv(kel::results::kResultsVariable);

        QVERIFY(gaps.size() >= 3);
        std::sort(gaps.begin(), gaps.end());
        const auto us = [](std::chrono::nanoseconds gap) {
            return std::chrono::duration<double, std::micro>(gap).count();
        };
        qInfo("reply to next command over %zu replies: median %.0f us, worst %.0f us", gaps.size(),
              us(gaps[gaps.size() / 2]), us(gaps.back()));
        // Generous: a loaded machine schedules late; a lock or a wait on the path shows.
        QVERIFY2(gaps.back() < std::chrono::milliseconds(250), "a reply waited for something else");
    }
};

QTEST_MAIN(ReplyPathTest)
#include "ReplyPathTest.moc"
