// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A session's counts as the station shows them: boards tested, passed,
// failed, errored, the first-pass yield (boards that passed on their first
// test, a board known by its serial) and boards per hour.

#include "plan/BoardOutcome.h"

#include <QString>
#include <chrono>
#include <set>
#include <string>

class StationCounters {
public:
    // A board's test ended; an interrupted one (Stop) is not counted.
    void Count(const std::string& serial, kel::plan::BoardVerdict verdict);

    int tested = 0;
    int passed = 0;
    int failed = 0;
    int errors = 0;

    // In percent; nothing before the first board.
    std::optional<double> FirstPassYield() const;
    // "tested 12 · passed 10 · failed 1 · errors 1 · first-pass yield 83.3 % · 41 boards/h"
    QString Text(std::chrono::steady_clock::duration session) const;

private:
    std::set<std::string> seen_; // serials tested before
    int boards_ = 0;             // distinct boards
    int firstPassed_ = 0;
};
