// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One slot of the station: its name, and its state in large words on the
// state's colour, readable from two metres. It takes the keyboard focus
// (Tab moves between tiles) and tells a screen reader each change: its
// accessible name is the state, and a change worth it is an alert.

#include "windows/station/TileState.h"

#include <QFrame>

class QLabel;

class SlotTile : public QFrame {
    Q_OBJECT
public:
    SlotTile(const QString& name, QWidget* parent);

    void Show(TileState state);
    const TileState& State() const { return state_; }
    const QString& Name() const { return name_; }

    // The labels tests read: name, headline, detail.
    QLabel* nameLabel = nullptr;
    QLabel* headlineLabel = nullptr;
    QLabel* detailLabel = nullptr;

    // The grid gives every tile the same share: wrapped words ask nothing.
    bool hasHeightForWidth() const override { return false; }
    QSize minimumSizeHint() const override { return {80, 60}; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Paint();
    void Announce();

    QString name_;
    TileState state_;
};
