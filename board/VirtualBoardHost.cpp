#include "board/VirtualBoardHost.h"

#include "board/LineRate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace kel::board {

namespace {

// A new pseudo-terminal starts at 38400 bit/s; a rate that cannot be read is
// taken as that.
constexpr std::uint32_t kFallbackRate = 38400;

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

BoardModel::Options WithFault(BoardModel::Options options, const FaultMode& fault) {
    if (fault.kind == FaultKind::ErrorReplies)
        options.refuseCommands = true;
    return options;
}

} // namespace

VirtualBoardHost::VirtualBoardHost(FaultMode fault, BoardModel::Options options)
    : model_(WithFault(std::move(options), fault)), shaper_(fault) {
    if (!OpenPseudoTerminal())
        return;
    serving_ = true;
    thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

VirtualBoardHost::~VirtualBoardHost() {
    Stop();
}

bool VirtualBoardHost::OpenPseudoTerminal() {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        error_ = SystemError("eventfd");
        return false;
    }
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0) {
        error_ = SystemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        error_ = SystemError("pseudo-terminal set-up");
        return false;
    }
    // Held for the host's life: without it the first client to close the
    // port would hang up the line for everyone after it.
    slaveKeeper_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slaveKeeper_ < 0) {
        error_ = SystemError(name);
        return false;
    }
    slavePath_ = name;
    return true;
}

void VirtualBoardHost::Stop() {
    thread_.request_stop();
    if (wake_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
    }
    if (thread_.joinable())
        thread_.join();
    serving_ = false;
    for (int* fd : {&master_, &slaveKeeper_, &wake_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

BoardState VirtualBoardHost::State() const {
    std::lock_guard lock(modelMutex_);
    return model_.State();
}

void VirtualBoardHost::ModifyState(const std::function<void(BoardState&)>& change) {
    std::lock_guard lock(modelMutex_);
    change(model_.MutableState());
}

void VirtualBoardHost::GoSilent() {
    std::lock_guard lock(modelMutex_);
    shaper_ = FaultShaper(FaultMode{FaultKind::Silent});
}

void VirtualBoardHost::Serve(std::stop_token stop) {
    char buffer[512];
    while (!stop.stop_requested()) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break; // the line itself failed
        ShapedReply shaped;
        {
            std::lock_guard lock(modelMutex_);
            const Reply reply = model_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            // A slave still in its cooked start-up mode echoes what it receives
            // back to us: a reply would return as a command and answer itself
            // for ever. A client that has not set its port to raw hears nothing.
            if (reply.empty() || SlaveEchoes())
                continue;
            shaped = shaper_.Shape(reply);
        }
        if (!WriteReply(shaped, stop))
            break;
        if (shaped.hangUp) {
            close(master_);
            master_ = -1;
            hungUp_ = true;
            break;
        }
    }
    serving_ = false;
}

bool VirtualBoardHost::WriteReply(const ShapedReply& reply, std::stop_token stop) {
    for (const Emission& emission : reply.emissions) {
        if (!WritePaced(emission.bytes, stop))
            return false;
        if (emission.pauseAfter.count() > 0 && !Pause(emission.pauseAfter, stop))
            return false;
    }
    return true;
}

bool VirtualBoardHost::WritePaced(std::string_view bytes, std::stop_token stop) {
    std::uint32_t rate = ReadLineRate(slaveKeeper_);
    if (rate == 0)
        rate = kFallbackRate;
    const double secondsPerByte = 10.0 / rate;
    // About a millisecond of line time per write keeps the pacing smooth
    // without a system call per byte at high rates.
    const std::size_t chunk = std::max<std::size_t>(1, rate / 10 / 1000);
    const auto start = std::chrono::steady_clock::now();
    std::size_t written = 0;
    while (written < bytes.size()) {
        std::string_view part = bytes.substr(written, chunk);
        const std::size_t size = part.size();
        while (!part.empty()) {
            if (!WriteSome(part, stop))
                return false;
        }
        written += size;
        const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                     std::chrono::duration<double>(written * secondsPerByte));
        const auto ahead = due - std::chrono::steady_clock::now();
        if (ahead >= std::chrono::milliseconds(1) && !Pause(ahead, stop))
            return false;
    }
    return true;
}

bool VirtualBoardHost::WriteSome(std::string_view& bytes, std::stop_token stop) {
    const ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR)
        return false;
    // The client is not reading and the line's buffer is full: wait for room.
    pollfd fds[2] = {{master_, POLLOUT, 0}, {wake_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR)
        return false;
    return !stop.stop_requested() && fds[1].revents == 0;
}

bool VirtualBoardHost::Pause(std::chrono::steady_clock::duration duration, std::stop_token stop) {
    const auto until = std::chrono::steady_clock::now() + duration;
    while (!stop.stop_requested()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd wake{wake_, POLLIN, 0};
        const int ready =
            poll(&wake, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 1000)));
        if (ready > 0)
            return false;
    }
    return false;
}

bool VirtualBoardHost::SlaveEchoes() const {
    termios settings{};
    if (tcgetattr(slaveKeeper_, &settings) != 0)
        return false;
    return (settings.c_lflag & ECHO) != 0;
}

} // namespace kel::board
