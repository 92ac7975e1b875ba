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

std::optional<std::string> OperatorAnswer::Await(RunControl& control) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = &control;
    }
    // The control's lock is taken before ours in ready(), never after it.
    const bool answered = control.AwaitUntil([this] {
        std::lock_guard lock(mutex_);
        return answer_.has_value();
    });
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    if (!answered)
        return std::nullopt;
    return std::exchange(answer_, std::nullopt);
}

std::optional<std::string> SerialFrom(OperatorDesk& desk, const DutRule& rule,
                                      RunControl& control) {
    for (;;) {
        std::optional<std::string> code = desk.Serial(rule, control);
        if (!code)
            return std::nullopt;
        const std::string why = rule.Refusal(*code);
        if (why.empty())
            return code;
        desk.Refused(*code, why);
    }
}

} // namespace kel::plan
