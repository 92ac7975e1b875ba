// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A new folder of its own under the system's temporary folder, removed with
// everything in it when the test is done.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <system_error>

namespace kel::test {

struct TempFolder {
    explicit TempFolder(const std::string& prefix = "kel-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path path;
};

// Writes text to a new file at path; its path as text.
inline std::string Written(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
    return path.string();
}

} // namespace kel::test
