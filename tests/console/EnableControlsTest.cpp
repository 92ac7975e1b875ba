// SPDX-License-Identifier: GPL-3.0-or-later
// Which controls EnableControls unlocks, for every chip model row and both
// connection states, hidden controls and the power-mode radios included.

#include "ScriptedPrompter.h"
#include "console/CkelGuiToolDlg.h"
#include "resources/ResourceIds.h"

#include <QtTest>

using namespace kel::res;

namespace {

const QList<int> kChoiceControls{IDC_CHIP_MODEL, IDC_COM_PORT, IDC_BAUD_RATE};
const QList<int> kTestControls{1002, 1003, 1004, 1005, 1007, 1008, 1009, 1010, 1046, 1016,
                               1018, 1041, 1042, 1011, 1012, 1013, 1014, 1015, 1017, 1019};
const QList<int> kCalibrationControls{1038, 1023, 1024, 1025, 1039, 1040, 1036, 1044, 1045,
                                      1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034};

} // namespace

class EnableControlsTest : public QObject {
    Q_OBJECT

private slots:
    void enablesByConnectionAndChipModel_data() {
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<bool>("connected");
        for (int chipModel : {-1, 0, 1, 2, 3}) {
            for (bool connected : {false, true}) {
                const QByteArray name = "row " + QByteArray::number(chipModel) +
                                        (connected ? " connected" : " disconnected");
                QTest::newRow(name.constData()) << chipModel << connected;
            }
        }
    }

    void enablesByConnectionAndChipModel() {
        QFETCH(int, chipModel);
        QFETCH(bool, connected);
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        dlg.chipModelIndex = chipModel;
        // Start from the opposite state so every control has to be set.
        dlg.EnableControls(!connected);
        dlg.EnableControls(connected);

        const bool calibration = chipModel == 2 || chipModel == 3;
        for (int id : kChoiceControls)
            QVERIFY2(dlg.GetDlgItem(id)->isEnabled() == !connected,
                     qPrintable(QString::number(id)));
        for (int id : kTestControls)
            QVERIFY2(dlg.GetDlgItem(id)->isEnabled() == connected, qPrintable(QString::number(id)));
        for (int id : kCalibrationControls) {
            QVERIFY2(dlg.GetDlgItem(id)->isEnabled() == (connected && calibration),
                     qPrintable(QString::number(id)));
        }
        // Enabling never shows a hidden control.
        QVERIFY(dlg.GetDlgItem(IDC_GET_FREQ_OFFSET)->isHidden());
        QVERIFY(dlg.GetDlgItem(IDC_SRC_ADDR)->isHidden());
    }

    void radiosReturnToLdoOnlyForCalibrationModels_data() {
        QTest::addColumn<int>("chipModel");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("ldoAfter");
        QTest::addColumn<bool>("dcdcAfter");
        for (bool connected : {false, true}) {
            const char* state = connected ? " connected" : " disconnected";
            for (int chipModel : {-1, 0, 1})
                QTest::newRow(qPrintable("row " + QString::number(chipModel) + state))
                    << chipModel << connected << false << true;
            for (int chipModel : {2, 3})
                QTest::newRow(qPrintable("row " + QString::number(chipModel) + state))
                    << chipModel << connected << true << false;
        }
    }

    void radiosReturnToLdoOnlyForCalibrationModels() {
        QFETCH(int, chipModel);
        QFETCH(bool, connected);
        QFETCH(bool, ldoAfter);
        QFETCH(bool, dcdcAfter);
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        dlg.CheckDlgButton(IDC_DCDC_MODE, 1);
        dlg.dcdcMode = 1;
        dlg.chipModelIndex = chipModel;
        dlg.EnableControls(connected);
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_LDO_MODE), ldoAfter ? 1 : 0);
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_DCDC_MODE), dcdcAfter ? 1 : 0);
        QCOMPARE(dlg.dcdcMode, std::int16_t{1}); // the remembered mode is not touched
    }

    void radioPairCanBeSetEitherWayByCode() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        dlg.CheckDlgButton(IDC_LDO_MODE, 1);
        dlg.CheckDlgButton(IDC_LDO_MODE, 0);
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_LDO_MODE), 0);
        dlg.CheckDlgButton(IDC_DCDC_MODE, 1);
        dlg.CheckDlgButton(IDC_LDO_MODE, 1);
        // Code sets each radio by itself; only a click moves the mark across.
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_DCDC_MODE), 1);
        dlg.CheckDlgButton(IDC_DCDC_MODE, 0);
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_DCDC_MODE), 0);
        QCOMPARE(dlg.IsDlgButtonChecked(IDC_LDO_MODE), 1);
    }
};

QTEST_MAIN(EnableControlsTest)
#include "EnableControlsTest.moc"
