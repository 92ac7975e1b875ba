// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command context of a front end without a log pane (kel-rftest, a
// plan's board): nothing to keep, but a step can collect the reply lines of
// its exchange.

#include "protocol/CommandContext.h"

#include <string>
#include <vector>

namespace kel::rftest {

class FrontEndContext : public CommandContext {
public:
    FrontEndContext(SerialPort& port, int chipModelRow) : port_(port), chipModelRow_(chipModelRow) {}

    SerialPort& Port() override { return port_; }
    int ChipModelIndex() const override { return chipModelRow_; }
    void AppendLog(const std::string& text) override;
    std::size_t LogLength() const override { return 0; }
    void ClearLog() override {}

    // Reply lines, without their line end, from the next one read on.
    void CollectReplies() { replies_.clear(), collecting_ = true; }
    const std::vector<std::string>& Replies() const { return replies_; }

private:
    SerialPort& port_;
    int chipModelRow_;
    bool collecting_ = false;
    std::vector<std::string> replies_;
};

} // namespace kel::rftest
