// SPDX-License-Identifier: GPL-3.0-or-later
// SerialPort for the fuzz build, linked in place of serial/SerialPort.cpp: the
// same class and the same result codes, played by the ScriptedLine instead of
// a device. Only what the protocol calls is defined; anything more it starts
// to call shows as a link error here, not as a silent gap.

#include "fuzz/ScriptedLine.h"
#include "serial/SerialPort.h"

#include <cerrno>
#include <cstring>

namespace kel {

namespace {
constexpr int kRetryAttempts = 40;
constexpr int kScriptedHandle = 0;

fuzz::ScriptedLine& Line() {
    return fuzz::ScriptedLine::Current();
}
} // namespace

SerialPort::SerialPort() = default;
SerialPort::~SerialPort() = default;

int SerialPort::Open(const std::string& portName, std::uint32_t baud) {
    name = portName;
    baudRate = baud;
    handle = kScriptedHandle;
    hungUp_ = false;
    lineFailure_ = {};
    return 0;
}

void SerialPort::Close() {
    handle = kClosed;
    hungUp_ = false;
}

std::size_t SerialPort::Write(const void* bytes, std::size_t count) {
    if (handle < 0 || CancelRequested())
        return 0;
    if (Line().TakeWriteFailure()) {
        NoteLineFailure("write", EIO);
        return 0;
    }
    Line().RecordWrite(static_cast<const std::uint8_t*>(bytes), count);
    return count;
}

void SerialPort::RequestCancel() noexcept {
    cancel_.store(true);
}

// 1 a byte was stored, 0 none came (the slice or attempt ended), -1 the read
// failed (a hang-up) or was cancelled.
int SerialPort::ReadNow(std::uint8_t* byte) {
    const fuzz::LineEvent event = Line().NextRead();
    switch (event.kind) {
    case fuzz::LineEvent::Byte:
        *byte = event.byte;
        return 1;
    case fuzz::LineEvent::SliceEnd:
        return 0;
    case fuzz::LineEvent::Cancel:
        RequestCancel();
        return -1;
    default:
        hungUp_ = true;
        NoteLineFailure("read", 0, "the line hung up");
        return -1;
    }
}

void SerialPort::NoteLineFailure(const char* operation, int error, const char* cause) {
    lineFailure_ = {operation, error, cause != nullptr ? cause : std::strerror(error)};
}

int SerialPort::ReadByte(std::uint8_t* byte) {
    if (CancelRequested())
        return -1;
    if (timedOut.load() != 0)
        return -2;
    const int got = ReadNow(byte);
    if (got == 0)
        timedOut.store(1);
    if (got == 1)
        Line().RecordRead(*byte, false);
    return got == 1 ? 0 : got == 0 ? -2 : -1;
}

int SerialPort::ReadByteRetry(std::uint8_t* byte) {
    for (int attempt = 0; attempt < kRetryAttempts; ++attempt) {
        if (CancelRequested())
            return -1;
        const int got = ReadNow(byte);
        if (got == 0)
            continue; // an attempt that found nothing
        if (got == 1)
            Line().RecordRead(*byte, true);
        return got == 1 ? 0 : -1;
    }
    return -1;
}

} // namespace kel
