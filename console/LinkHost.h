// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link watcher asks of the console that owns it: the state of the
// connection it follows, a line for the log pane, and where to turn when the
// idle line hangs up or the board comes back. The dialog implements it; the
// watcher holds this and never the dialog, so it calls nothing above itself.

#include "serial/SerialPort.h"

#include <string>

namespace kel {

class LinkHost {
public:
    virtual ~LinkHost() = default;

    virtual bool Connected() const = 0;
    // A control's handler runs: the line is the handler's until it ends.
    virtual bool InHandler() const = 0;
    // "TX", "RX" or "tone" while that test runs on the board, else "".
    virtual const char* RunningTest() const = 0;
    // The port of the connection: the path it opened, its descriptor.
    virtual SerialPort& Port() = 0;
    virtual void AppendLog(const std::string& text) = 0;

    // The line hung up with no handler running: the connection ends as after
    // a hang-up under a handler.
    virtual void LinkLost() = 0;
    // The board is back at path (the log pane says so already): the port field
    // shows the path, and with reconnect the console connects there again.
    virtual void LinkBack(const std::string& path, bool reconnect) = 0;

protected:
    LinkHost() = default;
    LinkHost(const LinkHost&) = default;
    LinkHost& operator=(const LinkHost&) = default;
};

} // namespace kel
