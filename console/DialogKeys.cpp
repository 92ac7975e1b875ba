// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's keys. Enter presses the focused push button, as in any desktop
// dialog (the buttons are not auto-default, see DialogBuilder.cpp); anywhere
// else it is the OK command, which does nothing, so Enter never closes the
// console. Space is the button's own; Escape stays the dialog's cancel.

#include "console/CkelGuiToolDlg.h"
#include "windows/WindowKeys.h"

#include <QKeyEvent>
#include <QPushButton>

void CkelGuiToolDlg::keyPressEvent(QKeyEvent* event) {
    if (!IsEnter(*event)) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!qobject_cast<QPushButton*>(focusWidget())) {
        OnOK();
        return;
    }
    EnterPressesFocusedButton(*this, *event);
}
