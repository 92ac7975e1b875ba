// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A combo box that says when its list is about to open, so the port list can
// be refilled just before the user sees it.

#include <QComboBox>

class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The drop-down refills the list, which empties the field; a list closed
    // without a choice (Escape, a click elsewhere) gives back what was typed.
    void showPopup() override;
    void hidePopup() override;

signals:
    void dropDown();

private:
    QString typed_;
    bool open_ = false;
};
