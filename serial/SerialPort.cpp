// SPDX-License-Identifier: GPL-3.0-or-later
#include "SerialPort.h"

#include "DebugLog.h"
#include "DeviceOpen.h"
#include "LineDefinition.h"
#include "LineSetup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace kel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRetryAttempts = 40;
constexpr std::chrono::milliseconds kRetryPause{10};
// A write that makes no progress for this long (flow stopped, device wedged)
// is given up rather than freezing the console.
constexpr std::chrono::seconds kWriteStall{5};

constexpr char kHungUp[] = "the line hung up";
constexpr char kWriteStalled[] = "the line took no byte for 5 s";

// What a read or write sees when the line hung up: the USB adapter pulled
// out, the pseudo-terminal's master closed.
bool IsHangUpError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

SerialPort::SerialPort() : wake_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SerialPort::~SerialPort() {
    Close();
    if (wake_ >= 0)
        close(wake_);
}

int SerialPort::Open(const std::string& portName, std::uint32_t baud) {
    Close(); // a second Open must not leak the first device
    name = portName;
    baudRate = baud;
    definition = FormatDefinition(name, baudRate, parity, dataBits, stopBits);

    OpenError why = OpenError::None;
    const int fd = OpenExclusive(name, &why);
    lastError_ = why;
    lineFailure_ = {};
    if (fd < 0) {
        handle = kInvalid;
        return -1;
    }
    handle = fd;
    FlushBoth(fd);
    // The settings start right after the name and its colon: a path may hold
    // ':' and '=' of its own.
    line_ = ConfigureLine(fd, std::string_view(definition).substr(name.size() + 1));
    // Bytes that came in before the line was set are noise.
    FlushBoth(fd);
    return 0;
}

void SerialPort::Close() {
    hungUp_ = false;
    if (handle < 0)
        return; // closed, or a failed opening: nothing to release
    CloseExclusive(handle);
    handle = kClosed;
}

std::size_t SerialPort::Write(const void* bytes, std::size_t count) {
    if (handle < 0 || CancelRequested())
        return 0;
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    const std::size_t done = WriteAll(data, count);
    nextTick_ = std::max(nextTick_, Clock::now() + kTickGraceAfterWrite);
    Tap(Traffic::Sent, data, done);
    // A half-written command is no success: callers take any non-zero count
    // as one.
    return done == count ? count : 0;
}

// The bytes that reached the line, all of them unless the write failed.
std::size_t SerialPort::WriteAll(const std::uint8_t* data, std::size_t count) {
    std::size_t done = 0;
    auto lastProgress = Clock::now();
    while (done < count) {
        const ssize_t n = write(handle, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const int error = errno;
            hungUp_ = hungUp_ || IsHangUpError(error);
            NoteLineFailure("write", error);
            return done;
        }
        if (CancelRequested())
            return done;
        if (Clock::now() - lastProgress > kWriteStall) {
            NoteLineFailure("write", 0, kWriteStalled);
            return done;
        }
        pollfd p{handle, POLLOUT, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            const bool hungUp = (p.revents & (POLLERR | POLLHUP)) != 0;
            hungUp_ = hungUp_ || hungUp;
            NoteLineFailure("write", hungUp ? 0 : EBADF, hungUp ? kHungUp : nullptr);
            return done;
        }
    }
    return done;
}

void SerialPort::Tap(Traffic direction, const std::uint8_t* bytes, std::size_t count) const {
    if (trafficTap_ && count > 0)
        trafficTap_(direction, bytes, count);
}

void SerialPort::RequestCancel() noexcept {
    cancel_.store(true);
    WakeReader();
}

void SerialPort::WakeReader() noexcept {
    if (wake_ < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

void SerialPort::DrainWakes() noexcept {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(wake_, &count, sizeof count);
}

bool SerialPort::AwaitSliceStart(std::stop_token stop) {
    std::unique_lock lock(sliceMutex_);
    return sliceCleared_.wait(lock, stop, [this] { return timedOut.load() == 0; });
}

void SerialPort::EndSlice() noexcept {
    timedOut.store(1);
    WakeReader();
}

void SerialPort::NotifySliceStart() {
    // Under the lock, so a watchdog between its look at the flag and its
    // sleep cannot miss the news.
    std::lock_guard lock(sliceMutex_);
    sliceCleared_.notify_all();
}

void SerialPort::TickIfDue() {
    const auto now = Clock::now();
    if (now < nextTick_)
        return;
    nextTick_ = now + kTickInterval;
    if (waitTick_)
        waitTick_();
}

int SerialPort::FailRead(bool hungUp, int error, const char* cause) {
    hungUp_ = hungUp_ || hungUp;
    NoteLineFailure("read", error, cause);
    if (handle >= 0)
        FlushInput(handle);
    return -1;
}

void SerialPort::NoteLineFailure(const char* operation, int error, const char* cause) {
    lineFailure_ = {operation, error, cause != nullptr ? cause : std::strerror(error)};
    DebugNote(DebugArea::Serial, name + ": " + lineFailure_.Text());
}

int SerialPort::ReadNow(std::uint8_t* byte) {
    if (handle < 0)
        return -1;
    for (;;) {
        const ssize_t n = read(handle, byte, 1);
        if (n == 1) {
            Tap(Traffic::Received, byte, 1);
            return 1;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return 0;
        // With VMIN=1 and O_NONBLOCK, 0 means the line hung up.
        if (n == 0)
            return FailRead(true, 0, kHungUp);
        const int error = errno;
        return FailRead(IsHangUpError(error), error);
    }
}

bool SerialPort::SleepUntilReadable() {
    TickIfDue();
    const auto untilTick =
        std::chrono::ceil<std::chrono::milliseconds>(nextTick_ - Clock::now()).count();
    pollfd fds[2] = {{handle, POLLIN, 0}, {wake_, POLLIN, 0}};
    const int ready = poll(fds, wake_ >= 0 ? 2 : 1, static_cast<int>(std::max<long>(untilTick, 0)));
    if (ready < 0) {
        const int error = errno;
        if (error == EINTR)
            return true; // a signal: the caller looks at the cancel
        FailRead(false, error);
        return false;
    }
    if (fds[1].revents & POLLIN)
        DrainWakes();
    if (fds[0].revents & POLLIN)
        return true; // read it (or learn of the hang-up) at once
    if (fds[0].revents & (POLLHUP | POLLERR)) {
        FailRead(true, 0, kHungUp);
        return false;
    }
    if (fds[0].revents & POLLNVAL) {
        FailRead(false, EBADF);
        return false;
    }
    return true;
}

int SerialPort::ReadByte(std::uint8_t* byte) {
    if (CancelRequested())
        return -1;
    if (timedOut.load() != 0)
        return -2;
    bool sliceAnnounced = false;
    for (;;) {
        const int got = ReadNow(byte);
        if (got != 0)
            return got == 1 ? 0 : -1;
        // The flag is tested only between attempts: a byte that came with the
        // slice's end is still returned.
        if (timedOut.load() != 0)
            return -2;
        if (!sliceAnnounced) {
            NotifySliceStart();
            sliceAnnounced = true;
        }
        if (!SleepUntilReadable() || CancelRequested())
            return -1;
    }
}

int SerialPort::ReadByteRetry(std::uint8_t* byte) {
    for (int attempt = 0; attempt < kRetryAttempts; ++attempt) {
        if (CancelRequested())
            return -1;
        const int got = ReadNow(byte);
        if (got != 0)
            return got == 1 ? 0 : -1;
        // Queued bytes are read back to back; only an attempt that found
        // nothing pauses, and the window repaints in the pause.
        const auto pauseEnd = Clock::now() + kRetryPause;
        TickIfDue();
        std::this_thread::sleep_until(pauseEnd);
    }
    DebugNote(DebugArea::Serial, name + ": no byte after " + std::to_string(kRetryAttempts) +
                                     " patient attempts; given up");
    if (handle >= 0)
        FlushInput(handle);
    return -1;
}

bool SerialPort::Probe(const std::string& portName, OpenError* why) {
    const int fd = OpenExclusive(portName, why);
    if (fd < 0)
        return false;
    CloseExclusive(fd);
    return true;
}

int BusyWaitMs(double ms) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        const auto elapsed = Clock::now() - start;
        if (elapsed.count() < 0)
            return 0;
        if (std::chrono::duration<double, std::milli>(elapsed).count() >= ms)
            return 0;
    }
}

} // namespace kel
