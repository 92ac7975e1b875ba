// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the protocol layer needs of its owner: the port and the chip model,
// and a log pane it can append to, measure and empty. The console's dialog
// implements it; tests use StringLogContext.
//
// Log text is passed as bytes: a command as written, a reply line as read.
// How bytes show is the owner's business (the console: UTF-8 where valid,
// byte for byte where not), and LogLength counts in the owner's units, which
// the pane limit is compared with (the console: characters shown;
// StringLogContext: bytes).

#include <chrono>
#include <cstddef>
#include <string>

namespace kel {

class SerialPort;

// How long a wait for an awaited line may go on receiving other lines: a
// chattering board then gives up as a silent one does.
struct ChatterBound {
    std::chrono::milliseconds time{60'000};
    int lines = 2000;
};

class CommandContext {
public:
    virtual ~CommandContext() = default;

    virtual SerialPort& Port() = 0;
    // The selected chip model row 0..3, or -1 while none is chosen.
    virtual int ChipModelIndex() const = 0;

    // Appends at the end of the pane, whatever its length.
    virtual void AppendLog(const std::string& text) = 0;
    virtual std::size_t LogLength() const = 0;
    virtual void ClearLog() = 0;

    // Tests shorten it.
    ChatterBound chatterBound;
};

// A context whose log pane is a string: for tests, benchmarks and scripts.
class StringLogContext : public CommandContext {
public:
    StringLogContext(SerialPort& port, int chipModel) : chipModelIndex(chipModel), port_(port) {}

    SerialPort& Port() override { return port_; }
    int ChipModelIndex() const override { return chipModelIndex; }
    void AppendLog(const std::string& text) override { log += text; }
    std::size_t LogLength() const override { return log.size(); }
    void ClearLog() override { log.clear(); }

    int chipModelIndex;
    std::string log;

private:
    SerialPort& port_;
};

} // namespace kel
