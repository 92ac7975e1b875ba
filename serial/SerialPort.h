#pragma once
// The program's one link to the board: a serial device opened by path and
// baud rate, written a whole command at a time and read one byte at a time
// with short, bounded waits. Reads are cut into slices by ReadWatchdog.

#include "serial/LineDefinition.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kel {

// Why the last Open or Probe failed, so the console can say it in plain words.
enum class OpenError { None, NoSuchDevice, PermissionDenied, Busy, Other };

enum class Traffic { Sent, Received };

class SerialPort {
public:
    // Called after each 1 ms wait that ends without a byte and in each pause
    // of ReadByteRetry; the console lets its window repaint there and throws
    // away the user's input.
    using WaitTick = std::function<void()>;
    // Sees every byte that crosses the line: each Write once, with the bytes
    // that reached the line, and each byte a read returns.
    using TrafficTap = std::function<void(Traffic, const std::uint8_t*, std::size_t)>;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 0 opened and configured; -1 failed (see lastError()).
    int Open(const std::string& portName, std::uint32_t baud);
    void Close();
    // Bytes written; 0 when nothing was written.
    std::size_t Write(const void* bytes, std::size_t count);
    // 0 one byte stored; -2 the read slice ended without a byte; -1 read failed.
    int ReadByte(std::uint8_t* byte);
    // 0 one byte stored; -1 no byte after 40 attempts, or the read failed.
    int ReadByteRetry(std::uint8_t* byte);
    // True when the device can be opened now; a port held by anyone is absent.
    static bool Probe(const std::string& portName, OpenError* why = nullptr);

    bool IsOpen() const { return handle >= 0; }
    OpenError lastError() const { return lastError_; }
    void SetWaitTick(WaitTick tick) { waitTick_ = std::move(tick); }
    void SetTrafficTap(TrafficTap tap) { trafficTap_ = std::move(tap); }
    // The line the last successful Open set: the definition's, or the 38400
    // fallback when the definition was rejected (baudRate keeps the asked rate).
    const LineSettings& line() const { return line_; }

    std::string name;                // the device path
    int handle = kClosed;            // file descriptor; kClosed or kInvalid
    std::uint16_t number = 2;        // kept for its place; paths name ports here
    std::uint32_t baudRate = 115200; // also selects the read wait budget
    std::uint8_t dataBits = 8;
    char parity = 'N';
    std::uint8_t stopBits = 1;
    std::string definition;                // "<name>:baud=... to=off"
    std::atomic<std::int32_t> timedOut{1}; // 0 while a read slice runs

    static constexpr int kClosed = -1;
    static constexpr int kInvalid = -2; // after a failed opening

private:
    // One read attempt: 1 a byte was stored, 0 none within the read time-out,
    // -1 the read failed (the receive queue is flushed).
    int ReadAttempt(std::uint8_t* byte);
    void Tick() const;
    std::size_t WriteAll(const std::uint8_t* data, std::size_t count);
    void Tap(Traffic direction, const std::uint8_t* bytes, std::size_t count) const;

    OpenError lastError_ = OpenError::None;
    WaitTick waitTick_;
    TrafficTap trafficTap_;
    LineSettings line_;
};

// The most 1 ms waits of one pending read at this rate; 0 means no limit.
int ReadWaitBudget(std::uint32_t baud);

// Spins for the given time on a steady clock. 0 after the wait.
int BusyWaitMs(double ms);

} // namespace kel
