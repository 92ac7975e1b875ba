// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's board as a worker thread reaches it: the same port and chip
// model, and a log pane whose lines are handed to the console's own on the
// GUI thread (queued, so they keep their order). The pane's length is
// counted here from where the console's stood, so its limit still empties it.

#include "protocol/CommandContext.h"

#include <cstddef>
#include <string>

class QObject;

class WorkerBoard : public kel::CommandContext {
public:
    // board: the console's, used on receiver's thread only.
    WorkerBoard(kel::CommandContext& board, QObject& receiver);

    kel::SerialPort& Port() override { return port_; }
    int ChipModelIndex() const override { return chipModel_; }
    void AppendLog(const std::string& text) override;
    std::size_t LogLength() const override { return length_; }
    void ClearLog() override;

private:
    kel::CommandContext& board_;
    QObject* receiver_; // outlives the worker
    kel::SerialPort& port_;
    int chipModel_;
    std::size_t length_;
};
