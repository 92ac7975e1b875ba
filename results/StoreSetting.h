// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where results go: an SQLite file (the default one or a path), nowhere, or
// a PostgreSQL server through the default local file, which is then also the
// outbox. The same text works as --results, KEL_RESULTS and the console's
// setting.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kel::results {

inline constexpr char kResultsVariable[] = "KEL_RESULTS";

struct StoreSetting {
    enum class Kind { File, None, Server };
    Kind kind = Kind::File;
    std::filesystem::path file; // the local store (with a server: its outbox)
    std::string server;         // a libpq connection URI

    bool Records() const { return kind != Kind::None; }
};

// $XDG_DATA_HOME/kelGuiTool/results.sqlite; ~/.local/share/kelGuiTool/ when
// the variable is unset, empty or not an absolute path.
std::filesystem::path DefaultStoreFile();

// "" the default file, "none", "postgresql://..." or "postgres://..." (checked
// by libpq's own parser, without connecting), or a file path. Nullopt with
// why (which never holds a password) when the text cannot be one.
std::optional<StoreSetting> ParseStoreSetting(std::string_view text, std::string& why);

// The text given (an option), else KEL_RESULTS, else "" (the default file).
std::string StoreSettingText(const std::optional<std::string>& given);

// A connection URI as it may be shown: the password of its user part and
// any password parameter replaced by "***".
std::string WithoutPassword(std::string_view uri);

} // namespace kel::results
