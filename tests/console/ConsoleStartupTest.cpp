// SPDX-License-Identifier: GPL-3.0-or-later
// The console as it opens: caption, panes, lists, members and what can be used.

#include "ScriptedPrompter.h"
#include "console/CkelGuiToolDlg.h"
#include "console/CommandLineInfo.h"
#include "editlist/CEditList.h"
#include "resources/ResourceIds.h"
#include "resources/Version.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <sstream>

using namespace kel::res;

class ConsoleStartupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CkelGuiToolDlg> dlg;

    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(dlg->GetDlgItem(id)); }
    static QStringList Rows(QComboBox* combo) {
        QStringList rows;
        for (int row = 0; row < combo->count(); ++row)
            rows << combo->itemText(row);
        return rows;
    }

private slots:
    void init() {
        dlg = std::make_unique<CkelGuiToolDlg>(
            std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
    }
    void cleanup() { dlg.reset(); }

    void captionIconAndFrame() {
        QCOMPARE(dlg->windowTitle(), QStringLiteral("KEL GUI Tool(Version:1.0.8g)"));
        QVERIFY(!dlg->windowIcon().isNull());
        QVERIFY(dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(dlg->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
    }

    // --help and --version are answered before any window (or display) exists;
    // everything else starts the console.
    void helpAndVersionNeedNoWindow() {
        std::ostringstream out;
        QCOMPARE(kel::AnswerCommandLine({"-style", "fusion", "--version"}, out), 0);
        const std::string line = kel::res::VersionLine("kelGuiTool");
        QVERIFY(line.starts_with("kelGuiTool 1.0.8g"));
        QVERIFY(out.str().starts_with(line + "\n"));
        QVERIFY(out.str().find("\nLicence GPL-3.0-or-later") != std::string::npos);
        out.str("");
        QCOMPARE(kel::AnswerCommandLine({"-h"}, out), 0);
        QVERIFY(out.str().starts_with(line + "\n"));
        QVERIFY(!kel::AnswerCommandLine({"-platform", "offscreen"}, out));
    }

    void logPaneIsEmpty() {
        QCOMPARE(dlg->LogText(), QString());
        QCOMPARE(dlg->LogLength(), std::size_t{0});
    }

    void usagePanesHoldTheHelpTexts() {
        // The steps as a numbered list: the number, a tab, the step; a step
        // longer than the pane goes on under its own text, and no line of
        // the pane wraps back under the numbers.
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QString steps = dlg->GetDlgItemText(IDC_USAGE);
        QVERIFY(
            steps.startsWith(QStringLiteral("Usage:\n1.\tSelect chip model\n2.\tSelect com, ")));
        QVERIFY(steps.contains(QStringLiteral("\n5.\tDisconnect and exit\n")));
        QVERIFY(steps.contains(QStringLiteral("\n3.\tSet freq offset, channel,")));
        QVERIFY(steps.contains(QStringLiteral("\n\t")));
        steps.replace(QStringLiteral("\n\t"), QStringLiteral(" ")).remove(QLatin1Char('\t'));
        QVERIFY(steps.contains(QStringLiteral("3.Set freq offset, channel, rate, power...\n")));
        auto* usage = qobject_cast<QPlainTextEdit*>(dlg->GetDlgItem(IDC_USAGE));
        for (QTextBlock line = usage->document()->begin(); line.isValid(); line = line.next())
            QCOMPARE(line.layout()->lineCount(), 1);
        QCOMPARE(dlg->GetDlgItemText(IDC_PARAM_RANGE),
                 QStringLiteral("Param range:\nfreq offset:\t0 to 127\npower level:\t-118 to 120\n"
                                "packet length:\t0 to 4095\n\t\t(0 for auto length)\n"
                                "packet count:\t0 - send bursts\n\t\tn - send n packets\n"));
        for (int id : {IDC_USAGE, IDC_PARAM_RANGE, IDC_LOG}) {
            auto* pane = qobject_cast<QPlainTextEdit*>(dlg->GetDlgItem(id));
            QVERIFY(pane->isReadOnly());
            QVERIFY(!pane->toPlainText().contains(QLatin1Char('\r')));
        }
    }

    void listsAreFilledWithNothingChosen() {
        QCOMPARE(Rows(Combo(IDC_CHIP_MODEL)), (QStringList{"QB201", "QB102", "QB202", "QB101"}));
        QStringList channels;
        for (int channel = 1; channel <= 14; ++channel)
            channels << QString::number(channel);
        QCOMPARE(Rows(Combo(IDC_CHANNEL)), channels);
        QCOMPARE(Rows(Combo(IDC_RATE)),
                 (QStringList{"1.0Mbps",  "2.0Mbps",  "5.5Mbps",  "11.0Mbps", "6.0Mbps",
                              "9.0Mbps",  "12.0Mbps", "18.0Mbps", "24.0Mbps", "36.0Mbps",
                              "48.0Mbps", "54.0Mbps", "6.5Mbps",  "13.0Mbps", "19.5Mbps",
                              "26.0Mbps", "39.0Mbps", "52.0Mbps", "58.5Mbps", "65.0Mbps"}));
        for (int id : {IDC_CHIP_MODEL, IDC_CHANNEL, IDC_RATE, IDC_COM_PORT}) {
            QCOMPARE(Combo(id)->currentIndex(), -1);
            QCOMPARE(Combo(id)->currentText(), QString());
        }
        QCOMPARE(Combo(IDC_COM_PORT)->count(), 0);
    }

    void baudRateBoxOffersSixRatesAt115200() {
        QComboBox* baud = Combo(IDC_BAUD_RATE);
        QCOMPARE(Rows(baud),
                 (QStringList{"9600", "115200", "921600", "1000000", "1500000", "3000000"}));
        QCOMPARE(baud->currentText(), QStringLiteral("115200"));
        QVERIFY(baud->isEditable());
    }

    void membersStartEmpty() {
        QCOMPARE(dlg->chipModelIndex, -1);
        QCOMPARE(dlg->ChipModelIndex(), -1);
        for (int flag : {dlg->connected, dlg->toneRunning, dlg->txRunning, dlg->rxRunning,
                         dlg->countCheck, dlg->lengthCheck, dlg->fullDutyCheck})
            QCOMPARE(flag, 0);
        QCOMPARE(dlg->dcdcMode, std::int16_t{0});
        for (const std::string* text :
             {&dlg->powerText, &dlg->srcAddrText, &dlg->dstAddrText, &dlg->bssidText,
              &dlg->txCountText, &dlg->txLengthText, &dlg->freqOffsetText, &dlg->spareOffsetText,
              &dlg->sddPower11bText, &dlg->sddPower11gnText, &dlg->sddPower11nMcs7Text})
            QVERIFY(text->empty());
        QVERIFY(!dlg->watchdog);
        QVERIFY(!dlg->port.IsOpen());
        QCOMPARE(dlg->port.number, std::uint16_t{2});
        QCOMPARE(dlg->port.baudRate, std::uint32_t{115200});
        QCOMPARE(&dlg->Port(), &dlg->port);
        QVERIFY(!dlg->IsDlgButtonChecked(IDC_LDO_MODE));
        QVERIFY(!dlg->IsDlgButtonChecked(IDC_DCDC_MODE));
        // Every control member is attached to its control.
        QCOMPARE(dlg->chipModelList, dlg->GetDlgItem(IDC_CHIP_MODEL));
        QCOMPARE(dlg->comPortList, dlg->GetDlgItem(IDC_COM_PORT));
        QCOMPARE(dlg->channelList, dlg->GetDlgItem(IDC_CHANNEL));
        QCOMPARE(dlg->rateList, dlg->GetDlgItem(IDC_RATE));
        QCOMPARE(dlg->logPane, dlg->GetDlgItem(IDC_LOG));
        QCOMPARE(dlg->commandBox, dlg->GetDlgItem(IDC_COMMAND));
        QCOMPARE(dlg->sddPowerList, dlg->GetDlgItem(IDC_SDD_POWER_LIST));
        QCOMPARE(dlg->baudRateBox, dlg->GetDlgItem(IDC_BAUD_RATE));
    }

    void onlyChipModelPortAndBaudCanBeUsed() {
        // Every control with an id follows the enabling rule except the hidden
        // OK button, the three panes and the hidden "11b" label.
        const QList<int> notCovered{IDOK, IDC_LOG, IDC_USAGE, IDC_PARAM_RANGE, IDC_LABEL_11B};
        const QList<int> usable{IDC_CHIP_MODEL, IDC_COM_PORT, IDC_BAUD_RATE};
        for (QWidget* control : dlg->Controls()) {
            const int id = control->property("dlgId").toInt();
            if (id == IDC_STATIC || notCovered.contains(id))
                continue;
            QVERIFY2(control->isEnabled() == usable.contains(id), qPrintable(QString::number(id)));
        }
    }

    void sddPowerListHasTwoColumnsAndThreeClasses() {
        CEditList* list = dlg->sddPowerList;
        QCOMPARE(list->columnCount(), 2);
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("rate"));
        QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("power level"));
        QCOMPARE(list->columnWidth(0), 90);
        QCOMPARE(list->columnWidth(1), 102);
        QCOMPARE(list->GetItemCount(), 3);
        QCOMPARE(list->GetItemText(0, 0), QStringLiteral("11b"));
        QCOMPARE(list->GetItemText(1, 0), QStringLiteral("11gn"));
        QCOMPARE(list->GetItemText(2, 0), QStringLiteral("11n mcs7"));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(list->GetItemText(row, 1), QString());
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void onlyThePowerLevelColumnOpensAnEditor() {
        CEditList* list = dlg->sddPowerList;
        QVERIFY(list->editorCallback);
        QCOMPARE(list->editorCallback(0), 2);
        QCOMPARE(list->editorCallback(1), 0);
        QCOMPARE(list->editorCallback(2), 2);

        list->setEnabled(true);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        const auto editorsAfterClick = [list](int column) {
            const QRect cell = list->visualRect(list->model()->index(0, column));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
            return list->viewport()->findChildren<QLineEdit*>().size();
        };
        QCOMPARE(editorsAfterClick(0), 0);
        QCOMPARE(editorsAfterClick(1), 1);
    }
};

QTEST_MAIN(ConsoleStartupTest)
#include "ConsoleStartupTest.moc"
