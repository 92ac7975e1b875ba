// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/ProfileLookup.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kel::instrument {

namespace {

std::string UserFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config)
        return std::string(config) + "/kelGuiTool/instruments";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.config/kelGuiTool/instruments";
    return {};
}

std::string ShippedFolder() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (program.parent_path().parent_path() / "share/kelguitool/instruments").string();
}

} // namespace

std::vector<std::string> ProfileFolders() {
    std::vector<std::string> folders;
    for (std::string folder : {UserFolder(), ShippedFolder()}) {
        if (!folder.empty())
            folders.push_back(std::move(folder));
    }
    return folders;
}

std::optional<std::string> FindProfile(std::string_view nameOrFile, std::string& error) {
    const std::string given(nameOrFile);
    if (given.empty()) {
        error = "no instrument profile named";
        return std::nullopt;
    }
    if (given.find('/') != std::string::npos || given.ends_with(".toml"))
        return given;
    std::string searched;
    for (const std::string& folder : ProfileFolders()) {
        const std::string path = folder + "/" + given + ".toml";
        std::error_code ignored;
        if (std::filesystem::is_regular_file(path, ignored))
            return path;
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    error = "no instrument profile " + given + " (looked in " + searched + ")";
    return std::nullopt;
}

std::optional<Profile> LoadProfile(std::string_view nameOrFile, std::vector<ProfileError>& errors) {
    std::string why;
    const auto path = FindProfile(nameOrFile, why);
    if (!path) {
        errors.push_back({std::string(nameOrFile), 0, 0, why});
        return std::nullopt;
    }
    return ReadProfile(*path, errors);
}

} // namespace kel::instrument
