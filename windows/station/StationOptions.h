// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kelGuiTool --station PLAN --slot NAME=PORT [--slot ...] [--operator NAME]
// [--fullscreen]: the station window alone, without the console. The words
// are read before Qt starts, so a mistake is said on standard error with the
// plan's errors at their file:line:column, and nothing opens.

#include "windows/station/StationWindow.h"

#include <optional>
#include <string>
#include <vector>

struct StationOptions {
    std::string planPath;
    std::vector<std::pair<std::string, std::string>> fixtures; // name, port as given
    std::string operatorName;
    bool fullscreen = false;
    // No slot given: the start form asks for them.
    bool Complete() const { return !fixtures.empty(); }
};

// Nothing when the words do not ask for a station (and error stays empty);
// nothing with error set when they ask wrongly.
std::optional<StationOptions> ReadStationOptions(const std::vector<std::string>& args,
                                                 std::string& error);

// The plan read and checked, the ports as device paths, the results store
// KEL_RESULTS names (else the default file); nothing with every error a line.
std::optional<StationSetup> StationSetupFor(const StationOptions& options, std::string& errors);

// Without slots: the start form, its plan and operator filled in, then the
// station it starts.
int RunStationStart(const StationOptions& options);

// Shows the window (full screen when asked), asks the operator's name when
// it was not given, and runs until the window is closed.
int RunStation(StationSetup setup, bool fullscreen);
