// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a profile named on a command line or in a plan is: a path when it
// looks like one (has a slash or ends in .toml), else NAME.toml in the
// user's folder ($XDG_CONFIG_HOME/kelGuiTool/instruments, so a station adds
// its own boxes) and then in the profiles shipped beside the program
// (../share/kelguitool/instruments from its own folder, which holds both in
// an installed tree and in the build tree).

#include "instrument/Profile.h"
#include "instrument/ProfileReader.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::instrument {

inline constexpr char kDefaultProfile[] = "scpi";

// The folders searched for a name, in order.
std::vector<std::string> ProfileFolders();

// The profile's file, or nothing with the reason (the folders searched) in error.
std::optional<std::string> FindProfile(std::string_view nameOrFile, std::string& error);

// Found and read; errors as the checker gives them.
std::optional<Profile> LoadProfile(std::string_view nameOrFile, std::vector<ProfileError>& errors);

} // namespace kel::instrument
