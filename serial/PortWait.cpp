// SPDX-License-Identifier: GPL-3.0-or-later
// SerialPort::OpenWhenPresent and WaitUntilGone: the waits for a device to
// appear and open, and for it to go away.

#include "DebugLog.h"
#include "SerialPort.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A node or link appearing, its mode changing (udev grants access a moment
// after the node exists), a holder closing it, the entry going; the folder
// itself going.
constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE |
                                        IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF;

// inotify watches on the folders on the way to a device, and the entry in
// each that leads on to it. Events about other entries (every close of
// /dev/null lands in /dev) are read and passed over.
class FolderWatch {
public:
    FolderWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~FolderWatch() {
        if (fd_ >= 0)
            close(fd_);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    int Descriptor() const { return fd_; }

    // Watches the deepest folder on the way to path that exists now (a
    // /dev/serial/by-id that udev has not made yet is watched from /dev).
    // True when the next folder on the way appeared before the watch was in
    // place: its creation was missed, so the caller must follow again.
    bool Follow(const fs::path& path) {
        fs::path entry = path;
        fs::path folder = path.parent_path();
        std::error_code error;
        while (!fs::is_directory(folder, error)) {
            if (folder == folder.parent_path())
                return false;
            entry = folder;
            folder = folder.parent_path();
        }
        const int wd = inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
        if (wd >= 0)
            entries_[wd].insert(entry.filename().string());
        return entry != path && fs::is_directory(entry, error);
    }

    // Reads the waiting events; true when one concerns a followed entry.
    bool Changed() {
        bool changed = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return changed;
            for (const char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                changed = changed || Concerns(*event);
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    bool Concerns(const inotify_event& event) const {
        // A watched folder gone or events lost: look again from the start.
        if (event.mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))
            return true;
        const auto entries = entries_.find(event.wd);
        return event.len > 0 && entries != entries_.end() && entries->second.contains(event.name);
    }

    int fd_;
    std::map<int, std::set<std::string>> entries_;
};

// The folders to watch: those on the way to the path as given and, when it
// is a link (a /dev/serial/by-id name), those on the way to the node.
// Follows again while folders appear under it (udev makes by-id and its link
// within microseconds).
void FollowPath(FolderWatch& watch, const std::string& portName) {
    std::error_code error;
    fs::path path = fs::absolute(portName, error).lexically_normal();
    if (error)
        path = portName;
    while (watch.Follow(path)) {
    }
    const fs::path node = fs::weakly_canonical(path, error);
    if (!error && node != path)
        while (watch.Follow(node)) {
        }
}

// The device a path leads to now (links followed); nothing when it leads
// nowhere.
std::optional<dev_t> DeviceAt(const std::string& portName) {
    struct stat status {};
    if (stat(portName.c_str(), &status) != 0)
        return std::nullopt;
    return S_ISCHR(status.st_mode) ? status.st_rdev : status.st_ino;
}

} // namespace

SerialPort::WaitEnd SerialPort::OpenWhenPresent(const std::string& portName, std::uint32_t baud,
                                                std::optional<std::chrono::milliseconds> bound) {
    const Clock::time_point deadline = bound ? Clock::now() + *bound : Clock::time_point::max();
    FolderWatch watch;
    for (;;) {
        if (CancelRequested())
            return WaitEnd::Cancelled;
        // Watched before the try, so nothing that happens after it is missed.
        FollowPath(watch, portName);
        if (Open(portName, baud) == 0)
            return WaitEnd::Opened;
        if (lastError_ == OpenError::Other)
            return WaitEnd::Refused; // there, but no serial device: waiting changes nothing
        if (watch.Descriptor() < 0) {
            DebugNote(DebugArea::Serial, WithErrno("no inotify to wait for " + portName, errno));
            return WaitEnd::Refused;
        }
        for (bool changed = false; !changed;) {
            int timeout = -1;
            if (bound) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
                if (left.count() <= 0)
                    return WaitEnd::TimedOut;
                timeout = static_cast<int>(std::min<long long>(left.count(), 60'000));
            }
            pollfd fds[2] = {{watch.Descriptor(), POLLIN, 0}, {wake_, POLLIN, 0}};
            if (poll(fds, wake_ >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR)
                return WaitEnd::Refused;
            if (fds[1].revents & POLLIN)
                DrainWakes();
            if (CancelRequested())
                return WaitEnd::Cancelled;
            changed = (fds[0].revents & POLLIN) && watch.Changed();
        }
    }
}

bool SerialPort::Gone(const std::string& portName) const {
    struct stat open {};
    if (handle < 0 || fstat(handle, &open) != 0)
        return true;
    const dev_t device = S_ISCHR(open.st_mode) ? open.st_rdev : open.st_ino;
    if (DeviceAt(portName) != device)
        return true;
    pollfd line{handle, 0, 0};
    return poll(&line, 1, 0) > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

SerialPort::GoneEnd SerialPort::WaitUntilGone(const std::string& portName) {
    // The device of the open line, not what the path leads to now: a board
    // swapped before this wait began must count as gone.
    struct stat open {};
    const std::optional<dev_t> device =
        handle >= 0 && fstat(handle, &open) == 0
            ? std::optional<dev_t>(S_ISCHR(open.st_mode) ? open.st_rdev : open.st_ino)
            : DeviceAt(portName);
    FolderWatch watch;
    for (;;) {
        if (CancelRequested())
            return GoneEnd::Cancelled;
        // Watched before the look, so nothing that happens after it is missed.
        FollowPath(watch, portName);
        if (!device || DeviceAt(portName) != device)
            return GoneEnd::Gone;
        if (watch.Descriptor() < 0 && handle < 0)
            return GoneEnd::Refused;
        // No events asked of the line: only its hang-up (or an error) wakes.
        pollfd fds[3] = {{wake_, POLLIN, 0}, {watch.Descriptor(), POLLIN, 0}, {handle, 0, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR)
            return GoneEnd::Refused;
        if (fds[0].revents & POLLIN)
            DrainWakes();
        if (CancelRequested())
            return GoneEnd::Cancelled;
        if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL))
            return GoneEnd::Gone;
        if (fds[1].revents & POLLIN)
            watch.Changed();
    }
}

} // namespace kel
