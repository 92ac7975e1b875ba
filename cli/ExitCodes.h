// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What kel-rftest's exit code tells a script (its --help lists them too).

namespace kel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoPort = 3;
inline constexpr int kExitPerLimit = 4;
// Tested, not recorded: the results store could not take every run (a full
// disk, a read-only or damaged file); also a store's disk too full to start.
inline constexpr int kExitNotRecorded = 5;
inline constexpr int kExitInterrupted = 130;

} // namespace kel::cli
