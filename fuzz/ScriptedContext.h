// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command context of the exchange fuzzer: a string log pane that checks
// the pane rule as it goes (a reply line never lands on a full pane; the pane
// is never emptied before it is full) and writes every append to the line's
// transcript.

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScriptedLine.h"
#include "protocol/CommandContext.h"
#include "protocol/CommandExchange.h"

#include <string>

namespace kel::fuzz {

class ScriptedContext : public CommandContext {
public:
    ScriptedContext(SerialPort& port, int chipModel, ScriptedLine& line)
        : port_(port), chipModel_(chipModel), line_(line) {}

    SerialPort& Port() override { return port_; }
    int ChipModelIndex() const override { return chipModel_; }

    void AppendLog(const std::string& text) override {
        // Reply lines come as "<line>\r\n"; command echoes end in a bare line feed.
        const bool replyLine = text.ends_with("\r\n");
        if (replyLine)
            Require(pane_.size() < kLogPaneLimit, "a reply line went onto a full log pane");
        pane_ += text;
        line_.RecordLog(replyLine ? TranscriptEntry::ReplyLine : TranscriptEntry::Echo, text);
    }
    std::size_t LogLength() const override { return pane_.size(); }
    void ClearLog() override {
        Require(pane_.size() >= kLogPaneLimit, "the log pane was emptied before it was full");
        pane_.clear();
    }

    // Text already in the pane when the command starts.
    void Prefill(std::size_t length) { pane_.assign(length, '.'); }

private:
    SerialPort& port_;
    int chipModel_;
    ScriptedLine& line_;
    std::string pane_;
};

} // namespace kel::fuzz
