// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Instrument profiles read from TOML and checked the way plans are: every
// error at once, each as file:line:column with what was expected (unknown
// tables and keys, a placeholder the action does not fill, a measurement
// that asks nothing, an incomplete role).

#include "instrument/Profile.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel::instrument {

struct ProfileError {
    std::string file;
    int line = 0; // from 1; 0 for the file as a whole
    int column = 0;
    std::string message;

    // "scpi.toml:7:11: counter.measure: {dbm} is not filled in here (it takes {hz})"
    std::string Text() const;
};

// Profiles are a few lines; anything larger is not one.
inline constexpr std::size_t kMaxProfileBytes = 64 * 1024;

// The profile, or nothing with every error found.
std::optional<Profile> ReadProfile(const std::string& path, std::vector<ProfileError>& errors);
std::optional<Profile> ParseProfile(std::string_view text, const std::string& path,
                                    std::vector<ProfileError>& errors);

// The actions a use of the profile needs that it lacks, as errors naming
// the user (a step or a subcommand).
std::vector<ProfileError> MissingActions(const Profile& profile, std::span<const Action> needed,
                                         std::string_view user);

} // namespace kel::instrument
