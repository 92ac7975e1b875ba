// SPDX-License-Identifier: GPL-3.0-or-later
// The edit box, driven with real keys and clicks inside a dialog that has a
// default button: what it commits, what it cancels, which keys it keeps from
// the dialog, how it widens, and that it leaves nothing behind.

#include "editlist/CEditItem.h"

#include "tests/editlist/EditListDialog.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>

class CEditItemTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheCellTextAndTheCaretAtTheStart();
    void endingKeys_data();
    void endingKeys();
    void clickOnAnotherCellCommitsAndOpensTheNext();
    void tabAwayCommits();
    void deleteAndCtrlKeysStayInTheEditor();
    void contextMenuDoesNotEndTheEdit();
    void widensUpToTheListEdgeAndNeverShrinks();
    void longRateTextIsKeptWhenPowerIsSet();
    void listDestroyedWhileEditingReportsNothing();
};

void CEditItemTest::opensWithTheCellTextAndTheCaretAtTheStart() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    CEditItem* editor = d.OpenEditor<CEditItem>();
    QVERIFY(editor);
    QVERIFY(editor->hasFocus());
    QCOMPARE(editor->text(), QString("50"));
    QCOMPARE(editor->cursorPosition(), 0);
    QVERIFY(!editor->hasSelectedText());
}

void CEditItemTest::endingKeys_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("cell");
    QTest::newRow("Enter commits in front of the old text") << "7" << int(Qt::Key_Return) << "750";
    QTest::newRow("keypad Enter commits") << "1" << int(Qt::Key_Enter) << "150";
    QTest::newRow("Escape cancels") << "7" << int(Qt::Key_Escape) << "50";
}

// Enter and Escape end the edit in the list; neither reaches the dialog (no
// default button, no closing), and the editor is gone afterwards.
void CEditItemTest::endingKeys() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, cell);
    EditListDialog d(PowerLevelEditBox);
    QSignalSpy edited(d.list, &CEditList::cellEdited);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    d.Type(typed);
    d.Key(Qt::Key(key));
    QCOMPARE(d.list->GetItemText(0, 1), cell);
    QCOMPARE(d.list->GetItemText(0, 0), QString("11b"));
    QCOMPARE(edited.size(), cell == "50" ? 0 : 1);
    QVERIFY(d.list->hasFocus());
    QCOMPARE(d.keysAtDialog.count, 0);
    QCOMPARE(d.okClicks, 0);
    QCOMPARE(d.rejects, 0);
    QVERIFY(d.dialog.isVisible());
    d.Settle();
    QCOMPARE(d.EditorCount<CEditItem>(), 0);

    // With no editor open the dialog has its keys back.
    d.Key(Qt::Key_Escape);
    QCOMPARE(d.rejects, 1);
}

void CEditItemTest::clickOnAnotherCellCommitsAndOpensTheNext() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    d.Type("1");
    d.ClickCell(2, 1);
    QCOMPARE(d.list->GetItemText(0, 1), QString("150"));
    CEditItem* second = d.OpenEditor<CEditItem>();
    QVERIFY(second);
    QVERIFY(second->hasFocus());
    QCOMPARE(second->text(), QString("70"));
    d.Settle();
    QCOMPARE(d.EditorCount<CEditItem>(), 1);

    // A click on a cell that opens nothing still commits.
    d.Type("2");
    d.ClickCell(1, 0);
    QCOMPARE(d.list->GetItemText(2, 1), QString("270"));
    d.Settle();
    QCOMPARE(d.EditorCount<CEditItem>(), 0);
}

void CEditItemTest::tabAwayCommits() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(1, 1);
    d.Key(Qt::Key_End);
    d.Type("5");
    d.Key(Qt::Key_Tab);
    QCOMPARE(d.list->GetItemText(1, 1), QString("605"));
    QCOMPARE(d.OpenEditor<CEditItem>(), nullptr);
}

void CEditItemTest::deleteAndCtrlKeysStayInTheEditor() {
    EditListDialog d(PowerLevelEditBox);
    int shortcutHits = 0;
    auto* action = new QAction(&d.dialog);
    action->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_K), QKeySequence(Qt::Key_Delete)});
    d.dialog.addAction(action);
    QObject::connect(action, &QAction::triggered, &d.dialog, [&] { ++shortcutHits; });
    QVERIFY(d.Show());

    d.ClickCell(1, 1);
    d.Key(Qt::Key_Delete); // deletes the "6", not the row
    d.Key(Qt::Key_K, Qt::ControlModifier);
    d.Key(Qt::Key_J, Qt::ControlModifier);    // nothing to the edit box either
    d.Key(Qt::Key_Down, Qt::ControlModifier); // would move the list's current row
    d.Key(Qt::Key_A, Qt::ControlModifier);
    d.Type("9");
    QCOMPARE(d.OpenEditor<CEditItem>()->text(), QString("9"));
    QCOMPARE(shortcutHits, 0);
    QCOMPARE(d.keysAtDialog.count, 0);
    d.Key(Qt::Key_Return);
    QCOMPARE(d.list->GetItemCount(), 3);
    QCOMPARE(d.list->GetItemText(1, 1), QString("9"));
    QCOMPARE(d.okClicks, 0);
}

void CEditItemTest::contextMenuDoesNotEndTheEdit() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    CEditItem* editor = d.OpenEditor<CEditItem>();
    QWidget popup(&d.dialog, Qt::Popup);
    popup.show(); // what a context menu does to the focus
    QVERIFY(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &popup; }));
    popup.close();
    d.Settle();
    QVERIFY(d.OpenEditor<CEditItem>() == editor);
    QVERIFY(editor->hasFocus());
}

void CEditItemTest::widensUpToTheListEdgeAndNeverShrinks() {
    EditListDialog d(PowerLevelEditBox);
    d.list->setColumnWidth(0, 60);
    d.list->setColumnWidth(1, 40);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    CEditItem* editor = d.OpenEditor<CEditItem>();
    const QRect start = editor->geometry();

    d.Type("123456");
    const QRect grown = editor->geometry();
    QCOMPARE(grown.adjusted(0, 0, start.width() - grown.width(), 0), start); // only wider
    QVERIFY(grown.width() >= d.list->fontMetrics().horizontalAdvance(editor->text()) + 5);

    for (int i = 0; i < 40; ++i) {
        d.Type("8");
    }
    QCOMPARE(editor->geometry().right(), d.list->viewport()->width() - 1);

    const int widest = editor->width();
    d.Key(Qt::Key_A, Qt::ControlModifier);
    d.Key(Qt::Key_Backspace);
    QCOMPARE(editor->width(), widest);
}

void CEditItemTest::longRateTextIsKeptWhenPowerIsSet() {
    EditListDialog d(PowerLevelEditBox);
    const QString rate = "a rate label longer than thirty-one characters";
    d.list->SetItemText(1, 0, rate);
    QVERIFY(d.Show());
    d.ClickCell(1, 1);
    d.Type("1");
    d.Key(Qt::Key_Return);
    QCOMPARE(d.list->GetItemText(1, 1), QString("160"));
    QCOMPARE(d.list->GetItemText(1, 0), rate);
}

void CEditItemTest::listDestroyedWhileEditingReportsNothing() {
    EditListDialog d(PowerLevelEditBox);
    QVERIFY(d.Show());
    d.ClickCell(0, 1);
    QVERIFY(d.OpenEditor<CEditItem>());
    delete d.list;
    d.list = nullptr;
    d.Settle();
    QVERIFY(d.dialog.isVisible());
}

QTEST_MAIN(CEditItemTest)
#include "CEditItemTest.moc"
