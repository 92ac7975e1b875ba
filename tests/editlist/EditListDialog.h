// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A dialog like the console's for driving a CEditList with real key and mouse
// events: an OK button that is the default button, a Cancel button, and the
// list with a "rate" and a "power level" column and three rows.

#include "editlist/CEditList.h"

#include <QDialog>
#include <QPushButton>
#include <QTest>

// Counts the key presses that reach a widget (sent to it or passed up to it by
// a child that did not take them).
class KeyPressCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            ++count;
        }
        return false;
    }
};

class EditListDialog {
public:
    explicit EditListDialog(CEditList::EditorCallback callback);

    // Shows the dialog and waits until it is active; false when it never is.
    bool Show();

    QPoint CellCenter(int row, int column) const;
    void ClickCell(int row, int column);
    void ClickAt(QPoint viewportPoint);
    // Presses a key where a user's key would go: the window's focus widget.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Type(const QString& text);
    // Runs deferred deletions so that a finished editor is really gone.
    static void Settle();

    // The editor showing now; one that finished hides at once and is deleted
    // later.
    template <typename Editor> Editor* OpenEditor() const {
        for (auto* editor : list->viewport()->findChildren<Editor*>(Qt::FindDirectChildrenOnly)) {
            if (editor->isVisible()) {
                return editor;
            }
        }
        return nullptr;
    }
    // Every editor object still alive, shown or not.
    template <typename Editor> int EditorCount() const {
        return int(list->viewport()->findChildren<Editor*>(Qt::FindDirectChildrenOnly).size());
    }

    QDialog dialog;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    CEditList* list = nullptr;
    KeyPressCounter keysAtDialog;
    int okClicks = 0;
    int rejects = 0;
};

// The console's callback: only column 1 ("power level"), with an edit box.
int PowerLevelEditBox(int column);
// Every column with a drop-down.
int DropDownEverywhere(int column);
