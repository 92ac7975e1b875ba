// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where sdd-export writes: a temporary file beside the target, made before
// the board is asked, that takes the target's name only when the whole dump
// has arrived. A failed export leaves an existing file as it was and no
// half-written one.

#include <string>

namespace kel::cli {

class SddTarget {
public:
    SddTarget() = default;
    ~SddTarget();
    SddTarget(const SddTarget&) = delete;
    SddTarget& operator=(const SddTarget&) = delete;

    // False with the reason in why when no file can be made there.
    bool Create(const std::string& path, std::string& why);
    int fd() const { return fd_; }
    // Closes the file and gives it the target's name; false with the reason.
    bool Commit(std::string& why);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

} // namespace kel::cli
