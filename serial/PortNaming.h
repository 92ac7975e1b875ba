// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a port the user names becomes a device path, and how a failed opening
// is put in plain words: the same for every front end.

#include "serial/SerialPort.h"

#include <string>
#include <string_view>

namespace kel {

// Surrounding blanks go, and a bare name such as "ttyUSB0" is taken from /dev.
// Empty text gives "".
std::string DevicePathFor(std::string_view text);

// One log line saying in plain words why a port could not be opened, ending
// in "\r\n" as the log pane's lines do.
std::string OpenFailureLine(OpenError why, const std::string& path);

} // namespace kel
