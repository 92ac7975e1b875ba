// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A calibration run on a thread of its own as a step of the console's
// session: the console's test controls stay locked and its waits tick on
// the GUI thread (repaints, the window's Stop, Escape) while the worker
// exchanges with the board and the instrument. What the worker has to show
// (trials, log lines) it posts; the GUI thread runs it between its ticks, in
// the order posted. The queue is a plain mutex's, so a thread checker sees
// every hand-over (Qt's event queue locks where it cannot look). Whatever ends the work (a failure,
// an instrument fault, Stop), the test it runs on the board is stopped before Run returns.

#include "rftest/RfSteps.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>

class ConsoleSession;
class QWidget;

namespace kel {
class CommandContext;
}

struct JobEnd {
    kel::rftest::Failure failure = nullptr; // the board's
    std::string instrumentError;            // the instrument's, naming it
    bool stopped = false;                   // Stop, Escape or closing the window
};

class CalibrationJob {
public:
    // started: what the work has switched on at the board, or will before
    // its next exchange (None until it touches the board).
    using Work = std::function<kel::rftest::Failure(kel::CommandContext& board,
                                                    kel::rftest::RunningTest& started)>;

    explicit CalibrationJob(ConsoleSession& session) : session_(session) {}

    // Runs work for window. Returns once the work has ended and everything
    // it posted has been shown.
    JobEnd Run(QWidget& window, const Work& work);

    // For the worker: show runs on the GUI thread, after what came before.
    void Post(std::function<void()> show);

private:
    void ShowPosted();

    ConsoleSession& session_;
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};
