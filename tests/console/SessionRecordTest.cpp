// SPDX-License-Identifier: GPL-3.0-or-later
// What the console keeps of a session: the log file of every byte each way,
// pruning at start-up, the context menu's "Save Log As…" and "Open Log
// Folder", and the free command box's history across runs.

#include "ConsoleFixture.h"
#include "board/VirtualBoardHost.h"
#include "console/CommandHistory.h"
#include "resources/ResourceIds.h"
#include "tests/support/PtyRelay.h"
#include "windows/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/time.h>

using namespace kel::res;
using kel::board::VirtualBoardHost;
using kel::test::PtyRelay;

namespace {

class RecordingOpener : public FolderOpener {
public:
    explicit RecordingOpener(QStringList* opened) : opened_(opened) {}
    bool OpenFolder(const QString& path) override {
        *opened_ << path;
        return true;
    }

private:
    QStringList* opened_;
};

QStringList LogFiles() {
    return QDir(SessionLogFolder()).entryList(QDir::Files, QDir::Name);
}

QStringList LogLines(const QString& name) {
    QFile file(SessionLogFolder() + "/" + name);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

std::string Unescape(const QString& text) {
    const std::string in = text.toStdString();
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        const char c = in[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(in.substr(i + 1, 2), nullptr, 16));
            i += 2;
            continue;
        }
        out += c == '0' ? '\0' : c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

// The traffic lines of a log as runs of one direction, bytes unescaped.
std::vector<PtyRelay::Run> Traffic(const QStringList& lines) {
    static const QRegularExpression line(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (sent|recv) (.*)$)");
    std::vector<PtyRelay::Run> runs;
    for (const QString& text : lines) {
        const QRegularExpressionMatch match = line.match(text);
        if (!match.hasMatch())
            continue;
        const bool sent = match.captured(1) == "sent";
        if (runs.empty() || runs.back().fromPort != sent)
            runs.push_back({sent, {}});
        runs.back().bytes += Unescape(match.captured(2));
    }
    return runs;
}

void Age(const QString& path, std::chrono::hours age) {
    const std::time_t when =
        std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() - age);
    const timeval times[2] = {{when, 0}, {when, 0}};
    utimes(QFile::encodeName(path).constData(), times);
}

} // namespace

class SessionRecordTest : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> state;

private slots:
    void init() {
        state.emplace();
        qputenv("XDG_STATE_HOME", state->path().toUtf8());
    }

    void sessionLeavesOneFileWithEveryByteInOrder() {
        VirtualBoardHost board;
        PtyRelay wire(board.SlavePath());
        ConsoleFixture c;
        QVERIFY(c.Connect(2, wire.SlavePath()));
        c.Type(IDC_FREQ_OFFSET, "42");
        c.Click(IDC_SET_FREQ_OFFSET);
        c.Click(IDC_TX);
        c.Click(IDC_TX);
        c.prompts->savePaths.push_back(state->filePath("board.sdd"));
        c.Click(IDC_EXPORT_SDD);
        c.Click(IDC_CONNECT);
        QCOMPARE(c.Text(IDC_CONNECT), QString("Connect"));
        QCOMPARE(c.Messages(), QStringList());

        const QStringList files = LogFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d_\d+\.log$)")
                    .match(files[0])
                    .hasMatch());
        const QStringList lines = LogLines(files[0]);
        QVERIFY(lines.contains("# chip model: QB202"));
        QVERIFY(lines.contains("# port: " + QString::fromStdString(wire.SlavePath())));
        QVERIFY(lines.contains("# baud: 115200"));
        QVERIFY(lines.last().startsWith("# ended: "));
        QVERIFY(lines.filter(" sent ").first().endsWith(" sent kel\\n\\0"));

        // The board acknowledges the disconnect after the console has gone.
        const auto disconnectAcknowledged = [&wire] {
            const std::vector<PtyRelay::Run> runs = wire.Transcript();
            return !runs.back().fromPort && runs.back().bytes == "Sending CMD OK!\n";
        };
        QTRY_VERIFY(disconnectAcknowledged());
        std::vector<PtyRelay::Run> crossed = wire.Transcript();
        crossed.pop_back();
        const std::vector<PtyRelay::Run> logged = Traffic(lines);
        QCOMPARE(logged.size(), crossed.size());
        for (std::size_t i = 0; i < crossed.size(); ++i) {
            QCOMPARE(logged[i].fromPort, crossed[i].fromPort);
            QCOMPARE(logged[i].bytes, crossed[i].bytes);
        }
    }

    void failedHandshakeAndPulledCableCloseTheirFiles() {
        const auto verifyClosedAfter = [](const ConsoleFixture& c, const QString& message) {
            QVERIFY(!c.dlg->sessionLog.IsOpen());
            const QStringList files = LogFiles();
            const QStringList lines = LogLines(files.last());
            QVERIFY(lines.last().startsWith("# ended: "));
            QVERIFY(lines[lines.size() - 2].endsWith(" mbox " + message));
        };
        {
            VirtualBoardHost board(kel::board::FaultMode{kel::board::FaultKind::Silent});
            ConsoleFixture c(std::chrono::milliseconds(5));
            QVERIFY(!c.Connect(3, board.SlavePath()));
            QCOMPARE(c.Messages(), QStringList{"Failed to send kel cmd!"});
            verifyClosedAfter(c, "Failed to send kel cmd!");
        }
        QVERIFY(QDir(SessionLogFolder()).removeRecursively());
        VirtualBoardHost board;
        ConsoleFixture c(std::chrono::milliseconds(5));
        QVERIFY(c.Connect(2, board.SlavePath()));
        board.Stop(); // the adapter is pulled
        c.Click(IDC_TX);
        QCOMPARE(c.Text(IDC_CONNECT), QString("Connect"));
        QCOMPARE(LogFiles().size(), 1);
        verifyClosedAfter(c, "Failed to send kel tx cmd!");
    }

    void unwritableStateFolderGivesOneMessageAndTheSessionGoesOn() {
        QFile blocker(state->filePath("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        qputenv("XDG_STATE_HOME", blocker.fileName().toUtf8());
        ConsoleFixture c;
        QVERIFY(c.ConnectToVirtualBoard(2));
        QCOMPARE(c.Messages().size(), 1);
        QVERIFY(c.Messages()[0].startsWith("Cannot create the session log folder"));
        c.Click(IDC_TX);
        QVERIFY(c.Board().State().txRunning);
        c.Click(IDC_TX);
        c.Click(IDC_CONNECT);
        QCOMPARE(c.Messages().size(), 1);
    }

    void startUpRemovesLogsOlderThanNinetyDays() {
        QVERIFY(QDir().mkpath(SessionLogFolder()));
        const QString old = SessionLogFolder() + "/2024-01-01_10-00-00_ttyUSB0.log";
        const QString recent = SessionLogFolder() + "/2024-03-30_10-00-00_ttyUSB0-2.log";
        const QString notOurs = SessionLogFolder() + "/notes.log";
        for (const QString& path : {old, recent, notOurs}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Age(old, std::chrono::days(91));
        Age(recent, std::chrono::days(89));
        Age(notOurs, std::chrono::days(400));
        ConsoleFixture c;
        QCOMPARE(LogFiles(), (QStringList{QFileInfo(recent).fileName(), "notes.log"}));
    }

    void saveLogAsWritesThePaneText() {
        ConsoleFixture c;
        c.dlg->AppendLog("kel tx -l 1024\r\n");
        c.dlg->AppendLog("Sending CMD OK!\r\n\xB5");
        const QString target = state->filePath("pane.txt");
        c.prompts->savePaths = {target, state->filePath("missing/pane.txt")};
        c.dlg->OnSysCommand(IDM_SAVELOGAS);
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), c.dlg->LogText());
        QCOMPARE(c.prompts->saveDirs, QStringList{QDir::homePath()});

        c.dlg->OnSysCommand(IDM_SAVELOGAS);
        QCOMPARE(c.prompts->saveDirs.last(), state->path()); // the last folder saved to
        QCOMPARE(c.Messages().size(), 1);
        QVERIFY(c.Messages()[0].startsWith("Cannot save the log to"));
    }

    void openLogFolderShowsItInTheFileManager() {
        ConsoleFixture c;
        QStringList opened;
        c.dlg->SetFolderOpener(std::make_unique<RecordingOpener>(&opened));
        c.dlg->OnSysCommand(IDM_OPENLOGFOLDER);
        QCOMPARE(opened, QStringList{state->path() + "/kelGuiTool/logs"});
        QVERIFY(QFileInfo(opened[0]).isDir());
    }

    void historyWalksLikeAShellAndOutlivesTheDialog() {
        {
            ConsoleFixture c;
            QVERIFY(c.ConnectToVirtualBoard(2));
            QLineEdit* box = c.dlg->commandBox;
            for (const QString command : {"kel first", "kel second"}) {
                c.Type(IDC_COMMAND, command);
                c.Click(IDC_SEND_CMD);
            }
            c.Type(IDC_COMMAND, "dra");
            const auto key = [&](Qt::Key k) {
                QTest::keyClick(box, k);
                return box->text();
            };
            QCOMPARE(key(Qt::Key_Up), QString("kel second"));
            QCOMPARE(key(Qt::Key_Up), QString("kel first"));
            QCOMPARE(key(Qt::Key_Up), QString("kel first"));
            QCOMPARE(key(Qt::Key_Down), QString("kel second"));
            QCOMPARE(key(Qt::Key_Down), QString("dra"));
            QCOMPARE(key(Qt::Key_Down), QString("dra"));
        }
        ConsoleFixture restarted;
        QVERIFY(restarted.ConnectToVirtualBoard(2));
        QTest::keyClick(restarted.dlg->commandBox, Qt::Key_Up);
        QCOMPARE(restarted.dlg->commandBox->text(), QString("kel second"));

        for (int i = 0; i < 150; ++i)
            restarted.dlg->commandHistory->Add(QString::number(i));
        ConsoleFixture again;
        QCOMPARE(again.dlg->commandHistory->Commands().size(), CommandHistory::kLimit);
        QCOMPARE(again.dlg->commandHistory->Commands().first(), QString("50"));
    }
};

QTEST_MAIN(SessionRecordTest)
#include "SessionRecordTest.moc"
