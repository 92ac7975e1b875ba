// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/OperatorDesk.h"

namespace kel::plan {

void OperatorAnswer::Give(std::string answer) {
    RunControl* waiting = nullptr;
    {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
        waiting = waiting_;
    }
    if (waiting != nullptr)
        waiting->Wake();
}

void OperatorAnswer::Clear() {
    std::lock_guard lock(mutex_);
    answer_.reset();
}

std::optional<std::string> OperatorAnswer::Await(const DeskWait& wait) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = &wait.control;
    }
    // The control's lock is taken before ours in ready(), never after it.
    const auto ready = [this] {
        std::lock_guard lock(mutex_);
        return answer_.has_value();
    };
    bool answered = false;
    if (!wait.boardGone) {
        answered = wait.control.AwaitUntil(ready);
    } else {
        while (!(answered = wait.control.AwaitUntil(ready, kLookForRemoval))) {
            if (wait.control.Cancelled() || wait.boardGone())
                break;
        }
    }
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    if (!answered)
        return std::nullopt;
    return std::exchange(answer_, std::nullopt);
}

std::optional<std::string> SerialFrom(OperatorDesk& desk, const DutRule& rule,
                                      const DeskWait& wait) {
    for (;;) {
        std::optional<std::string> code = desk.Serial(rule, wait);
        if (!code)
            return std::nullopt;
        const std::string why = rule.Refusal(*code);
        if (why.empty())
            return code;
        desk.Refused(*code, why);
    }
}

} // namespace kel::plan
