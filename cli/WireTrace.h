// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// -v: every line written (">") and read ("<") on standard error as it crossed
// the line, with the session log's escaping (\r, \0, \xNN, \\), so a CR, a
// NUL or a stray byte shows. The line feed that ends a line is the trace's
// own line end.

#include "serial/SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace kel::cli {

class WireTrace {
public:
    explicit WireTrace(std::ostream& err) : err_(err) {}
    ~WireTrace() { EndReceivedLine(); }
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    // What the port's traffic tap sees.
    void Saw(Traffic direction, const std::uint8_t* bytes, std::size_t count);

private:
    void Line(const char* mark, std::string bytes);
    void EndReceivedLine();

    std::ostream& err_;
    std::string received_; // the reply line still coming
};

} // namespace kel::cli
