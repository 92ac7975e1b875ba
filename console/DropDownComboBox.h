// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A combo box that says when its list is about to open, so the port list can
// be refilled just before the user sees it.

#include <QComboBox>

class DropDownComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void dropDown();
};
