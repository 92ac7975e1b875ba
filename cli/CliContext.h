#pragma once
// The command context of kel-rftest: no log pane to keep, but with --verbose
// every command line sent and reply line read goes to standard error, and a
// subcommand can collect the reply lines of its exchange.

#include "protocol/CommandContext.h"

#include <ostream>
#include <string>
#include <vector>

namespace kel::cli {

class CliContext : public CommandContext {
public:
    CliContext(SerialPort& port, int chipModelRow, std::ostream* trace)
        : port_(port), chipModelRow_(chipModelRow), trace_(trace) {}

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
    std::ostream* trace_;
    bool collecting_ = false;
    std::vector<std::string> replies_;
};

} // namespace kel::cli
