// SPDX-License-Identifier: GPL-3.0-or-later
#include "editlist/CEditItem.h"

#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace {

// Keys the edit box keeps to itself: the dialog must never see them (no
// default button on Enter, no closing on Escape, no deleted row on Delete, no
// shortcut on Ctrl+key).
bool TakesKeyDirectly(const QKeyEvent& key) {
    return EndsAnEdit(key) || key.key() == Qt::Key_Delete ||
           key.modifiers().testFlag(Qt::ControlModifier);
}

} // namespace

CEditItem::CEditItem(int row, int column, const QString& initialText, QAbstractScrollArea* list)
    : QLineEdit(list->viewport()), edit_(row, column, list) {
    setFont(list->font());
    setText(initialText);
    connect(this, &QLineEdit::textEdited, this, &CEditItem::Widen);
}

void CEditItem::Open(const QRect& cell) {
    setGeometry(cell);
    show();
    setFocus(Qt::OtherFocusReason);
    // Typing goes in front of the old text: 7 typed into "50" gives "750".
    deselect();
    setCursorPosition(0);
}

bool CEditItem::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        TakesKeyDirectly(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CEditItem::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape end the edit by moving the focus to the list, so that
    // the focus loss decides the outcome as for a click elsewhere; a list
    // that cannot take the focus (hidden, disabled, inactive window) leaves
    // the end to Finish.
    if (edit_.TakeEndingKey(*event)) {
        edit_.GiveFocusBack();
        Finish();
        return;
    }
    QLineEdit::keyPressEvent(event);
    if (TakesKeyDirectly(*event)) {
        event->accept();
    }
}

void CEditItem::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The editor's own context menu takes the focus only for a moment.
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    Finish();
}

// Grows the box to show the whole text, up to the list's right edge; it never
// shrinks, so deleting characters leaves it as wide as it got.
void CEditItem::Widen() {
    const QAbstractScrollArea* list = edit_.List();
    if (!list) {
        return;
    }
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame =
        width() - style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width();
    const int wanted = list->fontMetrics().horizontalAdvance(text()) + 5 + frame;
    if (width() >= wanted) {
        return;
    }
    const int right = std::min(x() + wanted, list->viewport()->width());
    if (right - x() <= width()) {
        return;
    }
    resize(right - x(), height());
}

void CEditItem::Finish() {
    const std::optional<EndLabelEdit> record = edit_.End(text());
    if (!record) {
        return;
    }
    emit editEnded(*record);
    hide();
    deleteLater();
}
