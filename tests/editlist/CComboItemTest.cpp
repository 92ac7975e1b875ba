// SPDX-License-Identifier: GPL-3.0-or-later
// The drop-down editor, driven with real keys and clicks inside a dialog that
// has a default button: it opens over the cell with its list shown and the
// old text's entry selected; closing the list ends the edit.

#include "editlist/CComboItem.h"

#include "tests/editlist/EditListDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class CComboItemTest : public QObject {
    Q_OBJECT
private slots:
    void opensOverTheCellWithTheOldTextSelected_data();
    void opensOverTheCellWithTheOldTextSelected();
    void choosingAnEntryWithTheMouseCommitsAtOnce();
    void choosingAnEntryWithTheKeyboardCommitsAtOnce();
    void closingWithoutChoosing_data();
    void closingWithoutChoosing();
    void emptyChoiceListChangesNothing();
};

namespace {

const QStringList kChoices = {"10", "50", "55", "60", "Auto"};

CComboItem* OpenDropDown(EditListDialog& d, int row, int column) {
    d.ClickCell(row, column);
    return d.OpenEditor<CComboItem>();
}

// The list offers kChoices and cell (1, 1) holds oldText; the dialog shows
// and the drop-down opens over that cell: the editor, nullptr when either
// did not happen.
CComboItem* OpenOverText(EditListDialog& d, const QString& oldText) {
    d.list->choiceList = kChoices;
    d.list->SetItemText(1, 1, oldText);
    if (!d.Show())
        return nullptr;
    return OpenDropDown(d, 1, 1);
}

} // namespace

void CComboItemTest::opensOverTheCellWithTheOldTextSelected_data() {
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<int>("selected");
    QTest::newRow("whole text") << "55" << 2;
    QTest::newRow("first entry beginning with it") << "5" << 1;
    QTest::newRow("any case") << "aU" << 4;
    QTest::newRow("empty text: the first entry") << "" << 0;
    QTest::newRow("no entry begins with it") << "99" << -1;
}

void CComboItemTest::opensOverTheCellWithTheOldTextSelected() {
    QFETCH(QString, oldText);
    QFETCH(int, selected);
    EditListDialog d(DropDownEverywhere);
    CComboItem* combo = OpenOverText(d, oldText);
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(combo->count(), kChoices.size());
    QCOMPARE(combo->pos(), d.list->visualRect(d.list->model()->index(1, 1)).topLeft());
    QCOMPARE(combo->maxVisibleItems(), CComboItem::kVisibleEntries);
    QVERIFY(combo->view()->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), combo->view()->window());
}

void CComboItemTest::choosingAnEntryWithTheMouseCommitsAtOnce() {
    EditListDialog d(DropDownEverywhere);
    d.list->choiceList = kChoices;
    QSignalSpy edited(d.list, &CEditList::cellEdited);
    QVERIFY(d.Show());
    CComboItem* combo = OpenDropDown(d, 0, 1);
    QAbstractItemView* view = combo->view();
    // The list ignores a release this soon after opening (it would be the
    // opening click's own).
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QPoint entry = view->visualRect(view->model()->index(3, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, entry);
    d.Settle();
    QCOMPARE(d.list->GetItemText(0, 1), QString("60"));
    QCOMPARE(edited.size(), 1);
    QCOMPARE(d.EditorCount<CComboItem>(), 0);
    QVERIFY(d.list->hasFocus());
}

void CComboItemTest::choosingAnEntryWithTheKeyboardCommitsAtOnce() {
    EditListDialog d(DropDownEverywhere);
    d.list->choiceList = kChoices;
    QVERIFY(d.Show());
    OpenDropDown(d, 0, 1);
    d.Key(Qt::Key_Down);
    d.Key(Qt::Key_Return);
    d.Settle();
    QCOMPARE(d.list->GetItemText(0, 1), QString("55"));
    QCOMPARE(d.EditorCount<CComboItem>(), 0);
    QCOMPARE(d.okClicks, 0);
    QCOMPARE(d.keysAtDialog.count, 0);
}

void CComboItemTest::closingWithoutChoosing_data() {
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QString>("cell");
    QTest::newRow("Escape cancels") << "5" << true << "5";
    QTest::newRow("Escape with nothing selected") << "99" << true << "99";
    // The entry selected on opening stays selected, and leaving commits it.
    QTest::newRow("click outside commits the selection") << "5" << false << "50";
    QTest::newRow("click outside with nothing selected") << "99" << false << "99";
}

void CComboItemTest::closingWithoutChoosing() {
    QFETCH(QString, oldText);
    QFETCH(bool, escape);
    QFETCH(QString, cell);
    EditListDialog d(DropDownEverywhere);
    QVERIFY(OpenOverText(d, oldText));
    if (escape) {
        d.Key(Qt::Key_Escape);
    } else {
        // Below the last row, through the window as a user's click goes.
        const QRect last = d.list->visualRect(d.list->model()->index(2, 0));
        const QPoint below =
            d.list->viewport()->mapTo(&d.dialog, last.bottomLeft() + QPoint(5, 20));
        QTest::mouseClick(d.dialog.windowHandle(), Qt::LeftButton, Qt::NoModifier, below);
    }
    d.Settle();
    QCOMPARE(d.list->GetItemText(1, 1), cell);
    QCOMPARE(d.EditorCount<CComboItem>(), 0);
    QCOMPARE(d.rejects, 0);
    QVERIFY(d.dialog.isVisible());
    QCOMPARE(d.keysAtDialog.count, 0);
}

void CComboItemTest::emptyChoiceListChangesNothing() {
    EditListDialog d(DropDownEverywhere);
    QSignalSpy edited(d.list, &CEditList::cellEdited);
    QVERIFY(d.Show());
    CComboItem* combo = OpenDropDown(d, 0, 1);
    QVERIFY(combo);
    QCOMPARE(combo->count(), 0);
    QVERIFY(combo->hasFocus()); // an empty list has nothing to open
    d.Key(Qt::Key_Escape);
    d.Settle();
    QCOMPARE(d.list->GetItemText(0, 1), QString("50"));
    QCOMPARE(edited.size(), 0);
    QCOMPARE(d.EditorCount<CComboItem>(), 0);
    QCOMPARE(d.rejects, 0);
    QCOMPARE(d.keysAtDialog.count, 0);
}

QTEST_MAIN(CComboItemTest)
#include "CComboItemTest.moc"
