// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of one connection on disk: a header naming the board, the port
// and the program, then one line per command written and per reply line read,
// each with its local time to the millisecond and its direction, and one line
// per message the user was shown. Fed by the port's traffic tap.
//
// It never fails an exchange: a file that cannot be created or written is
// given up, the session goes on unrecorded, and TakeProblem() says why, once.
//
//   2025-03-04 13:45:06.123 sent kel connect\n\0
//   2025-03-04 13:45:06.131 recv Sending CMD OK!\n
//   2025-03-04 13:45:06.140 mbox Failed to send kel cmd!
//
// Bytes other than printable ASCII show as \0 \t \n \r \xNN, a backslash as
// \\, so a line gives back the exact bytes. Message texts keep their UTF-8.

#include "serial/SerialPort.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kel {

struct SessionInfo {
    std::string program;
    std::string version;
    std::string chipModel;
    std::string port; // the device path
    std::uint32_t baud = 0;
};

class SessionLog {
public:
    using Clock = std::chrono::system_clock;

    SessionLog() = default;
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // Creates the folder when missing and a new file in it named for this
    // moment and the port, and writes the header. False when either fails.
    bool Open(const std::filesystem::path& folder, const SessionInfo& info);
    // Nothing happens while no file is open.
    void Record(Traffic direction, const std::uint8_t* bytes, std::size_t count);
    // A message box text, or a question with the user's answer.
    void Note(std::string_view text);
    // Writes a reply line still open, the closing line, and closes the file.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    // The file of the current or last session; empty when none was created.
    const std::filesystem::path& Path() const { return path_; }
    // What went wrong in this session, the first time it is asked; then empty.
    std::string TakeProblem();

private:
    void EndReceivedLine();
    void WriteLine(Clock::time_point at, std::string_view tag, std::string_view text);
    void WriteOut(const std::string& text);
    void GiveUp(const std::string& problem);

    int fd_ = -1;
    std::filesystem::path path_;
    // Bytes of the reply line still coming, and when its first byte came.
    std::string received_;
    Clock::time_point receivedSince_;
    std::string problem_;
    bool problemTaken_ = false;
};

// "\0", "\r", "\x7F" and the like for bytes that are not printable ASCII.
// Text keeps bytes from 0x80 up (UTF-8) as they are.
std::string EscapeBytes(std::string_view bytes);
std::string EscapeText(std::string_view text);

// "YYYY-MM-DD HH:MM:SS.mmm" in local time.
std::string LocalTimestamp(SessionLog::Clock::time_point at);

} // namespace kel
