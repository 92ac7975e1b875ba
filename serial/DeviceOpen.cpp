// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceOpen.h"

#include "DebugLog.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kel {

namespace {

OpenError FromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return OpenError::NoSuchDevice;
    case EACCES:
    case EPERM:
        return OpenError::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenError::Busy;
    default:
        return OpenError::Other;
    }
}

// Unix 98 pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

// On a pseudo-terminal the exclusive flag outlives a holder that dies without
// closing (SIGKILL): every later open would be refused while the master
// lives. The flock goes with its holder, so it alone keeps others out there.
bool IsPseudoTerminalSlave(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned deviceMajor = major(st.st_rdev);
    return deviceMajor >= kPtySlaveMajorFirst && deviceMajor <= kPtySlaveMajorLast;
}

int Fail(int fd, OpenError reason, OpenError* why) {
    if (fd >= 0)
        close(fd);
    if (why)
        *why = reason;
    return -1;
}

} // namespace

int OpenExclusive(const std::string& path, OpenError* why) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(-1, FromErrno(errno), why);
    if (!isatty(fd))
        return Fail(fd, OpenError::Other, why);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Fail(fd, FromErrno(errno), why);
    int heldExclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &heldExclusive) == 0 && heldExclusive != 0)
        return Fail(fd, OpenError::Busy, why);
    // ENOTTY/EINVAL on odd devices: the flock still holds.
    if (!IsPseudoTerminalSlave(fd) && ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        DebugNote(DebugArea::Serial, WithErrno(path + ": TIOCEXCL passed over", error));
    }
    if (why)
        *why = OpenError::None;
    return fd;
}

void CloseExclusive(int fd) {
    if (fd < 0)
        return;
    // A device gone already refuses it; closing is all that is left to do.
    if (ioctl(fd, TIOCNXCL) != 0) {
        const int error = errno;
        DebugNote(DebugArea::Serial, WithErrno("TIOCNXCL passed over", error));
    }
    close(fd); // drops the flock too
}

} // namespace kel
