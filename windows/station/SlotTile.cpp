// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/SlotTile.h"

#include <QAccessible>
#include <QLabel>
#include <QVBoxLayout>

SlotTile::SlotTile(const QString& name, QWidget* parent) : QFrame(parent), name_(name) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    nameLabel = new QLabel(name, this);
    headlineLabel = new QLabel(this);
    detailLabel = new QLabel(this);
    nameLabel->setObjectName(QStringLiteral("name"));
    headlineLabel->setObjectName(QStringLiteral("headline"));
    detailLabel->setObjectName(QStringLiteral("detail"));
    // Every tile of the grid the same size, whatever its words: the type
    // follows the tile (resizeEvent), never the other way round.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    for (QLabel* label : {nameLabel, headlineLabel, detailLabel}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(nameLabel, 1);
    layout->addWidget(headlineLabel, 3);
    layout->addWidget(detailLabel, 2);
    Show(TileState{TileState::Kind::Waiting, tr("waiting for a board"), {}});
}

void SlotTile::Show(TileState state) {
    const bool changed = state.kind != state_.kind || state.headline != state_.headline ||
                         state.detail != state_.detail;
    state_ = std::move(state);
    headlineLabel->setText(state_.headline);
    detailLabel->setText(state_.detail);
    detailLabel->setVisible(!state_.detail.isEmpty());
    Paint();
    if (changed)
        Announce();
}

void SlotTile::Paint() {
    QPalette colours = parentWidget() ? parentWidget()->palette() : palette();
    const TileColours own = ColoursOf(state_.kind);
    if (own.background.isValid()) {
        colours.setColor(QPalette::Window, own.background);
        colours.setColor(QPalette::WindowText, own.text);
    }
    setPalette(colours);
    // The focused tile is framed thick, so the operator sees where Enter goes.
    setLineWidth(hasFocus() ? 6 : 1);
}

void SlotTile::Announce() {
    setAccessibleName(name_ + QStringLiteral(": ") + state_.Spoken());
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    if (!state_.Alerts())
        return;
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void SlotTile::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // Type grows with the tile: large enough to read across the room.
    const int unit = std::max(8, std::min(height() / 9, width() / 14));
    const auto sized = [](QLabel* label, int pixels, bool bold) {
        QFont font = label->font();
        font.setPixelSize(pixels);
        font.setBold(bold);
        label->setFont(font);
    };
    sized(nameLabel, unit, true);
    sized(headlineLabel, unit * 4 / 3, true);
    sized(detailLabel, std::max(8, unit * 3 / 4), false);
}

void SlotTile::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    Paint();
}

void SlotTile::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    Paint();
}
