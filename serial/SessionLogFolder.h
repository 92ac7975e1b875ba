// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where session logs are kept: one file per connection, named for the moment
// it began and the port, "2025-03-04_13-45-06_ttyUSB0.log", and removed once
// it has not been written for kSessionLogKeep.

#include "serial/SessionLog.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kel {

inline constexpr std::chrono::days kSessionLogKeep{90};

// $XDG_STATE_HOME/kelGuiTool/logs (~/.local/state/kelGuiTool/logs without
// it): where both front ends keep their session logs.
std::filesystem::path DefaultSessionLogFolder();

// Local time and the port's last path element ("port" when it has none).
std::string SessionLogName(SessionLog::Clock::time_point start, const std::string& portPath);
bool IsSessionLogName(std::string_view name);

// Removes the session logs of folder last written more than maxAge before
// now; other files are left alone. The number removed; a missing folder or a
// file that cannot be removed is no failure.
std::size_t PruneSessionLogs(const std::filesystem::path& folder, SessionLog::Clock::time_point now,
                             std::chrono::seconds maxAge = kSessionLogKeep);

} // namespace kel
