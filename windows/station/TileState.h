// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a station's slot stands, as its tile says it: the state in words
// (never colour alone) and the colours that go with it.

#include <QColor>
#include <QString>

struct TileState {
    enum class Kind {
        Waiting,  // for a board to be plugged in
        Scan,     // the board is in: scan its serial number
        Refused,  // the code scanned is not a serial of this plan
        Testing,  // step k of n
        Prompt,   // the operator is asked (and perhaps waited for)
        Pass,     // remove the board
        Fail,     // remove the board; the failing points
        Error,    // the board did not answer, or refused
        Unopened, // the port cannot be opened
        Stopped,  // the session ended; the port is released
    };
    Kind kind = Kind::Waiting;
    QString headline; // "PASS — remove the board"
    QString detail;   // the failing points, the cause, the prompt's text

    // Confirming (Enter) answers this state.
    bool AwaitsConfirm() const { return kind == Kind::Prompt && confirm; }
    bool confirm = false;
    // A scanned code goes to this tile.
    bool TakesScan() const { return kind == Kind::Scan || kind == Kind::Refused; }
    // Worth a screen reader's interruption.
    bool Alerts() const;
    // The words a screen reader says: headline, then detail.
    QString Spoken() const;
};

// Background and text colours for the kind; an invalid background keeps the
// window's palette (light or dark theme alike).
struct TileColours {
    QColor background;
    QColor text;
};
TileColours ColoursOf(TileState::Kind kind);
