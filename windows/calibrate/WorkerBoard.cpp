// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/calibrate/WorkerBoard.h"

#include <utility>

WorkerBoard::WorkerBoard(kel::CommandContext& board, Post post)
    : board_(board), post_(std::move(post)), port_(board.Port()),
      chipModel_(board.ChipModelIndex()), length_(board.LogLength()) {
    chatterBound = board.chatterBound;
}

void WorkerBoard::AppendLog(const std::string& text) {
    // Bytes, where the pane counts characters: a line with UTF-8 in it
    // empties the pane a little early, never late.
    length_ += text.size();
    post_([&board = board_, text] { board.AppendLog(text); });
}

void WorkerBoard::ClearLog() {
    length_ = 0;
    post_([&board = board_] { board.ClearLog(); });
}
