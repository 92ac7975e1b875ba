// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Puts an open terminal device into raw mode with the given line settings.
// The rate is set through termios2 so any rate works, non-standard ones too;
// that code lives in its own file because <asm/termbits.h> cannot share one
// with <termios.h>.

#include "serial/LineDefinition.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kel {

// Raw mode, VMIN=1/VTIME=0, receiver on, modem control lines ignored, no flow
// control, and the modem lines as asked (a device without them is no
// failure). False when the driver refuses the settings.
bool ApplyLineSettings(int fd, const LineSettings& line);

// Applies the parsed definition, or the fallback line when the definition is
// empty, cannot be parsed or is refused. Returns what was applied.
LineSettings ConfigureLine(int fd, std::string_view definition);

// The output rate the driver reports now, or nullopt when it cannot be read.
std::optional<std::uint32_t> ReadLineSpeed(int fd);

// Drops what the receive queue holds (errors ignored: a gone device has none).
void FlushInput(int fd);
// Drops both queues.
void FlushBoth(int fd);

} // namespace kel
