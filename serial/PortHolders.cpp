// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortHolders.h"

#include <cctype>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kel {

namespace {

namespace fs = std::filesystem;

// The pseudo-terminal's number, when path is one (/dev/pts/N).
std::optional<std::string> PtyIndex(const std::string& path) {
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    if (error || device.parent_path() != "/dev/pts")
        return std::nullopt;
    return device.filename().string();
}

// True when the descriptor is the master of pseudo-terminal index.
bool IsMasterOf(const fs::path& process, const std::string& fd, const std::string& index) {
    std::error_code error;
    const fs::path target = fs::read_symlink(process / "fd" / fd, error);
    if (error || (target != "/dev/ptmx" && target != "/dev/pts/ptmx"))
        return false;
    std::ifstream info(process / "fdinfo" / fd);
    for (std::string line; std::getline(info, line);) {
        if (line.starts_with("tty-index:"))
            return line.substr(line.find_first_not_of(" \t", 10)) == index;
    }
    return false;
}

// The names in a folder; none when it cannot be read.
std::vector<std::string> EntryNames(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

std::string ProgramOf(const fs::path& process) {
    std::ifstream comm(process / "comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "a program" : name;
}

} // namespace

std::vector<PortHolder> OtherHolders(const std::string& path) {
    struct stat wanted {};
    if (::stat(path.c_str(), &wanted) != 0 || !S_ISCHR(wanted.st_mode))
        return {};
    const std::optional<std::string> pty = PtyIndex(path);
    const std::string self = std::to_string(::getpid());
    std::vector<PortHolder> holders;
    // Processes come and go while we look: each one that is gone, or not
    // ours to see, is passed over.
    for (const std::string& pid : EntryNames("/proc")) {
        if (pid == self || !std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        const fs::path process = fs::path("/proc") / pid;
        bool holds = false, otherEnd = false;
        for (const std::string& fd : EntryNames(process / "fd")) {
            struct stat held {};
            if (::stat((process / "fd" / fd).c_str(), &held) == 0 && S_ISCHR(held.st_mode) &&
                held.st_rdev == wanted.st_rdev)
                holds = true;
            else if (pty && IsMasterOf(process, fd, *pty))
                otherEnd = true;
        }
        if (holds && !otherEnd)
            holders.push_back({std::stoi(pid), ProgramOf(process)});
    }
    return holders;
}

std::string HoldersText(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const PortHolder& holder : holders)
        text += (text.empty() ? "" : ", ") + holder.program + " (PID " +
                std::to_string(holder.pid) + ")";
    return text;
}

} // namespace kel
