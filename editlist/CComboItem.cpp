// SPDX-License-Identifier: GPL-3.0-or-later
#include "editlist/CComboItem.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QKeyEvent>

CComboItem::CComboItem(int row, int column, const QStringList& choices, QAbstractScrollArea* list)
    : QComboBox(list->viewport()), edit_(row, column, list) {
    setFont(list->font());
    setMaxVisibleItems(kVisibleEntries);
    addItems(choices);
    setCurrentIndex(-1);
    // The opened list is a window of its own: watch it for Escape and for
    // closing, which ends the edit however it happens.
    view()->installEventFilter(this);
    view()->window()->installEventFilter(this);
}

void CComboItem::Open(const QRect& cell, const QString& oldText) {
    setGeometry(cell);
    show();
    setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).startsWith(oldText, Qt::CaseInsensitive)) {
            setCurrentIndex(i);
            break;
        }
    }
    showPopup();
}

bool CComboItem::event(QEvent* event) {
    // The keys that end the edit: no default button, no closing dialog.
    if (event->type() == QEvent::ShortcutOverride && EndsAnEdit(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

bool CComboItem::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        edit_.cancelled = true;
    }
    if (watched == view()->window() && event->type() == QEvent::Hide) {
        // Queued: the combo applies a chosen entry only after hiding its list.
        QMetaObject::invokeMethod(this, &CComboItem::ReturnFocus, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

void CComboItem::keyPressEvent(QKeyEvent* event) {
    if (edit_.TakeEndingKey(*event)) {
        ReturnFocus();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CComboItem::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Its own opened list takes the focus only while it shows.
    if (event->reason() == Qt::PopupFocusReason || view()->isVisible()) {
        return;
    }
    Finish();
}

void CComboItem::ReturnFocus() {
    edit_.GiveFocusBack();
    // The list could not take the focus (hidden, disabled, inactive window).
    Finish();
}

void CComboItem::Finish() {
    const std::optional<EndLabelEdit> record = edit_.End(currentText());
    if (!record) {
        return;
    }
    // Nothing selected: nothing to report.
    if (currentIndex() != -1) {
        emit editEnded(*record);
    }
    hidePopup();
    hide();
    deleteLater();
}
