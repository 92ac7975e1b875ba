// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SessionLogFolder.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace kel {

namespace {

// '9' stands for any digit; what follows the pattern is the port and ".log".
constexpr std::string_view kNamePattern = "9999-99-99_99-99-99_";
constexpr std::string_view kExtension = ".log";

} // namespace

std::filesystem::path DefaultSessionLogFolder() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local/state";
    else
        base = "/tmp";
    return base / "kelGuiTool" / "logs";
}

std::string SessionLogName(SessionLog::Clock::time_point start, const std::string& portPath) {
    const std::time_t seconds = SessionLog::Clock::to_time_t(start);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S_", &local);
    std::string port = std::filesystem::path(portPath).filename().string();
    if (port.empty())
        port = "port";
    return stamp + port + std::string(kExtension);
}

bool IsSessionLogName(std::string_view name) {
    if (name.size() < kNamePattern.size() + kExtension.size() || !name.ends_with(kExtension))
        return false;
    for (std::size_t i = 0; i < kNamePattern.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (kNamePattern[i] == '9' ? !digit : name[i] != kNamePattern[i])
            return false;
    }
    return true;
}

std::size_t PruneSessionLogs(const std::filesystem::path& folder, SessionLog::Clock::time_point now,
                             std::chrono::seconds maxAge) {
    const std::time_t oldest = SessionLog::Clock::to_time_t(now - maxAge);
    std::size_t removed = 0;
    std::error_code error;
    // Error codes throughout: a folder that cannot be read never stops a start.
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path& path = it->path();
        if (!IsSessionLogName(path.filename().string()))
            continue;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_mtime >= oldest)
            continue;
        std::error_code removeError;
        if (std::filesystem::remove(path, removeError))
            ++removed;
    }
    return removed;
}

} // namespace kel
