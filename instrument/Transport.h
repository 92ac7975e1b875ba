// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How SCPI text reaches an instrument: one small interface, so that another
// link (VXI-11, USB-TMC) slots in beside raw TCP without touching the
// session above it. Every failure is an InstrumentError naming Describe().

#include <chrono>
#include <string>
#include <string_view>

namespace kel::instrument {

class Transport {
public:
    virtual ~Transport() = default;

    // Connects, within the time-out; a transport already open is reopened.
    virtual void Open(std::chrono::milliseconds timeout) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sends every byte.
    virtual void Write(std::string_view bytes) = 0;
    // The bytes up to the terminator (left out), waiting at most the time-out
    // for all of them. Bytes after it stay for the next read.
    virtual std::string ReadLine(std::string_view terminator,
                                 std::chrono::milliseconds timeout) = 0;
    // Names the instrument in messages: its URL.
    virtual std::string Describe() const = 0;
};

} // namespace kel::instrument
