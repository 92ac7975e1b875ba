// SPDX-License-Identifier: GPL-3.0-or-later
// How the console window behaves: keys that close it and keys that do not,
// the About box, the log pane and how bytes show in it, the data exchange,
// the wait-tick and the questions it asks through the prompter.

#include "ScriptedPrompter.h"
#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "resources/ResourceIds.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace kel::res;

class ConsoleWindowTest : public QObject {
    Q_OBJECT

    std::shared_ptr<PromptLog> prompts;
    std::unique_ptr<CkelGuiToolDlg> dlg;

    // Runs check on the modal window once it is up, then closes it.
    static void WhenModalOpens(std::function<void(QWidget*)> check) {
        QTimer::singleShot(0, [check] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            check(modal);
            modal->close();
        });
    }

    void ShowConnected() {
        dlg->chipModelIndex = 2;
        dlg->EnableControls(true);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        dlg->activateWindow();
    }

private slots:
    void init() {
        prompts = std::make_shared<PromptLog>();
        dlg = std::make_unique<CkelGuiToolDlg>(std::make_unique<ScriptedPrompter>(prompts));
    }
    void cleanup() { dlg.reset(); }

    void enterNeverCloses_data() {
        QTest::addColumn<int>("focusId");
        QTest::newRow("command box") << IDC_COMMAND;
        QTest::newRow("power field") << IDC_POWER;
        QTest::newRow("baud rate box") << IDC_BAUD_RATE;
        QTest::newRow("check box") << IDC_FULL_DUTY;
    }

    void enterNeverCloses() {
        QFETCH(int, focusId);
        ShowConnected();
        QWidget* focus = dlg->GetDlgItem(focusId);
        focus->setFocus();
        int clicks = 0;
        for (QPushButton* button : dlg->findChildren<QPushButton*>())
            connect(button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        QTest::keyClick(focus, Qt::Key_Return);
        QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dlg->isVisible());
        QCOMPARE(clicks, 0);
    }

    void escapeCloses() {
        ShowConnected();
        dlg->GetDlgItem(IDC_COMMAND)->setFocus();
        QTest::keyClick(dlg->GetDlgItem(IDC_COMMAND), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
    }

    void closeBoxCloses() {
        ShowConnected();
        QVERIFY(dlg->close());
        QVERIFY(!dlg->isVisible());
    }

    void systemMenuEndsWithTheAboutEntry() {
        std::unique_ptr<QMenu> menu = dlg->CreateSystemMenu();
        const QList<QAction*> actions = menu->actions();
        QVERIFY(actions.size() >= 2);
        QVERIFY(actions[actions.size() - 2]->isSeparator());
        QAction* about = actions.last();
        QCOMPARE(about->text(), QStringLiteral("关于 kelGuiTool(&A)..."));

        QString caption, version, notice;
        WhenModalOpens([&](QWidget* box) {
            caption = box->windowTitle();
            version = box->findChildren<QLabel*>().value(1)->text();
            notice = box->findChildren<QLabel*>().value(2)->text();
        });
        dlg->OnSysCommand(about->data().toUInt());
        QCOMPARE(caption, QStringLiteral("About KEL GUI Tool"));
        QCOMPARE(version, QStringLiteral("KEL GUI Tool(Version:1.0.8g)"));
        QVERIFY(notice.contains(QStringLiteral("GPL-3.0-or-later")));
    }

    void f1OpensTheAboutBox() {
        ShowConnected();
        QString caption;
        WhenModalOpens([&](QWidget* box) { caption = box->windowTitle(); });
        QTest::keyClick(dlg.get(), Qt::Key_F1);
        QCOMPARE(caption, QStringLiteral("About KEL GUI Tool"));
        QVERIFY(dlg->isVisible());
    }

    void logPaneAppendsBytesAtTheEnd() {
        dlg->AppendLog("kel tx -l 1024\n");
        dlg->AppendLog("Sending CMD OK!\r\n");
        dlg->AppendLog(std::string("\xB5\xFF", 2));
        QCOMPARE(dlg->LogLength(), std::size_t{15 + 17 + 2});
        QCOMPARE(dlg->LogText(),
                 QStringLiteral("kel tx -l 1024\nSending CMD OK!\n") + QChar(0xB5) + QChar(0xFF));

        // Whatever the user put the caret on, lines go to the end and stay in view.
        QTextCursor start = dlg->logPane->textCursor();
        start.movePosition(QTextCursor::Start);
        dlg->logPane->setTextCursor(start);
        for (int line = 0; line < 200; ++line)
            dlg->AppendLog("line " + std::to_string(line) + "\n");
        QVERIFY(dlg->LogText().endsWith(QStringLiteral("line 199\n")));
        QCOMPARE(dlg->logPane->textCursor().position(), dlg->LogText().size());
        QScrollBar* bar = dlg->logPane->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());

        dlg->SetLogText("Chip Model: QB202\n");
        QCOMPARE(dlg->LogText(), QStringLiteral("Chip Model: QB202\n"));
        QCOMPARE(dlg->LogLength(), std::size_t{18});
        dlg->ClearLog();
        QCOMPARE(dlg->LogLength(), std::size_t{0});
        QCOMPARE(dlg->LogText(), QString());
    }

    void logShowsUtf8WhereValidAndBytesWhereNot_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9") << QStringLiteral("café");
        QTest::newRow("cut short before a valid one")
            << QByteArray("\xE2\x82\xC3\xA9") << QStringLiteral("\u00E2\u0082é");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral("\u00C0\u00AF");
        QTest::newRow("surrogate")
            << QByteArray("\xED\xB0\x80") << QStringLiteral("\u00ED\u00B0\u0080");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u00F4\u0090\u0080\u0080");
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("😀");
    }
    void logShowsUtf8WhereValidAndBytesWhereNot() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        dlg->AppendLog(bytes.toStdString());
        QCOMPARE(dlg->LogText(), shown);
        // The pane limit counts characters as shown.
        QCOMPARE(dlg->LogLength(), std::size_t(shown.size()));
    }

    void updateDataMovesTextsAndChecksBothWays() {
        dlg->powerText = "-118";
        dlg->txLengthText = "4095";
        dlg->fullDutyCheck = 1;
        dlg->sddPower11bText = "50";
        dlg->UpdateData(false);
        QCOMPARE(dlg->GetDlgItemText(IDC_POWER), QStringLiteral("-118"));
        QCOMPARE(dlg->GetDlgItemText(IDC_TX_LENGTH), QStringLiteral("4095"));
        QCOMPARE(dlg->GetDlgItemText(IDC_SDD_POWER_11B), QStringLiteral("50"));
        QCOMPARE(dlg->IsDlgButtonChecked(IDC_FULL_DUTY), 1);

        dlg->SetDlgItemText(IDC_TX_COUNT, QStringLiteral(" 12abc"));
        dlg->SetDlgItemText(IDC_FREQ_OFFSET, QStringLiteral("127"));
        dlg->CheckDlgButton(IDC_FULL_DUTY, 0);
        dlg->CheckDlgButton(IDC_COUNT_CHECK, 1);
        QVERIFY(dlg->UpdateData(true));
        QCOMPARE(dlg->txCountText, std::string(" 12abc"));
        QCOMPARE(dlg->freqOffsetText, std::string("127"));
        QCOMPARE(dlg->fullDutyCheck, 0);
        QCOMPARE(dlg->countCheck, 1);
        QCOMPARE(dlg->powerText, std::string("-118"));
    }

    void sortedPortListKeepsTextOrderAndNoSelection() {
        QComboBox* ports = dlg->comPortList;
        for (const char* name : {"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB10", "/dev/ttyUSB0"})
            kel::AddString(ports, QString::fromUtf8(name));
        QStringList rows;
        for (int row = 0; row < ports->count(); ++row)
            rows << ports->itemText(row);
        QCOMPARE(rows,
                 (QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB10"}));
        QCOMPARE(ports->currentIndex(), -1);
        QCOMPARE(ports->currentText(), QString());
    }

    void waitTickDiscardsInputButKeepsOtherEvents() {
        ShowConnected();
        auto* tx = qobject_cast<QPushButton*>(dlg->GetDlgItem(IDC_TX));
        QSignalSpy clicked(tx, &QPushButton::clicked);
        const QPointF centre = QPointF(tx->rect().center());
        const auto post = [&](QEvent::Type type) {
            QCoreApplication::postEvent(
                tx,
                new QMouseEvent(type, centre, tx->mapToGlobal(centre), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        };
        post(QEvent::MouseButtonPress);
        post(QEvent::MouseButtonRelease);
        QCoreApplication::postEvent(
            dlg.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        bool timerRan = false;
        QTimer::singleShot(0, dlg.get(), [&] { timerRan = true; });

        dlg->waitTick.Tick();
        QVERIFY(timerRan);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(dlg->isVisible());
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

        // A question to the user brings the normal cursor back.
        dlg->MessageBox(QStringLiteral("Failed to send kel tx cmd!"));
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(prompts->messages, QStringList{"Failed to send kel tx cmd!"});

        // Between exchanges input reaches the window again.
        post(QEvent::MouseButtonPress);
        post(QEvent::MouseButtonRelease);
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 1);
    }

    void handlersEndTheBusyCursor() {
        ShowConnected();
        // A wired handler's scope ends the busy state its waits started.
        dlg->waitTick.Tick();
        QVERIFY(dlg->waitTick.Busy());
        QTest::mouseClick(dlg->GetDlgItem(IDC_TX), Qt::LeftButton);
        QVERIFY(!dlg->waitTick.Busy());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void questionsGoThroughThePrompter() {
        prompts->answers = {Prompter::Answer::Yes, Prompter::Answer::No};
        prompts->savePaths = {QStringLiteral("/tmp/a.sdd")};
        QCOMPARE(dlg->YesNoCancel(QStringLiteral("Make sure?")), Prompter::Answer::Yes);
        QCOMPARE(dlg->YesNoCancel(QStringLiteral("Make sure?")), Prompter::Answer::No);
        QCOMPARE(dlg->YesNoCancel(QStringLiteral("Make sure?")), Prompter::Answer::Cancel);
        QCOMPARE(dlg->SaveFileName(QStringLiteral("ASICII_SDD_2019_3_7_9_5_2.sdd"),
                                   QStringLiteral("(*.sdd)")),
                 std::optional<QString>(QStringLiteral("/tmp/a.sdd")));
        QCOMPARE(dlg->SaveFileName(QStringLiteral("x.sdd"), QStringLiteral("(*.sdd)")),
                 std::nullopt);
        QCOMPARE(prompts->questions.size(), 3);
        QCOMPARE(prompts->saveNames, (QStringList{"ASICII_SDD_2019_3_7_9_5_2.sdd", "x.sdd"}));
    }
};

QTEST_MAIN(ConsoleWindowTest)
#include "ConsoleWindowTest.moc"
