// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Diagnostics for developers from the layers without Qt: an ioctl whose
// failure is passed over, a reader that gave up, the watchdog starting and
// stopping. They never reach the user's log; a front end may install a sink
// (the console routes them into its logging categories kel.serial and
// kel.protocol, off unless QT_LOGGING_RULES turns them on).

#include <string>

namespace kel {

enum class DebugArea { Serial, Protocol };

using DebugSink = void (*)(DebugArea area, const std::string& message);

// nullptr removes the sink. Any thread may note something meanwhile.
void SetDebugSink(DebugSink sink) noexcept;

// Hands the message to the sink, if one is installed.
void DebugNote(DebugArea area, const std::string& message);

// "TIOCEXCL: Inappropriate ioctl for device": a call and its errno's text.
std::string WithErrno(const std::string& what, int error);

} // namespace kel
