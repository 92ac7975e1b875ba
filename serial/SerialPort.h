// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one link to the board: a serial device opened by path and
// baud rate, written a whole command at a time and read one byte at a time.
// A byte is returned the moment it is there; while none is, the reader sleeps
// in poll until one comes or the read slice that ReadWatchdog keeps ends.
// A wait can be cancelled from anywhere, a signal handler included.

#include "serial/LineDefinition.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

namespace kel {

// Why the last Open or Probe failed, so the console can say it in plain words.
enum class OpenError { None, NoSuchDevice, PermissionDenied, Busy, Other };

enum class Traffic { Sent, Received };

// Why a read or write on an open line failed: the operation, the errno (0
// when the line hung up without one, a read that found the end of the line)
// and its text. A silent line that was given up on, or a cancelled wait, is
// no failure of the line.
struct LineFailure {
    std::string operation; // "read" or "write"; empty while nothing failed
    int error = 0;
    std::string cause; // strerror(error), or what was seen instead

    bool empty() const { return operation.empty(); }
    // "write failed: Input/output error"
    std::string Text() const { return operation + " failed: " + cause; }
};

class SerialPort {
public:
    // Run at display rate while a read waits and in the pauses of
    // ReadByteRetry; the console lets its window repaint there and throws
    // away the user's input.
    using WaitTick = std::function<void()>;
    static constexpr std::chrono::milliseconds kTickInterval{15};
    // No tick this soon after a write: the board's answer usually comes
    // within it, and is read and acted on at once rather than after a repaint.
    static constexpr std::chrono::milliseconds kTickGraceAfterWrite{5};
    // Sees every byte that crosses the line: each Write once, with the bytes
    // that reached the line, and each byte a read returns.
    using TrafficTap = std::function<void(Traffic, const std::uint8_t*, std::size_t)>;

    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 0 opened and configured; -1 failed (see lastError()).
    int Open(const std::string& portName, std::uint32_t baud);
    void Close();
    // Bytes written; 0 when nothing was written (or a cancel is pending).
    std::size_t Write(const void* bytes, std::size_t count);
    // 0 one byte stored; -2 the read slice ended without a byte; -1 the read
    // failed or was cancelled.
    int ReadByte(std::uint8_t* byte);
    // 0 one byte stored; -1 no byte after 40 attempts, or the read failed or
    // was cancelled.
    int ReadByteRetry(std::uint8_t* byte);
    // True when the device can be opened now; a port held by anyone is absent.
    static bool Probe(const std::string& portName, OpenError* why = nullptr);

    // How OpenWhenPresent ended.
    enum class WaitEnd { Opened, TimedOut, Cancelled, Refused };
    // Opens the device as Open does once it exists and can be opened: for a
    // board yet to be plugged in, or held by another program a moment longer.
    // It sleeps on the folders leading to the device (inotify) and tries
    // again only when the device's entry there changes; bound: how long to
    // wait, none for ever. A cancel ends it as it ends a read. Refused at once
    // when the path is something else than a serial device. lastError() says
    // why the last try failed (PortWait.cpp).
    WaitEnd OpenWhenPresent(const std::string& portName, std::uint32_t baud,
                            std::optional<std::chrono::milliseconds> bound = std::nullopt);

    // How WaitUntilGone ended.
    enum class GoneEnd { Gone, Cancelled, Refused };
    // The other half: waits until the board at portName is removed, its path
    // no longer leading to the device it led to when the wait began (the node
    // or its link gone, or the link pointing elsewhere) or, while this port
    // is open on it, the line hanging up. It sleeps on the same folders and
    // on the descriptor, whose bytes stay unread. A cancel ends it; Refused
    // when there is nothing to sleep on (PortWait.cpp).
    GoneEnd WaitUntilGone(const std::string& portName);
    // The same question looked at once, without waiting: true when the board
    // this port is open on is gone from portName or its line hung up.
    bool Gone(const std::string& portName) const;

    bool IsOpen() const { return handle >= 0; }
    OpenError lastError() const { return lastError_; }
    // The last read or write that failed on the line, until the next Open or
    // ClearLineFailure: what a front end names after a command's failure.
    const LineFailure& lineFailure() const { return lineFailure_; }
    void ClearLineFailure() { lineFailure_ = {}; }
    // True once a read or write found the line hung up (adapter pulled, the
    // peer gone), until the next Open or Close.
    bool HungUp() const { return hungUp_; }
    void SetWaitTick(WaitTick tick) { waitTick_ = std::move(tick); }
    void SetTrafficTap(TrafficTap tap) { trafficTap_ = std::move(tap); }
    // The line the last successful Open set: the definition's, or the 38400
    // fallback when the definition was rejected (baudRate keeps the asked rate).
    const LineSettings& line() const { return line_; }

    // Cancel: until cleared, every read gives up at once (-1) and every write
    // writes nothing. RequestCancel is async-signal-safe and may come from any
    // thread; a reader asleep in poll wakes at once.
    void RequestCancel() noexcept;
    void ClearCancel() noexcept { cancel_.store(false); }
    bool CancelRequested() const noexcept { return cancel_.load(); }

    // The watchdog's side of the read slice. AwaitSliceStart blocks until the
    // flag is cleared (true) or stop is requested (false); EndSlice sets the
    // flag and wakes the reader.
    bool AwaitSliceStart(std::stop_token stop);
    void EndSlice() noexcept;

    std::string name;     // the device path
    int handle = kClosed; // file descriptor; kClosed or kInvalid
    // Where ports go by number, the port's number. Here a path names the
    // port and nothing reads it; it stays as part of the port's initial state.
    std::uint16_t number = 2;
    std::uint32_t baudRate = 115200; // the rate asked for
    std::uint8_t dataBits = 8;
    char parity = 'N';
    std::uint8_t stopBits = 1;
    std::string definition;                // "<name>:baud=... to=off"
    std::atomic<std::int32_t> timedOut{1}; // 0 while a read slice runs

    static constexpr int kClosed = -1;
    static constexpr int kInvalid = -2; // after a failed opening

private:
    // 1 a byte was stored, 0 none is there now, -1 the read failed.
    int ReadNow(std::uint8_t* byte);
    // Sleeps until the line has something to say, the reader is woken or the
    // next tick is due. False when the line failed.
    bool SleepUntilReadable();
    // Lets a watchdog waiting for the flag to clear start its slice.
    void NotifySliceStart();
    // Flushes the receive queue and notes the failure (a hang-up when
    // hungUp); -1 for the caller.
    int FailRead(bool hungUp, int error, const char* cause = nullptr);
    // Keeps why the line failed: cause, or strerror(error) without one.
    void NoteLineFailure(const char* operation, int error, const char* cause = nullptr);
    void TickIfDue();
    void WakeReader() noexcept;
    void DrainWakes() noexcept;
    std::size_t WriteAll(const std::uint8_t* data, std::size_t count);
    void Tap(Traffic direction, const std::uint8_t* bytes, std::size_t count) const;

    OpenError lastError_ = OpenError::None;
    LineFailure lineFailure_;
    WaitTick waitTick_;
    TrafficTap trafficTap_;
    LineSettings line_;
    bool hungUp_ = false;
    std::atomic<bool> cancel_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "RequestCancel runs in signal handlers");
    int wake_ = -1; // an eventfd: the watchdog's slice end and a cancel wake a sleeping reader
    std::chrono::steady_clock::time_point nextTick_{};
    std::mutex sliceMutex_;
    std::condition_variable_any sliceCleared_;
};

// Spins for the given time on a steady clock. 0 after the wait. Nothing in the
// program waits this way any more (a read sleeps in poll, the watchdog on its
// clock); it stays for a caller that needs a pause more exact than a sleep.
int BusyWaitMs(double ms);

} // namespace kel
