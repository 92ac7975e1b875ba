// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortNaming.h"

namespace kel {

std::string DevicePathFor(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::string path(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
    if (path.find('/') != std::string::npos)
        return path;
    return "/dev/" + path;
}

std::string OpenFailureLine(OpenError why, const std::string& path) {
    switch (why) {
    case OpenError::NoSuchDevice:
        return "Cannot open " + path + ": no such device.\r\n";
    case OpenError::PermissionDenied:
        return "Cannot open " + path +
               ": permission denied. Join the dialout group (sudo usermod -aG dialout $USER) "
               "and log in again.\r\n";
    case OpenError::Busy:
        return "Cannot open " + path + ": held by another program.\r\n";
    case OpenError::None:
    case OpenError::Other:
        break;
    }
    return "Cannot open " + path + ": not a serial device, or it cannot be opened.\r\n";
}

} // namespace kel
