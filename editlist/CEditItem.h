// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The edit-box editor of a CEditList cell. It lies over the cell, opens with
// the cell's text and the caret at the start, and reports its text (or a
// cancel, after Escape) when it loses the focus; then it deletes itself.

#include "editlist/InPlaceEdit.h"

#include <QLineEdit>

class QAbstractScrollArea;

class CEditItem : public QLineEdit {
    Q_OBJECT
public:
    // The editor becomes a child of the list's viewport; Open() shows it.
    CEditItem(int row, int column, const QString& initialText, QAbstractScrollArea* list);

    // Lays the editor over `cell` (viewport coordinates) and takes the focus.
    void Open(const QRect& cell);

signals:
    void editEnded(const EndLabelEdit& record);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Widen();
    void Finish();

    InPlaceEdit edit_;
};
