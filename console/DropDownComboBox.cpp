// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/DropDownComboBox.h"

void DropDownComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}
