// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/TileState.h"

bool TileState::Alerts() const {
    return kind == Kind::Refused || kind == Kind::Pass || kind == Kind::Fail ||
           kind == Kind::Error || kind == Kind::Unopened || kind == Kind::Prompt;
}

QString TileState::Spoken() const {
    return detail.isEmpty() ? headline : headline + QStringLiteral(". ") + detail;
}

TileColours ColoursOf(TileState::Kind kind) {
    // Dark backgrounds with white text (and amber with black) keep a contrast
    // above 4.5:1 whatever the system theme; the words carry the state too.
    const QColor white(Qt::white);
    switch (kind) {
    case TileState::Kind::Scan:
        return {QColor(0x0d, 0x47, 0xa1), white};
    case TileState::Kind::Refused:
    case TileState::Kind::Fail:
        return {QColor(0xb7, 0x1c, 0x1c), white};
    case TileState::Kind::Testing:
        return {QColor(0xff, 0xc1, 0x07), QColor(Qt::black)};
    case TileState::Kind::Prompt:
        return {QColor(0x4a, 0x14, 0x8c), white};
    case TileState::Kind::Pass:
        return {QColor(0x1b, 0x5e, 0x20), white};
    case TileState::Kind::Error:
        return {QColor(0xbf, 0x36, 0x0c), white};
    case TileState::Kind::Unopened:
        return {QColor(0x42, 0x42, 0x42), white};
    case TileState::Kind::Waiting:
    case TileState::Kind::Stopped:
        return {};
    }
    return {};
}
