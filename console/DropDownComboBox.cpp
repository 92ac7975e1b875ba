// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/DropDownComboBox.h"

#include <utility>

void DropDownComboBox::showPopup() {
    typed_ = currentText();
    open_ = true;
    emit dropDown();
    QComboBox::showPopup();
}

void DropDownComboBox::hidePopup() {
    QComboBox::hidePopup();
    // A choice, if one was made, is set after this and replaces the text.
    if (std::exchange(open_, false) && isEditable() && currentIndex() < 0)
        setEditText(typed_);
}
