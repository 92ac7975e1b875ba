// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LinkWatch.h"

#include <cmath>
#include <cstdio>

namespace kel::cli {

void LinkWatch::Saw(Traffic direction) {
    lastTraffic_ = Clock::now();
    if (direction == Traffic::Sent)
        lastCommand_ = lastTraffic_;
    answered_ = direction == Traffic::Received;
    waitingInSilence_ = false;
    noted_ = false;
}

void LinkWatch::Tick() {
    waitingInSilence_ = true;
    const Clock::duration silence = Clock::now() - lastTraffic_;
    if (settings_.note && !noted_ && silence >= kNoteAfter) {
        noted_ = true;
        settings_.note("kel-rftest: waiting for the board on " + portName_ +
                       " (no answer yet)\u2026");
    }
    if (settings_.timeout && !gaveUp_ && silence >= *settings_.timeout) {
        gaveUp_ = true;
        port_.RequestCancel();
    }
}

std::string LinkWatch::SilenceReason() const {
    if (!waitingInSilence_ || answered_)
        return {};
    return "no answer from the board in " + SecondsText(Clock::now() - lastCommand_) + " s";
}

std::string SecondsText(LinkWatch::Clock::duration duration) {
    const double seconds = std::chrono::duration<double>(duration).count();
    char text[32];
    if (seconds >= 9.95)
        std::snprintf(text, sizeof text, "%.0f", seconds);
    else
        std::snprintf(text, sizeof text, "%.1f", seconds);
    std::string result = text;
    if (result.ends_with(".0"))
        result.resize(result.size() - 2);
    return result;
}

} // namespace kel::cli
