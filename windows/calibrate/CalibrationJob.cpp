// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/calibrate/CalibrationJob.h"

#include "instrument/InstrumentError.h"
#include "rftest/LateReply.h"
#include "serial/SerialPort.h"
#include "windows/ConsoleSession.h"
#include "windows/calibrate/WorkerBoard.h"

#include <QWidget>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kTick{15};

// The board's test off again, unless the line is gone. The stop has waits of
// its own, which a second Stop cancels again.
void StopOnBoard(kel::CommandContext& board, kel::rftest::RunningTest test) {
    kel::SerialPort& port = board.Port();
    if (!port.IsOpen() || port.HungUp())
        return;
    port.ClearCancel();
    kel::rftest::TakeLateReply(board);
    if (kel::rftest::StopRunningTest(board, test) != nullptr)
        board.AppendLog("The test may still run on the board: its stop was not acknowledged.\r\n");
}

} // namespace

void CalibrationJob::Post(std::function<void()> show) {
    const std::lock_guard lock(mutex_);
    posted_.push_back(std::move(show));
}

void CalibrationJob::ShowPosted() {
    std::deque<std::function<void()>> shown;
    {
        const std::lock_guard lock(mutex_);
        shown.swap(posted_);
    }
    for (const std::function<void()>& show : shown)
        show();
}

JobEnd CalibrationJob::Run(QWidget& window, const Work& work) {
    JobEnd end;
    session_.RunStep([&] {
        session_.LockTestControls(&window);
        WorkerBoard board(session_.Board(),
                          [this](std::function<void()> show) { Post(std::move(show)); });
        std::atomic<bool> done{false};
        std::jthread worker([&] {
            auto started = kel::rftest::RunningTest::None;
            try {
                end.failure = work(board, started);
            } catch (const kel::instrument::InstrumentError& error) {
                end.instrumentError = error.what();
            }
            const bool cancelled = board.Port().CancelRequested();
            if (started != kel::rftest::RunningTest::None &&
                (end.failure || !end.instrumentError.empty() || cancelled))
                StopOnBoard(board, started);
            end.stopped = cancelled;
            done = true;
        });
        while (!done) {
            // Cancelled, the waits no longer tick by themselves.
            if (!session_.WaitTicking(kTick))
                std::this_thread::sleep_for(kTick);
            ShowPosted();
        }
        worker.join();
        // The last of what the worker posted, before the window sums up.
        ShowPosted();
        session_.LockTestControls(nullptr);
    });
    return end;
}
