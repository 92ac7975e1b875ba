// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command context of kel-rftest: no log pane to keep, but a subcommand
// can collect the reply lines of its exchange. (-v traces the line itself:
// WireTrace.)

#include "protocol/CommandContext.h"

#include <string>
#include <vector>

namespace kel::cli {

class CliContext : public CommandContext {
public:
    CliContext(SerialPort& port, int chipModelRow) : port_(port), chipModelRow_(chipModelRow) {}

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

} // namespace kel::cli
