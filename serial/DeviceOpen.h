// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening a serial device for this program alone. TIOCEXCL by itself does not
// stop root, so the device is also locked with flock, which holds across
// processes and for root; a holder that only set TIOCEXCL is seen through
// TIOCGEXCL. A pseudo-terminal gets the flock alone: its TIOCEXCL would
// outlive a holder killed before it could close.

#include "serial/SerialPort.h"

#include <string>

namespace kel {

// The open, locked, non-blocking descriptor, or -1 with the reason in *why.
int OpenExclusive(const std::string& path, OpenError* why);

// Releases the exclusive mode (sticky on a pseudo-terminal) and closes.
void CloseExclusive(int fd);

} // namespace kel
