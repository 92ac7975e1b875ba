// SPDX-License-Identifier: GPL-3.0-or-later
// The windows built from the templates: every control, in template order, with
// its id, kind, visibility, geometry, and what assistive technology announces.

#include "ScriptedPrompter.h"
#include "console/CAboutDlg.h"
#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "editlist/CEditList.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"
#include "windows/calibrate/CalibrateWindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace kel::res;

namespace {

// Dialog units to pixels, worked out here from the font on its own.
struct Units {
    int x;
    int y;
};

// The labels linked to a control. Qt 6.4 reports a field's label under
// QAccessible::Label (the other object is this one's label), which the desktop
// bridge sends as "labelled by"; later versions may call it Labelled.
QList<std::pair<QAccessibleInterface*, QAccessible::Relation>> LabelRelations(QWidget* control) {
    return QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label |
                                                                     QAccessible::Labelled);
}

Units UnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const double average = metrics.horizontalAdvance(QStringLiteral(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                           52.0;
    return {static_cast<int>(average + 0.5), metrics.height()};
}

int Px(int dialogUnits, int base, int divisor) {
    return static_cast<int>(std::lround(dialogUnits * base / static_cast<double>(divisor)));
}

bool IsKind(QWidget* w, ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
        return qobject_cast<QPushButton*>(w);
    case ControlKind::Edit:
        return qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
    case ControlKind::ComboBox:
        return qobject_cast<QComboBox*>(w);
    case ControlKind::Label:
    case ControlKind::Icon:
        return qobject_cast<QLabel*>(w);
    case ControlKind::GroupBox:
        return qobject_cast<QGroupBox*>(w);
    case ControlKind::CheckBox:
        return qobject_cast<QCheckBox*>(w);
    case ControlKind::RadioButton:
        return qobject_cast<QRadioButton*>(w);
    case ControlKind::ListView:
        return qobject_cast<CEditList*>(w);
    }
    return false;
}

// Position, kind, visibility and size of each control against its template row.
void CheckControls(QWidget* dialog, const std::vector<QWidget*>& controls,
                   const DialogTemplate& tmpl) {
    const Units units = UnitsOf(dialog->font());
    // The main dialog grows downwards by its Windows row; nothing else changes.
    QCOMPARE(dialog->width(), Px(tmpl.width, units.x, 4));
    QVERIFY(dialog->height() >= Px(tmpl.height, units.y, 8));
    QCOMPARE(controls.size(), tmpl.controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& t = tmpl.controls[i];
        QWidget* w = controls[i];
        const QByteArray where = QByteArray::number(int(i)) + " id " + QByteArray::number(t.id);
        QVERIFY2(IsKind(w, t.kind), where);
        QVERIFY2(w->property("dlgId").toInt() == t.id, where);
        QVERIFY2(w->isHidden() == !t.shown, where);
        const QRect g = w->geometry();
        QVERIFY2(g.x() == Px(t.rect.x, units.x, 4) && g.y() == Px(t.rect.y, units.y, 8), where);
        // A combo box's template height is its opened list; closed it is one field.
        const int height = t.kind == ControlKind::ComboBox ? 12 : t.rect.height;
        QVERIFY2(g.height() == Px(height, units.y, 8), where);
        // Captions beside a box may widen it; nothing gets narrower.
        const int width = Px(t.rect.width, units.x, 4);
        const bool mayGrow = t.kind == ControlKind::Label || t.kind == ControlKind::CheckBox ||
                             t.kind == ControlKind::RadioButton;
        QVERIFY2(mayGrow ? g.width() >= width : g.width() == width, where);
    }
}

// Test data: a control's id and a text, one row each, named by the text.
void ControlTextRows(const char* textColumn,
                     std::initializer_list<std::pair<int, const char*>> rows) {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>(textColumn);
    for (const auto& [id, text] : rows)
        QTest::newRow(text) << id << QString::fromUtf8(text);
}

} // namespace

class DialogTemplateTest : public QObject {
    Q_OBJECT

private slots:
    void mainTemplateHoldsItsControlsInTabOrder() {
        const DialogTemplate& tmpl = MainDialogTemplate();
        QCOMPARE(tmpl.controls.size(), std::size_t{72});
        QCOMPARE(tmpl.width, 475);
        QCOMPARE(tmpl.height, 319);
        QList<int> ids;
        QList<int> hidden;
        for (const ControlTemplate& t : tmpl.controls) {
            if (t.id != IDC_STATIC)
                ids << t.id;
            if (!t.shown && t.id != IDC_STATIC)
                hidden << t.id;
        }
        const QList<int> expectedIds{1,    1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,
                                     1010, 1011, 1012, 1013, 1014, 1015, 1016, 1017, 1018, 1019,
                                     1021, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031,
                                     1032, 1033, 1035, 1034, 1038, 1020, 1022, 1036, 1039, 1040,
                                     1041, 1042, 1044, 1045, 1046, 1047};
        QCOMPARE(ids, expectedIds);
        const QList<int> expectedHidden{1,    1011, 1012, 1013, 1014, 1015, 1017, 1019, 1026,
                                        1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1034};
        QCOMPARE(hidden, expectedHidden);
    }

    void mainDialogControlsFollowTheTemplate() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        CheckControls(&dlg, dlg.Controls(), MainDialogTemplate());
        // Spot checks of rectangles in dialog units, straight from the layout.
        const Units units = UnitsOf(dlg.font());
        const auto px = [&](int x, int y, int w, int h) {
            return QRect(Px(x, units.x, 4), Px(y, units.y, 8), Px(w, units.x, 4),
                         Px(h, units.y, 8));
        };
        QCOMPARE(dlg.GetDlgItem(IDC_LOG)->geometry(), px(7, 91, 268, 220));
        QCOMPARE(dlg.GetDlgItem(IDC_CONNECT)->geometry(), px(404, 27, 60, 15));
        QCOMPARE(dlg.GetDlgItem(IDC_SDD_POWER_LIST)->geometry(), px(285, 243, 112, 47));
        QCOMPARE(dlg.GetDlgItem(IDC_COMMAND)->geometry(), px(280, 298, 117, 12));
    }

    void hiddenControlsStayHiddenWhenShown() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        dlg.show();
        dlg.EnableControls(true);
        for (int id : {1, 1011, 1012, 1013, 1017, 1026, 1031, 1034})
            QVERIFY2(!dlg.GetDlgItem(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(dlg.GetDlgItem(IDC_CONNECT)->isVisible());
    }

    void focusChainFollowsTheEye() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        // The left column, then the right one row by row, then the Windows row.
        QList<QWidget*> expected;
        for (int id : {IDC_USAGE,        IDC_PARAM_RANGE, IDC_LOG,         IDC_CHIP_MODEL,
                       IDC_BAUD_RATE,    IDC_COM_PORT,    IDC_CONNECT,     IDC_LDO_MODE,
                       IDC_DCDC_MODE,    IDC_CHANNEL,     IDC_RATE,        IDC_FULL_DUTY,
                       IDC_POWER,        IDC_SET_POWER,   IDC_FREQ_OFFSET, IDC_SET_FREQ_OFFSET,
                       IDC_TX_COUNT,     IDC_TX,          IDC_TX_LENGTH,   IDC_TONE,
                       IDC_SEND_PKT_NUM, IDC_RX,          IDC_RX_PER,      IDC_SDD_POWER_LIST,
                       IDC_SAVE_TO_SDD,  IDC_EXPORT_SDD,  IDC_COMMAND,     IDC_SEND_CMD})
            expected << dlg.GetDlgItem(id);
        // Calibrate… where it stands, under Export SDD File.
        expected.insert(expected.indexOf(dlg.GetDlgItem(IDC_COMMAND)), dlg.calibrateGroupButton);
        expected << dlg.sweepButton << dlg.resultsButton;
        QList<QWidget*> chain;
        for (QWidget* w = dlg.nextInFocusChain(); w != &dlg; w = w->nextInFocusChain()) {
            if (expected.contains(w))
                chain << w;
        }
        QCOMPARE(chain, expected);
    }

    void calibrateOpensFromTheSddGroup() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        dlg.show();
        QPushButton& button = *dlg.calibrateGroupButton;
        QVERIFY(button.isVisible());
        QCOMPARE(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name),
                 QString("Calibrate"));
        // Inside the group's frame, clear of every other control.
        const QGroupBox* group = nullptr;
        for (const QGroupBox* box : dlg.findChildren<QGroupBox*>())
            if (box->title() == "SDD Config")
                group = box;
        QVERIFY(group && group->geometry().contains(button.geometry()));
        for (QWidget* other : dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (other != &button && other != group && other->isVisible())
                QVERIFY2(!other->geometry().intersects(button.geometry()),
                         qPrintable(other->objectName()));
        button.click();
        QVERIFY(dlg.calibrateWindow && dlg.calibrateWindow->isVisible());
    }

    void noButtonAnswersEnterInTheMainDialog() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        for (QPushButton* button : dlg.findChildren<QPushButton*>())
            QVERIFY(!button->isDefault() && !button->autoDefault());
    }

    // What assistive technology announces: the caption, a field's label, or
    // the name the template gives a control that nothing names. (Captions
    // that change are followed in RfTestBoardTest's keyboard session.)
    void accessibleNames_data() {
        ControlTextRows("name", {
                                    {IDC_CONNECT, "Connect"},
                                    {IDC_FULL_DUTY, "Full Duty"},
                                    {IDC_POWER, "Power"},
                                    {IDC_RX_PER, "RX PER(%)"},
                                    {IDC_COMMAND, "Command"},
                                    {IDC_LOG, "Log"},
                                    {IDC_SDD_POWER_LIST, "SDD power"},
                                });
    }
    void accessibleNames() {
        QFETCH(int, id);
        QFETCH(QString, name);
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        QCOMPARE(QAccessible::queryAccessibleInterface(dlg.GetDlgItem(id))->text(QAccessible::Name),
                 name);
    }

    void labelsNameTheFieldsBesideThem_data() {
        ControlTextRows("label", {
                                     {IDC_CHIP_MODEL, "Chip Model"},
                                     {IDC_COM_PORT, "Com"},
                                     {IDC_LDO_MODE, "Power Mode"},
                                     {IDC_CHANNEL, "Channel"},
                                     {IDC_RATE, "Rate"},
                                     {IDC_POWER, "Power"},
                                     {IDC_FREQ_OFFSET, "Freq offset"},
                                     {IDC_TX_COUNT, "Count"},
                                     {IDC_TX_LENGTH, "Length"},
                                     {IDC_SEND_PKT_NUM, "Send Pkt Num"},
                                     {IDC_RX_PER, "RX PER(%)"},
                                 });
    }
    void labelsNameTheFieldsBesideThem() {
        QFETCH(int, id);
        QFETCH(QString, label);
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        QStringList labels;
        for (const auto& [other, relation] : LabelRelations(dlg.GetDlgItem(id))) {
            QVERIFY(qobject_cast<QLabel*>(other->object()));
            labels << other->text(QAccessible::Name);
        }
        QCOMPARE(labels, QStringList{label});
    }

    void everyShownControlSaysWhatItIs() {
        CkelGuiToolDlg dlg(std::make_unique<ScriptedPrompter>(std::make_shared<PromptLog>()));
        for (QWidget* control : dlg.Controls()) {
            if (control->isHidden())
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            // Here a list's name is its value: a label or its description says what it is.
            const bool said = qobject_cast<QComboBox*>(control)
                                  ? !LabelRelations(control).isEmpty() ||
                                        !iface->text(QAccessible::Description).isEmpty()
                                  : !iface->text(QAccessible::Name).isEmpty();
            QVERIFY2(said, qPrintable(QString::number(kel::DlgIdOf(control))));
        }
    }

    void aboutBoxFollowsItsTemplate() {
        CAboutDlg about;
        const DialogTemplate& tmpl = AboutDialogTemplate();
        std::vector<QWidget*> controls;
        for (const ControlTemplate& t : tmpl.controls) {
            controls.push_back(t.id == IDC_STATIC ? about.findChildren<QLabel*>().value(0)
                                                  : about.GetDlgItem(t.id));
        }
        CheckControls(&about, controls, tmpl);
        QVERIFY(qobject_cast<QPushButton*>(about.GetDlgItem(IDOK))->isDefault());
    }
};

QTEST_MAIN(DialogTemplateTest)
#include "DialogTemplateTest.moc"
