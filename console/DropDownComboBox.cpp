#include "console/DropDownComboBox.h"

void DropDownComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}
