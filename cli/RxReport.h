// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How an RX point is told: a readable line, and a CSV row written as each
// point is measured.

#include "cli/Invocation.h"
#include "cli/ResultSchema.h"

#include <fstream>
#include <string>

namespace kel::cli {

// "channel 6, 54.0 Mbit/s, total 990, ..., PER 2.00 %", then ": PASS" or
// ": FAIL" when it was judged.
std::string PointText(const rftest::Measurement& rx);

// The sweep's points as CSV, a row written and flushed as each is measured.
class SweepCsv {
public:
    // Creates the file and writes the header; an existing file is refused,
    // replaced or added to (when its columns are these), as mode says. False
    // with the reason in why.
    bool Open(const std::string& path, CsvMode mode, std::string& why);
    // False once a row could not be written (a full disk, say).
    bool Write(const RunFacts& facts, const rftest::Measurement& rx);

private:
    std::ofstream file_;
};

} // namespace kel::cli
