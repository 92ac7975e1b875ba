// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/FreeSpace.h"

#include <cstdio>
#include <sys/statvfs.h>

namespace kel::results {

namespace {

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

} // namespace

std::optional<std::string> FreeSpaceProblem(const std::filesystem::path& file,
                                            std::uint64_t minimum) {
    // The store and its folder may not exist yet: ask the disk they will be on.
    std::filesystem::path at = std::filesystem::absolute(file);
    std::error_code ignored;
    while (!std::filesystem::exists(at, ignored) && at.has_parent_path() && at != at.parent_path())
        at = at.parent_path();
    struct statvfs disk {};
    if (::statvfs(at.c_str(), &disk) != 0)
        return std::nullopt;
    const std::uint64_t free = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    if (free >= minimum)
        return std::nullopt;
    return Megabytes(free) + " free on the disk of " + file.string() + ", at least " +
           Megabytes(minimum) + " needed";
}

} // namespace kel::results
