// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's board as a worker thread reaches it: the same port and chip
// model, and a log pane whose lines are posted to the console's own on the
// GUI thread (in order, with the trials posted beside them). The pane's length is
// counted here from where the console's stood, so its limit still empties it.

#include "protocol/CommandContext.h"

#include <cstddef>
#include <functional>
#include <string>

class WorkerBoard : public kel::CommandContext {
public:
    // board: the console's, reached only through post (the GUI thread).
    using Post = std::function<void(std::function<void()>)>;
    WorkerBoard(kel::CommandContext& board, Post post);

    kel::SerialPort& Port() override { return port_; }
    int ChipModelIndex() const override { return chipModel_; }
    void AppendLog(const std::string& text) override;
    std::size_t LogLength() const override { return length_; }
    void ClearLog() override;

private:
    kel::CommandContext& board_;
    Post post_;
    kel::SerialPort& port_;
    int chipModel_;
    std::size_t length_;
};
