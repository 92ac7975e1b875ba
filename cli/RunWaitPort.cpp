// SPDX-License-Identifier: GPL-3.0-or-later
// --wait-port: the run sleeps until its device is there and opens (a board
// being plugged in), then goes on as usual. Ctrl+C ends the wait at once.

#include "cli/Run.h"

#include <sstream>

namespace kel::cli {

bool Run::OpenOrWait(const std::string& path) {
    if (!run_.waitForPort)
        return port_.Open(path, run_.baud) == 0;
    interruption_.Watch(&port_);
    if (interruption_.Requested())
        port_.RequestCancel();
    std::ostringstream bound;
    if (run_.waitBound)
        bound << "up to " << run_.waitBound->count() / 1000.0 << " s";
    else
        bound << "for ever";
    report_.Note("kel-rftest: waiting for " + path + " to appear and open (" + bound.str() +
                 "; Ctrl+C stops)");
    switch (port_.OpenWhenPresent(path, run_.baud, run_.waitBound)) {
    case SerialPort::WaitEnd::Opened:
        return true;
    case SerialPort::WaitEnd::Cancelled:
        report_.Failure("interrupted");
        return false;
    case SerialPort::WaitEnd::TimedOut:
    case SerialPort::WaitEnd::Refused:
        break;
    }
    return false;
}

} // namespace kel::cli
