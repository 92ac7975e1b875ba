// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator at a station's slot, as the slot's thread asks them: each
// board's serial number before its test (a barcode scanner types it), and a
// prompt step's text, confirmed when the step asks. A front end (the
// terminal, the station window) implements it; OperatorAnswer carries the
// answer from the front end's thread to the waiting slot.

#include "plan/Plan.h"
#include "plan/RunControl.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace kel::plan {

// What ends an operator's wait besides the answer: the run's cancel, and the
// board taken out of its fixture meanwhile (boardGone, looked at every
// kLookForRemoval while the wait lasts; empty: no board to watch).
struct DeskWait {
    RunControl& control;
    std::function<bool()> boardGone = {};
};

inline constexpr std::chrono::milliseconds kLookForRemoval{250};

class OperatorDesk {
public:
    virtual ~OperatorDesk() = default;
    // The board's serial, "" for none; nothing when the run was cancelled or
    // the board taken out first. The slot checks it against the rule and
    // asks again after Refused.
    virtual std::optional<std::string> Serial(const DutRule& rule, const DeskWait& wait) = 0;
    virtual void Refused(const std::string& code, const std::string& why) = 0;
    // Shows the text; with confirm, waits for the operator's OK. False when
    // the run was cancelled or the board taken out first.
    virtual bool Prompt(const std::string& text, bool confirm, const DeskWait& wait) = 0;
};

// One answer a desk waits for, given from any thread.
class OperatorAnswer {
public:
    void Give(std::string answer);
    // Forgets an answer given before it was asked for.
    void Clear();
    // Waits for the answer and takes it; nothing when the run is cancelled
    // or the board taken out first.
    std::optional<std::string> Await(const DeskWait& wait);

private:
    std::mutex mutex_;
    std::optional<std::string> answer_;
    RunControl* waiting_ = nullptr;
};

// The board's serial as the operator gives it, asked again until the rule
// takes it; nothing when the run is cancelled or the board taken out first.
std::optional<std::string> SerialFrom(OperatorDesk& desk, const DutRule& rule,
                                      const DeskWait& wait);

} // namespace kel::plan
