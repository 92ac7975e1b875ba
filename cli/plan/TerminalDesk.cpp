// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/TerminalDesk.h"

#include <algorithm>
#include <poll.h>
#include <unistd.h>

namespace kel::cli {

namespace {

// How often the reader looks whether the session ended.
constexpr int kLookAgainMs = 200;

} // namespace

class TerminalDesk::Slot : public plan::OperatorDesk {
public:
    Slot(TerminalDesk& desk, std::string name) : desk_(desk), name_(std::move(name)) {}

    std::optional<std::string> Serial(const plan::DutRule& rule,
                                      const plan::DeskWait& wait) override {
        if (!desk_.scan_ && !rule.required)
            return std::string();
        const std::string shape = rule.pattern.empty() ? "" : " (" + rule.pattern + ")";
        return desk_.Ask(answer_, name_ + ": scan the serial number" + shape + " and Enter", wait);
    }
    void Refused(const std::string& code, const std::string& why) override {
        desk_.say_(name_ + ": REFUSED " + code + ": " + why + "; the board is not tested");
    }
    bool Prompt(const std::string& text, bool confirm, const plan::DeskWait& wait) override {
        if (!confirm) {
            desk_.say_(name_ + ": " + text);
            return true;
        }
        return desk_.Ask(answer_, name_ + ": " + text + ", then Enter", wait).has_value();
    }

private:
    TerminalDesk& desk_;
    const std::string name_;
    plan::OperatorAnswer answer_;
};

TerminalDesk::TerminalDesk(int input, bool scan, std::vector<std::string> names,
                           std::function<void(const std::string&)> say)
    : input_(input), scan_(scan), say_(std::move(say)) {
    for (std::string& name : names)
        slots_.push_back(std::make_unique<Slot>(*this, std::move(name)));
}

TerminalDesk::~TerminalDesk() {
    reader_.request_stop();
}

std::vector<plan::OperatorDesk*> TerminalDesk::Desks() {
    std::vector<plan::OperatorDesk*> desks;
    for (const auto& slot : slots_)
        desks.push_back(slot.get());
    return desks;
}

std::optional<std::string> TerminalDesk::Ask(plan::OperatorAnswer& answer,
                                             const std::string& question,
                                             const plan::DeskWait& wait) {
    answer.Clear();
    say_(question);
    {
        std::lock_guard lock(mutex_);
        // The terminal is read only once a question needs it.
        if (!reader_.joinable())
            reader_ = std::jthread([this](std::stop_token stop) { Read(stop); });
        if (typedAhead_.empty()) {
            asking_.push_back(&answer);
        } else {
            answer.Give(std::move(typedAhead_.front()));
            typedAhead_.pop_front();
        }
    }
    std::optional<std::string> given = answer.Await(wait);
    std::lock_guard lock(mutex_);
    asking_.erase(std::remove(asking_.begin(), asking_.end(), &answer), asking_.end());
    return given;
}

void TerminalDesk::Answer(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (asking_.empty()) {
        typedAhead_.push_back(line);
        return;
    }
    plan::OperatorAnswer* first = asking_.front();
    asking_.pop_front();
    first->Give(line);
}

void TerminalDesk::Read(std::stop_token stop) {
    std::string line;
    char chunk[256];
    while (!stop.stop_requested()) {
        pollfd watched{input_, POLLIN, 0};
        if (poll(&watched, 1, kLookAgainMs) <= 0)
            continue;
        const ssize_t got = read(input_, chunk, sizeof chunk);
        if (got <= 0)
            return; // the input ended: nobody answers any more
        for (ssize_t i = 0; i < got; ++i) {
            if (chunk[i] == '\r')
                continue;
            if (chunk[i] != '\n') {
                line += chunk[i];
                continue;
            }
            Answer(line);
            line.clear();
        }
    }
}

} // namespace kel::cli
