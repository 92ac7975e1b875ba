#include "SerialPort.h"

#include "DeviceOpen.h"
#include "LineDefinition.h"
#include "LineSetup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace kel {

namespace {

// A one-byte read ends after about 2 ms whether or not a byte came.
constexpr int kReadTimeoutSteps = 2;
constexpr int kRetryAttempts = 40;
constexpr std::chrono::milliseconds kRetryPause{10};
// A write that makes no progress for this long (flow stopped, device wedged)
// is given up rather than freezing the console.
constexpr std::chrono::seconds kWriteStall{5};

} // namespace

int ReadWaitBudget(std::uint32_t baud) {
    switch (baud) {
    case 115200:
        return 500;
    case 921600:
    case 1000000:
        return 100;
    case 1500000:
        return 70;
    case 3000000:
        return 30;
    default:
        return 0;
    }
}

SerialPort::~SerialPort() {
    Close();
}

int SerialPort::Open(const std::string& portName, std::uint32_t baud) {
    Close(); // a second Open must not leak the first device
    name = portName;
    baudRate = baud;
    definition = FormatDefinition(name, baudRate, parity, dataBits, stopBits);

    OpenError why = OpenError::None;
    const int fd = OpenExclusive(name, &why);
    lastError_ = why;
    if (fd < 0) {
        handle = kInvalid;
        return -1;
    }
    handle = fd;
    FlushBoth(fd);
    line_ = ConfigureLine(fd, definition);
    // Bytes that came in before the line was set are noise.
    FlushBoth(fd);
    return 0;
}

void SerialPort::Close() {
    if (handle < 0)
        return; // closed, or a failed opening: nothing to release
    CloseExclusive(handle);
    handle = kClosed;
}

std::size_t SerialPort::Write(const void* bytes, std::size_t count) {
    if (handle < 0)
        return 0;
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    const std::size_t done = WriteAll(data, count);
    Tap(Traffic::Sent, data, done);
    // A half-written command is no success: callers take any non-zero count
    // as one.
    return done == count ? count : 0;
}

// The bytes that reached the line, all of them unless the write failed.
std::size_t SerialPort::WriteAll(const std::uint8_t* data, std::size_t count) {
    std::size_t done = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (done < count) {
        const ssize_t n = write(handle, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return done;
        if (std::chrono::steady_clock::now() - lastProgress > kWriteStall)
            return done;
        pollfd p{handle, POLLOUT, 0};
        if (poll(&p, 1, 10) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return done;
    }
    return done;
}

void SerialPort::Tap(Traffic direction, const std::uint8_t* bytes, std::size_t count) const {
    if (trafficTap_ && count > 0)
        trafficTap_(direction, bytes, count);
}

void SerialPort::Tick() const {
    if (waitTick_)
        waitTick_();
}

int SerialPort::ReadAttempt(std::uint8_t* byte) {
    if (handle < 0)
        return -1;
    const int budget = ReadWaitBudget(baudRate);
    const int steps = budget == 0 ? kReadTimeoutSteps : std::min(kReadTimeoutSteps, budget);
    const auto fail = [this] {
        FlushInput(handle);
        return -1;
    };
    for (int step = 0;; ++step) {
        const ssize_t n = read(handle, byte, 1);
        if (n == 1)
            return 1;
        // With VMIN=1 and O_NONBLOCK, 0 means the line hung up.
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return fail();
        if (step == steps)
            return 0;
        pollfd p{handle, POLLIN, 0};
        const int ready = poll(&p, 1, 1);
        if (ready < 0 && errno != EINTR)
            return fail();
        if (ready == 0) {
            Tick();
            continue;
        }
        if (p.revents & POLLIN)
            continue; // read it (or learn of the hang-up) at the top
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
            return fail();
    }
}

int SerialPort::ReadByte(std::uint8_t* byte) {
    // The flag is tested only between attempts: an attempt that began runs to
    // its end, and a byte it brings is returned.
    while (timedOut.load() == 0) {
        const int got = ReadAttempt(byte);
        if (got < 0)
            return -1;
        BusyWaitMs(1.0);
        if (got == 1) {
            Tap(Traffic::Received, byte, 1);
            return 0;
        }
    }
    return -2;
}

int SerialPort::ReadByteRetry(std::uint8_t* byte) {
    for (int attempt = 0; attempt < kRetryAttempts; ++attempt) {
        const int got = ReadAttempt(byte);
        if (got < 0)
            return -1;
        // The pause follows every attempt, a successful one too: it paces the
        // dump at about one byte per 10 ms, as the board expects to be read.
        // The wait-tick runs in it, so a window repaints through a long dump.
        const auto pauseEnd = std::chrono::steady_clock::now() + kRetryPause;
        Tick();
        std::this_thread::sleep_until(pauseEnd);
        if (got == 1) {
            Tap(Traffic::Received, byte, 1);
            return 0;
        }
    }
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
    using Clock = std::chrono::steady_clock;
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
