// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's keys. Enter presses the focused push button, as in any desktop
// dialog (the buttons are not auto-default, see DialogBuilder.cpp); anywhere
// else it is the OK command, which does nothing, so Enter never closes the
// console. Space is the button's own; Escape stays the dialog's cancel.

#include "console/CkelGuiToolDlg.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

bool IsEnter(const QKeyEvent& event) {
    const bool enterKey = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    return enterKey && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

void CkelGuiToolDlg::keyPressEvent(QKeyEvent* event) {
    if (!IsEnter(*event)) {
        QDialog::keyPressEvent(event);
        return;
    }
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (!button) {
        OnOK();
        return;
    }
    // Enter held down must not flip a start/stop button back and forth.
    if (!event->isAutoRepeat())
        button->click();
}
