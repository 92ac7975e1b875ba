// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two in-place editors (CEditItem, CComboItem) share about an edit:
// the cell, the list that gets the focus back, the keys that end the edit,
// and the one report of its outcome.

#include "editlist/EndLabelEdit.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QPointer>
#include <optional>

// Enter and Return commit, Escape cancels; while an editor has the focus the
// dialog never sees them.
inline bool EndsAnEdit(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape;
}

class InPlaceEdit {
public:
    InPlaceEdit(int row, int column, QAbstractScrollArea* list)
        : row_(row), column_(column), list_(list) {}

    // A key that ends the edit is taken (accepted; Escape also cancels): true.
    bool TakeEndingKey(QKeyEvent& event) {
        if (!EndsAnEdit(event))
            return false;
        if (event.key() == Qt::Key_Escape)
            cancelled = true;
        event.accept();
        return true;
    }

    // The focus back to the list, unless the edit has ended or the list is gone.
    void GiveFocusBack() const {
        if (!finished_ && list_)
            list_->setFocus(Qt::OtherFocusReason);
    }

    // The outcome to report, the first time only: the editor's text, or none
    // after a cancel.
    std::optional<EndLabelEdit> End(const QString& text) {
        if (finished_)
            return std::nullopt;
        finished_ = true;
        EndLabelEdit record{row_, column_, {}};
        if (!cancelled)
            record.text = text;
        return record;
    }

    // nullptr once the list is gone.
    QAbstractScrollArea* List() const { return list_; }

    bool cancelled = false;

private:
    const int row_;
    const int column_;
    QPointer<QAbstractScrollArea> list_;
    bool finished_ = false;
};
