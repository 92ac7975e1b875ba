// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the disk a store lives on has room for a run: checked before the
// boards are tested, where a full disk costs nothing yet.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kel::results {

// Below this a run would likely lose rows to a full disk.
inline constexpr std::uint64_t kMinimumFreeBytes = 5u * 1024 * 1024;

// Why the disk of file (or of its nearest existing folder) is too full to
// record, with the figure ("2.1 MB free on the disk of /data/results.sqlite,
// at least 5.0 MB needed"); nothing when there is room or the disk cannot be
// asked (the store then tells its own failure).
std::optional<std::string> FreeSpaceProblem(const std::filesystem::path& file,
                                            std::uint64_t minimum = kMinimumFreeBytes);

} // namespace kel::results
