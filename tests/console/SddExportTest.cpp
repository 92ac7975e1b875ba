// SPDX-License-Identifier: GPL-3.0-or-later
// Export SDD File: the proposed name, the board's dump stored byte for byte,
// every failure path of the dump, targets refused before anything is sent,
// and the window while the dump is read.

#include "ConnectedConsole.h"
#include "board/SddFile.h"
#include "board/VirtualBoardHost.h"
#include "console/CkelGuiToolDlg.h"
#include "console/SddExportFile.h"
#include "resources/ResourceIds.h"
#include "serial/ReadWatchdog.h"
#include "tests/support/PtyPeer.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kShortSlice{5};
const QString kSaveError = QStringLiteral("Save sdd data erro!");
const QString kSendError = QStringLiteral("Failed to send kel get ASCII SDD cmd!");
const std::string kCommand = "kel get_sdd_file ascii\n";

// The console connected to QB202 on device, with the Export button to click.
struct ConnectedExport : ConnectedConsole {
    ConnectedExport(const std::string& device, std::chrono::milliseconds slice)
        : ConnectedConsole(device, 2, slice) {}

    // Clicks the button with the save dialog answered by answer.
    void Export(std::optional<QString> answer) {
        prompts->savePaths.push_back(std::move(answer));
        QVERIFY(Enabled(kel::res::IDC_EXPORT_SDD));
        Click(kel::res::IDC_EXPORT_SDD);
    }
};

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

bool LogShowsSavedOn(const CkelGuiToolDlg& dlg, const QString& path) {
    // The pane keeps "\r\n" as one line break.
    return dlg.LogText().endsWith(QStringLiteral("Save ascii sdd file on: \n") + path +
                                  QStringLiteral("\n"));
}

// Whatever the port writes reaches the peer at once; a short wait shows that
// nothing is on its way.
std::string ReceivedAfterAMoment(kel::test::PtyPeer& peer) {
    std::this_thread::sleep_for(50ms);
    return peer.Received();
}

// For each path, 'y' when it would be refused and 'n' when it could be
// written, asked as nobody when running as root.
QByteArray RefusedAsAnotherUser(const QStringList& paths) {
    const auto answer = [&paths] {
        QByteArray refused;
        for (const QString& path : paths)
            refused += SddTargetProblem(path).isEmpty() ? 'n' : 'y';
        return refused;
    };
    if (geteuid() != 0)
        return answer();
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(1);
        const QByteArray refused = answer();
        (void)!write(pipeFds[1], refused.constData(), std::size_t(refused.size()));
        _exit(0);
    }
    close(pipeFds[1]);
    QByteArray refused;
    char buffer[64];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        refused.append(buffer, n);
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    return refused;
}

} // namespace

class SddExportTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

    QString In(const QString& name) const { return folder.filePath(name); }

private slots:
    void proposedNameFromLocalTime_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("name");
        QTest::newRow("no leading zeros") << QDateTime(QDate(2019, 3, 7), QTime(9, 5, 2))
                                          << QStringLiteral("ASICII_SDD_2019_3_7_9_5_2.sdd");
        QTest::newRow("two digits each") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59))
                                         << QStringLiteral("ASICII_SDD_2024_12_31_23_59_59.sdd");
    }
    void proposedNameFromLocalTime() {
        QFETCH(QDateTime, time);
        QFETCH(QString, name);
        QCOMPARE(ProposedSddFileName(time), name);
    }

    void cancelSendsWritesAndLogsNothing() {
        kel::test::PtyPeer peer;
        ConnectedExport console(peer.SlavePath(), kShortSlice);
        const QString before = ProposedSddFileName(QDateTime::currentDateTime());
        console.Export(std::nullopt);
        const QString after = ProposedSddFileName(QDateTime::currentDateTime());

        QCOMPARE(console.prompts->saveNames.size(), 1);
        const QString proposed = console.prompts->saveNames.front();
        QVERIFY2(proposed == before || proposed == after, qPrintable(proposed));
        QCOMPARE(console.prompts->saveFilters, QStringList{"(*.sdd)"});
        QCOMPARE(console.prompts->saveDirs, QStringList{QDir::homePath()});
        QCOMPARE(ReceivedAfterAMoment(peer), std::string());
        QCOMPARE(console.dlg->LogText(), QString());
        QVERIFY(console.prompts->messages.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    // The one export from the virtual board, at the real read slice.
    void fullExportFromVirtualBoard() {
        kel::board::VirtualBoardHost host;
        QVERIFY2(!host.SlavePath().empty(), host.Error().c_str());
        host.ModifyState([](kel::board::BoardState& state) {
            state.connected = true;
            state.phyEnabled = true;
            state.sddFreqOffset = 77;
            state.sddPower = {70, 61, 52};
        });
        ConnectedExport console(host.SlavePath(), kel::ReadWatchdog::kSlice);
        const QString path = In(QStringLiteral("board.sdd"));
        console.Export(path);

        const std::string body = kel::board::BuildSddFile(host.State());
        QCOMPARE(FileBytes(path), QByteArray::fromStdString(body));
        QVERIFY(console.prompts->messages.isEmpty());
        const QString log = console.dlg->LogText();
        QVERIFY(log.startsWith(QString::fromStdString(kCommand)));
        QVERIFY(log.contains(QStringLiteral("sdd file length:%1\n").arg(body.size())));
        QVERIFY(log.contains(QStringLiteral("Sending CMD OK!\n")));
        QVERIFY2(!log.contains(QStringLiteral("freq_offset=77")), "the body is not logged");
        QVERIFY(LogShowsSavedOn(*console.dlg, path));

        // The next save dialog opens where this file went.
        console.Export(std::nullopt);
        QCOMPARE(console.prompts->saveDirs.value(1), QFileInfo(path).absolutePath());
    }

    void dumpReplies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("before"); // an older file in the way, if any

        const QByteArray twelve("ab\ncd\0ef\rghi", 12);
        const QByteArray tail = "end dump sdd file\nSending CMD OK!\n";
        QTest::newRow("twelve bytes with a line feed and a NUL, typed name without extension")
            << "sdd file length:12\nbegin dump sdd file\n" + twelve + tail
            << QStringLiteral("typed_name") << twelve << QString() << QByteArray();
        QTest::newRow("other lines before and between the marked lines")
            << QByteArray("kel get_sdd_file ascii\nstatus: busy\nsdd file length: 5 bytes\n"
                          "dumping...\nbegin dump sdd file\nHELLOwrap-up\nend dump sdd file\n"
                          "<ACK> 200 OK\nSending CMD OK!\n")
            << QStringLiteral("skipped.sdd") << QByteArray("HELLO") << QString()
            << QByteArray("an older, longer file");
        QTest::newRow("length 0") << "sdd file length:0\nbegin dump sdd file\n" + tail
                                  << QStringLiteral("zero.sdd") << QByteArray() << kSaveError
                                  << QByteArray("older");
        QTest::newRow("length without digits")
            << "sdd file length: none\nbegin dump sdd file\n" + tail
            << QStringLiteral("nodigits.sdd") << QByteArray() << kSaveError << QByteArray();
        QTest::newRow("no final OK line")
            << QByteArray("sdd file length:4\nbegin dump sdd file\nabcdend dump sdd file\n")
            << QStringLiteral("nook.sdd") << QByteArray("abcd") << kSaveError << QByteArray();
    }
    void dumpReplies() {
        QFETCH(QByteArray, reply);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(QByteArray, before);
        const QString path = In(fileName);
        if (!before.isEmpty()) {
            QFile older(path);
            QVERIFY(older.open(QIODevice::WriteOnly));
            older.write(before);
        }

        kel::test::PtyPeer peer;
        peer.ScriptReplies({std::string_view(reply.constData(), std::size_t(reply.size()))});
        ConnectedExport console(peer.SlavePath(), kShortSlice);
        console.Export(path);

        QCOMPARE(peer.Received(), kCommand);
        QCOMPARE(FileBytes(path), file);
        QCOMPARE(QFileInfo::exists(path + ".sdd"), false);
        QCOMPARE(console.prompts->messages,
                 message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY2(LogShowsSavedOn(*console.dlg, path), qPrintable(console.dlg->LogText()));
    }

    // Nothing written to the board and no file: a bad target is refused before
    // the command goes out, with a message naming it.
    void nothingSentOrCreated_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: one naming the path
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<bool>("portOpen");
        QTest::newRow("folder missing") << "missing/board.sdd" << QString() << 2 << true;
        QTest::newRow("folder is a file") << "plain/board.sdd" << QString() << 2 << true;
        QTest::newRow("target is a folder") << "sub" << QString() << 2 << true;
        QTest::newRow("no chip model") << "unsent.sdd" << kSendError << -1 << true;
        QTest::newRow("port closed under it") << "unsent.sdd" << kSendError << 2 << false;
    }
    void nothingSentOrCreated() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(int, chipModel);
        QFETCH(bool, portOpen);
        QTemporaryDir row;
        QDir(row.path()).mkpath(QStringLiteral("sub"));
        QFile plain(row.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("kept");
        plain.close();

        kel::test::PtyPeer peer;
        ConnectedExport console(peer.SlavePath(), kShortSlice);
        console.dlg->chipModelIndex = chipModel;
        if (!portOpen)
            console.dlg->port.Close();
        const QString path = row.filePath(name);
        console.Export(path);

        QCOMPARE(console.prompts->messages.size(), 1);
        const QString shown = console.prompts->messages.front();
        QVERIFY2(message.isEmpty() ? shown.contains(path) : shown == message, qPrintable(shown));
        QCOMPARE(ReceivedAfterAMoment(peer), std::string());
        QVERIFY(!console.dlg->LogText().contains(QStringLiteral("Save ascii sdd file on")));
        QCOMPARE(FileBytes(plain.fileName()), QByteArray("kept"));
        QCOMPARE(QDir(row.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 (QStringList{"plain", "sub"}));
    }

    // A dangling link passes the look before sending, and creating through it
    // fails afterwards: the dump must still be read off the line, or its
    // "Sending CMD OK!" would answer the next command.
    void creationFailingAfterTheCommandStillReadsTheDump() {
        QTemporaryDir row;
        const QString path = row.filePath(QStringLiteral("dangling.sdd"));
        QVERIFY(QFile::link(row.filePath(QStringLiteral("gone/board.sdd")), path));
        QCOMPARE(SddTargetProblem(path), QString());

        kel::test::PtyPeer peer;
        peer.ScriptReplies({"sdd file length:3\nbegin dump sdd file\nnew"
                            "end dump sdd file\nSending CMD OK!\n"});
        ConnectedExport console(peer.SlavePath(), kShortSlice);
        console.Export(path);

        QCOMPARE(peer.Received(), kCommand);
        QCOMPARE(console.prompts->messages.size(), 1);
        QVERIFY(console.prompts->messages.front().startsWith(
            QStringLiteral("Cannot create the SDD file\n") + path));
        QVERIFY(console.dlg->LogText().contains(
            QStringLiteral("end dump sdd file\nSending CMD OK!\n")));
        QVERIFY(LogShowsSavedOn(*console.dlg, path));
        QVERIFY(!QFileInfo::exists(row.filePath(QStringLiteral("gone"))));
        console.Export(std::nullopt);
        QCOMPARE(console.prompts->saveDirs.value(1), QDir::homePath());
    }

    // Permissions bind only other users than root: as root, ask from a child
    // that has dropped to nobody.
    void permissionsDecideWhatCanBeWritten() {
        QTemporaryDir row;
        const auto at = [&row](const char* name) { return row.filePath(QString::fromUtf8(name)); };
        QDir(row.path()).mkpath(QStringLiteral("open"));
        QDir(row.path()).mkpath(QStringLiteral("locked"));
        for (const char* name : {"open/writable.sdd", "open/readonly.sdd"})
            QFile(at(name)).open(QIODevice::WriteOnly);
        const std::pair<const char*, mode_t> modes[] = {{"", 0755},
                                                        {"open", 0777},
                                                        {"locked", 0555},
                                                        {"open/writable.sdd", 0666},
                                                        {"open/readonly.sdd", 0444}};
        for (const auto& [name, mode] : modes)
            QCOMPARE(chmod(QFile::encodeName(at(name)).constData(), mode), 0);

        const QStringList paths{at("open/new.sdd"), at("open/writable.sdd"), at("locked/new.sdd"),
                                at("open/readonly.sdd")};
        QCOMPARE(RefusedAsAnotherUser(paths), QByteArray("nnyy"));
        QVERIFY(!QFileInfo::exists(at("open/new.sdd")));
        chmod(QFile::encodeName(at("locked")).constData(), 0755);
    }

    // Half the body is there at once, the rest is sent only from inside the
    // export. The window repaints while the reader waits in the body: the
    // busy cursor shows and the lines read so far are in the log pane.
    void windowShowsTheDumpWhileItIsRead() {
        const std::string half(20, 'x');
        kel::test::PtyPeer peer;
        peer.ScriptReplies({"sdd file length:40\nbegin dump sdd file\n" + half});
        ConnectedExport console(peer.SlavePath(), kShortSlice);

        bool sentRest = false;
        bool busyMeanwhile = false;
        bool linesMeanwhile = false;
        int repaintsInBody = 0;
        QTimer during;
        during.setInterval(1);
        connect(&during, &QTimer::timeout, console.dlg.get(), [&] {
            const QString log = console.dlg->LogText();
            if (!log.contains(QStringLiteral("begin dump")) || log.contains("end dump"))
                return;
            // A few repaints while the reader waits for the second half.
            if (++repaintsInBody < 3 || sentRest)
                return;
            const QCursor* cursor = QApplication::overrideCursor();
            busyMeanwhile = cursor && cursor->shape() == Qt::WaitCursor;
            linesMeanwhile = log.contains(QStringLiteral("sdd file length:40")) &&
                             !log.contains(QStringLiteral("Save ascii"));
            peer.Send(half + "end dump sdd file\nSending CMD OK!\n");
            sentRest = true;
        });
        during.start();
        const QString path = In(QStringLiteral("live.sdd"));
        console.Export(path);
        during.stop();

        QVERIFY(sentRest);
        QVERIFY(busyMeanwhile);
        QVERIFY(linesMeanwhile);
        QCOMPARE(FileBytes(path), QByteArray::fromStdString(half + half));
        QVERIFY(console.prompts->messages.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(SddExportTest)
#include "SddExportTest.moc"
