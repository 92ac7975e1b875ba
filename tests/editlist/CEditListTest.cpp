// SPDX-License-Identifier: GPL-3.0-or-later
// The list itself: report-view operations, which clicks open which editor,
// where the editor lies, and the Delete key.

#include "editlist/CComboItem.h"
#include "editlist/CEditItem.h"
#include "tests/editlist/EditListDialog.h"

#include <QScrollBar>
#include <QTest>

class CEditListTest : public QObject {
    Q_OBJECT
private slots:
    void reportOperationsRejectMissingRowsAndColumns();
    void columnFormatAlignsCellsAndEditBox();
    void clickOpensOnlyWhatTheCallbackAllows_data();
    void clickOpensOnlyWhatTheCallbackAllows();
    void clickBelowTheLastRowOpensNothing();
    void editorLiesOverTheCellClippedToTheList();
    void cellLeftOfTheViewScrollsIntoView();
    void deleteRemovesTheMarkedRowOnce();
    void deleteWithoutMarkRemovesNothing();
};

void CEditListTest::reportOperationsRejectMissingRowsAndColumns() {
    CEditList list;
    QCOMPARE(list.InsertItem(0, "no column yet"), -1);
    QCOMPARE(list.InsertColumn(-1, "bad", Qt::AlignLeft, 50), -1);
    QCOMPARE(list.InsertColumn(7, "rate", Qt::AlignLeft, 50), 0); // appended
    QCOMPARE(list.InsertItem(-1, "bad"), -1);
    QCOMPARE(list.InsertItem(9, "second"), 0);
    QCOMPARE(list.InsertItem(0, "first"), 0);
    QCOMPARE(list.GetItemText(1, 0), QString("second"));
    QCOMPARE(list.GetItemCount(), 2);

    QVERIFY(!list.SetItemText(2, 0, "no such row"));
    QVERIFY(!list.SetItemText(0, 1, "no such column"));
    QVERIFY(!list.SetItemText(-1, 0, "negative"));
    QCOMPARE(list.GetItemText(5, 5), QString());
}

void CEditListTest::columnFormatAlignsCellsAndEditBox() {
    EditListDialog d(PowerLevelEditBox);
    d.list->InsertColumn(2, "note", Qt::AlignRight, 60);
    d.list->editorCallback = [](int) { return 0; };
    d.list->SetItemText(0, 2, "x");
    QCOMPARE(Qt::Alignment(d.list->item(0, 2)->textAlignment()) & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    QCOMPARE(d.OpenEditor<CEditItem>()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    d.ClickCell(0, 2);
    QCOMPARE(d.OpenEditor<CEditItem>()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

using Callback = CEditList::EditorCallback;
Q_DECLARE_METATYPE(Callback)

void CEditListTest::clickOpensOnlyWhatTheCallbackAllows_data() {
    QTest::addColumn<Callback>("callback");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("editBoxes");
    QTest::addColumn<int>("dropDowns");
    QTest::newRow("console: power level") << Callback(PowerLevelEditBox) << 1 << 1 << 0;
    QTest::newRow("console: rate") << Callback(PowerLevelEditBox) << 0 << 0 << 0;
    QTest::newRow("no callback") << Callback(nullptr) << 1 << 0 << 0;
    QTest::newRow("drop-down") << Callback(DropDownEverywhere) << 0 << 0 << 1;
    QTest::newRow("other answer") << Callback([](int) { return 2; }) << 1 << 0 << 0;
}

void CEditListTest::clickOpensOnlyWhatTheCallbackAllows() {
    QFETCH(Callback, callback);
    QFETCH(int, column);
    QFETCH(int, editBoxes);
    QFETCH(int, dropDowns);
    EditListDialog d(callback);
    QVERIFY(d.Show());
    d.ClickCell(1, column);
    QCOMPARE(d.EditorCount<CEditItem>(), editBoxes);
    QCOMPARE(d.EditorCount<CComboItem>(), dropDowns);
}

void CEditListTest::clickBelowTheLastRowOpensNothing() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    const QRect lastCell = d.list->visualRect(d.list->model()->index(2, 1));
    QVERIFY(lastCell.bottom() + 10 < d.list->viewport()->height());
    d.ClickAt(QPoint(lastCell.center().x(), lastCell.bottom() + 10));
    QCOMPARE(d.EditorCount<CEditItem>(), 0);
}

void CEditListTest::editorLiesOverTheCellClippedToTheList() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    const QRect cell = d.list->visualRect(d.list->model()->index(0, 1));
    QCOMPARE(d.OpenEditor<CEditItem>()->geometry(), cell);

    // A column wider than the list: the editor ends at the list's right edge.
    d.list->setColumnWidth(1, 2000);
    d.ClickCell(1, 1);
    const QRect wide = d.OpenEditor<CEditItem>()->geometry();
    QCOMPARE(wide.left(), d.list->visualRect(d.list->model()->index(1, 1)).left());
    QCOMPARE(wide.right(), d.list->viewport()->width() - 1);
}

void CEditListTest::cellLeftOfTheViewScrollsIntoView() {
    EditListDialog d(PowerLevelEditBox);
    d.list->setColumnWidth(0, 250);
    d.list->setColumnWidth(1, 100);
    d.list->InsertColumn(2, "wide", Qt::AlignLeft, 400);
    QVERIFY(d.Show());
    QScrollBar* bar = d.list->horizontalScrollBar();
    // Column 1 starts 50 pixels left of the view and still shows.
    bar->setValue(300);
    QCOMPARE(d.list->columnViewportPosition(1), -50);
    d.ClickAt(QPoint(20, d.CellCenter(0, 1).y()));
    CEditItem* editor = d.OpenEditor<CEditItem>();
    QVERIFY(editor);
    QCOMPARE(bar->value(), 250);
    QCOMPARE(d.list->columnViewportPosition(1), 0);
    QCOMPARE(editor->geometry().left(), 0);
}

void CEditListTest::deleteRemovesTheMarkedRowOnce() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(1, 0); // the rate column opens no editor: the list keeps the focus
    QVERIFY(d.list->hasFocus());
    QCOMPARE(d.list->GetSelectionMark(), 1);
    d.Key(Qt::Key_Delete);
    QCOMPARE(d.list->GetItemCount(), 2);
    QCOMPARE(d.list->GetItemText(0, 0), QString("11b"));
    QCOMPARE(d.list->GetItemText(1, 0), QString("11n mcs7"));
    QCOMPARE(d.list->GetSelectionMark(), -1);
    d.Key(Qt::Key_Delete);
    QCOMPARE(d.list->GetItemCount(), 2);
}

void CEditListTest::deleteWithoutMarkRemovesNothing() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    // Tabbing in makes a row current without selecting it: still no mark.
    d.list->setFocus(Qt::TabFocusReason);
    QCOMPARE(d.list->GetSelectionMark(), -1);
    d.Key(Qt::Key_Delete);
    QCOMPARE(d.list->GetItemCount(), 3);
}

QTEST_MAIN(CEditListTest)
#include "CEditListTest.moc"
