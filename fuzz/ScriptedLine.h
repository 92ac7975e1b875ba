// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line a fuzz input plays: the board's bytes, with markers for what a real
// line does besides sending bytes. The fuzz build links ScriptedSerialPort.cpp
// in place of serial/SerialPort.cpp, and that SerialPort reads and writes here,
// so the protocol runs exactly as the console builds it, against any bytes.
//
// Script bytes: a byte stands for itself, except 0xFF, which takes the next
// byte as a marker:
//   0xFF 'S'  the read slice ends without a byte
//   0xFF 'F'  the read fails: the line hung up (a pulled cable)
//   0xFF 'C'  the user cancels the wait (Escape)
//   0xFF 'W'  the next write fails (this event waits for a write)
//   0xFF b    any other b: the byte b itself (0xFF 0xFF is 0xFF)
// Past the end of the script the line is gone: reads fail as on a hang-up,
// so no run waits on a silent line.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::fuzz {

constexpr std::uint8_t kMarker = 0xFF;

struct LineEvent {
    enum Kind { Byte, SliceEnd, ReadFails, Cancel, WriteFails } kind = Byte;
    std::uint8_t byte = 0;
};

// What crossed the line and the log, in order, for the checks after a run.
struct TranscriptEntry {
    enum Kind { Echo, ReplyLine, Write } kind;
    std::string bytes;
};

class ScriptedLine {
public:
    // The line every SerialPort of the fuzz build uses.
    static ScriptedLine& Current();

    void Load(std::string_view script);

    // The port's side. NextRead takes the event a read meets; it skips the
    // write-failure markers, which only a write takes.
    LineEvent NextRead();
    // True when the next event is a write failure, which it takes.
    bool TakeWriteFailure();
    void RecordWrite(const std::uint8_t* bytes, std::size_t count);
    void RecordRead(std::uint8_t byte, bool patient);

    // The context's side.
    void RecordLog(TranscriptEntry::Kind kind, std::string text);

    // The seed writer's board: whatever is written gets its reply queued.
    std::function<std::string(std::string_view written)> responder;

    std::vector<TranscriptEntry> transcript;
    std::string bytesRead;      // every byte the reads returned
    std::string patientBytes;   // those that ReadByteRetry returned (an SDD body)
    std::size_t readsTried = 0; // read events taken, the end of the script included
    bool cancelled = false;     // a cancel marker was reached
    bool hungUp = false;        // a failure marker or the end was reached
    bool writeFailed = false;   // a write met its failure marker
    std::size_t readsBeforeWriteFailure = 0;

private:
    std::deque<LineEvent> events_;
};

// The script of a byte string: every 0xFF doubled, so it plays the bytes alone.
std::string EscapeBytes(std::string_view bytes);

} // namespace kel::fuzz
