// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drop-down editor of a CEditList cell. It lies over the cell with its
// list opened; closing the list, by choosing an entry or otherwise, ends the
// edit. It reports only when an entry is selected at that moment (a cancel
// after Escape), then deletes itself.

#include "editlist/InPlaceEdit.h"

#include <QComboBox>
#include <QStringList>

class QAbstractScrollArea;

class CComboItem : public QComboBox {
    Q_OBJECT
public:
    // Room for this many entries below the cell when the list is open.
    static constexpr int kVisibleEntries = 30;

    // The editor becomes a child of the list's viewport; Open() shows it.
    CComboItem(int row, int column, const QStringList& choices, QAbstractScrollArea* list);

    // Lays the editor over `cell` (viewport coordinates), takes the focus,
    // selects the first entry beginning with `oldText` and opens the list.
    void Open(const QRect& cell, const QString& oldText);

signals:
    void editEnded(const EndLabelEdit& record);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ReturnFocus();
    void Finish();

    InPlaceEdit edit_;
};
