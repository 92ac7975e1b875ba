// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/calibrate/WorkerBoard.h"

#include <QMetaObject>
#include <QObject>

WorkerBoard::WorkerBoard(kel::CommandContext& board, QObject& receiver)
    : board_(board), receiver_(&receiver), port_(board.Port()), chipModel_(board.ChipModelIndex()),
      length_(board.LogLength()) {
    chatterBound = board.chatterBound;
}

void WorkerBoard::AppendLog(const std::string& text) {
    // Bytes, where the pane counts characters: a line with UTF-8 in it
    // empties the pane a little early, never late.
    length_ += text.size();
    QMetaObject::invokeMethod(
        receiver_, [&board = board_, text] { board.AppendLog(text); }, Qt::QueuedConnection);
}

void WorkerBoard::ClearLog() {
    length_ = 0;
    QMetaObject::invokeMethod(
        receiver_, [&board = board_] { board.ClearLog(); }, Qt::QueuedConnection);
}
