// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SessionLog.h"

#include "serial/SessionLogFolder.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace kel {

namespace {

// A reply that never ends its line still reaches the file in pieces this long.
constexpr std::size_t kLongestLine = 4096;
// Sessions begun in the same second on the same port get "-2", "-3", ...
constexpr int kMaxSameName = 100;

std::string Escape(std::string_view bytes, bool keepHighBytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\0':
            out += "\\0";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        default:
            break;
        }
        if ((byte >= 0x20 && byte < 0x7F) || (keepHighBytes && byte >= 0x80)) {
            out += c;
            continue;
        }
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        out += hex;
    }
    return out;
}

std::string ErrorText(int error) {
    return std::system_category().message(error);
}

// A new file in folder named base, or base with a number when that is taken.
int CreateNew(const std::filesystem::path& folder, const std::string& base,
              std::filesystem::path* path) {
    const std::string stem = base.substr(0, base.size() - 4); // less ".log"
    for (int n = 1; n <= kMaxSameName; ++n) {
        *path = folder / (n == 1 ? base : stem + "-" + std::to_string(n) + ".log");
        const int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

std::string EscapeBytes(std::string_view bytes) {
    return Escape(bytes, false);
}

std::string EscapeText(std::string_view text) {
    return Escape(text, true);
}

std::string LocalTimestamp(SessionLog::Clock::time_point at) {
    const std::time_t seconds = SessionLog::Clock::to_time_t(at);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch());
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03d",
                  static_cast<int>((ms.count() % 1000 + 1000) % 1000));
    return text;
}

SessionLog::~SessionLog() {
    Close();
}

bool SessionLog::Open(const std::filesystem::path& folder, const SessionInfo& info) {
    Close();
    path_.clear();
    problem_.clear();
    problemTaken_ = false;

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        GiveUp("Cannot create the session log folder " + folder.string() + ": " + error.message() +
               ".\nThis session is not logged.");
        return false;
    }
    const Clock::time_point start = Clock::now();
    std::filesystem::path path;
    const int fd = CreateNew(folder, SessionLogName(start, info.port), &path);
    if (fd < 0) {
        GiveUp("Cannot create the session log " + path.string() + ": " + ErrorText(errno) +
               ".\nThis session is not logged.");
        return false;
    }
    fd_ = fd;
    path_ = path;
    WriteOut("# " + EscapeText(info.program) + " " + EscapeText(info.version) +
             " session log\n# chip model: " + EscapeText(info.chipModel) +
             "\n# port: " + EscapeText(info.port) + "\n# baud: " + std::to_string(info.baud) +
             "\n# started: " + LocalTimestamp(start) +
             "\n# <time> sent|recv <bytes; \\0 \\t \\n \\r \\\\ \\xNN where not printable>"
             "\n# <time> mbox <a message the user was shown>\n");
    return IsOpen();
}

void SessionLog::Record(Traffic direction, const std::uint8_t* bytes, std::size_t count) {
    if (!IsOpen())
        return;
    const auto* text = reinterpret_cast<const char*>(bytes);
    if (direction == Traffic::Sent) {
        // A reply left without its line feed came before this command.
        EndReceivedLine();
        WriteLine(Clock::now(), "sent", EscapeBytes(std::string_view(text, count)));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (received_.empty())
            receivedSince_ = Clock::now();
        received_ += text[i];
        if (text[i] == '\n' || received_.size() >= kLongestLine)
            EndReceivedLine();
    }
}

void SessionLog::Note(std::string_view text) {
    if (!IsOpen())
        return;
    EndReceivedLine();
    WriteLine(Clock::now(), "mbox", EscapeText(text));
}

void SessionLog::Close() {
    if (!IsOpen())
        return;
    EndReceivedLine();
    WriteOut("# ended: " + LocalTimestamp(Clock::now()) + "\n");
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

std::string SessionLog::TakeProblem() {
    if (problemTaken_)
        return {};
    problemTaken_ = !problem_.empty();
    return problem_;
}

void SessionLog::EndReceivedLine() {
    if (received_.empty())
        return;
    const std::string line = EscapeBytes(received_);
    received_.clear();
    WriteLine(receivedSince_, "recv", line);
}

void SessionLog::WriteLine(Clock::time_point at, std::string_view tag, std::string_view text) {
    std::string line = LocalTimestamp(at);
    line += ' ';
    line += tag;
    line += ' ';
    line += text;
    line += '\n';
    WriteOut(line);
}

// Each line goes to the file whole as soon as it ends, so a crash loses at
// most a reply line still coming.
void SessionLog::WriteOut(const std::string& text) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < text.size()) {
        const ssize_t n = write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        GiveUp("Cannot write the session log " + path_.string() + ": " +
               ErrorText(n < 0 ? errno : ENOSPC) + ".\nThe rest of this session is not logged.");
    }
}

void SessionLog::GiveUp(const std::string& problem) {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    received_.clear();
    if (problem_.empty())
        problem_ = problem;
}

} // namespace kel
