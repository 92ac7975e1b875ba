// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which other programs have a serial device open. Our exclusive open (a lock
// and TIOCEXCL) keeps out programs that honour them, but a terminal program
// that opened the port before us without a lock still reads the board's
// replies: it is found as fuser finds it, through /proc/*/fd.

#include <string>
#include <vector>

namespace kel {

struct PortHolder {
    int pid = 0;
    std::string program; // its command name
};

// The processes other than this one that have the device at path open. On a
// pseudo-terminal the process that holds its other end (the board's side)
// does not count. Processes we may not look into are missed.
std::vector<PortHolder> OtherHolders(const std::string& path);

// "minicom (PID 4242)", several joined with ", ".
std::string HoldersText(const std::vector<PortHolder>& holders);

} // namespace kel
