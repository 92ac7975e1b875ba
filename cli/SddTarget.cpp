// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SddTarget.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kel::cli {

namespace {
std::string Reason(const std::string& path) {
    return "cannot create the SDD file " + path + ": " + std::strerror(errno);
}
} // namespace

SddTarget::~SddTarget() {
    if (fd_ >= 0)
        close(fd_);
    if (!temporary_.empty())
        unlink(temporary_.c_str());
}

bool SddTarget::Create(const std::string& path, std::string& why) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        errno = EISDIR;
        why = Reason(path);
        return false;
    }
    std::vector<char> name(path.begin(), path.end());
    const std::string suffix = ".partXXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        why = Reason(path);
        return false;
    }
    temporary_ = name.data();
    path_ = path;
    // As a file created the ordinary way would be, not private to its owner.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    return true;
}

bool SddTarget::Commit(std::string& why) {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        why = Reason(path_);
        return false;
    }
    temporary_.clear();
    return true;
}

} // namespace kel::cli
