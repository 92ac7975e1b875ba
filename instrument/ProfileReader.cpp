// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/ProfileReader.h"

#include "instrument/ScpiSession.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <toml++/toml.h>
#include <tuple>

namespace kel::instrument {

namespace {

constexpr std::string_view kTopKeys[] = {"name", "description", "terminator", "timeout_ms",
                                         "settle_ms"};
constexpr long kMaxTimeoutMs = 600000;

class Errors {
public:
    Errors(const std::string& file, std::vector<ProfileError>& list)
        : file_(file), list_(list), before_(list.size()) {}

    void At(const toml::node& node, std::string message, int columnOffset = 0) {
        const auto& begin = node.source().begin;
        list_.push_back({file_, static_cast<int>(begin.line),
                         static_cast<int>(begin.column) + columnOffset, std::move(message)});
    }
    void AtStart(std::string message) { list_.push_back({file_, 1, 1, std::move(message)}); }
    bool Any() const { return list_.size() > before_; }

private:
    const std::string& file_;
    std::vector<ProfileError>& list_;
    std::size_t before_; // errors the caller had already
};

std::string Known(std::span<const std::string_view> names) {
    std::string text;
    for (std::string_view name : names)
        text += (text.empty() ? "" : ", ") + std::string(name);
    return text;
}

std::vector<std::string_view> KeysOf(std::string_view table) {
    std::vector<std::string_view> keys;
    for (const ActionForm& form : kActions) {
        if (form.table == table)
            keys.push_back(form.key);
    }
    return keys;
}

const ActionForm* FindForm(std::string_view table, std::string_view key) {
    for (const ActionForm& form : kActions) {
        if (form.table == table && form.key == key)
            return &form;
    }
    return nullptr;
}

// Every {word} in line must be the action's placeholder.
void CheckPlaceholders(const ActionForm& form, const std::string& line, const toml::node& node,
                       Errors& errors) {
    for (std::size_t open = line.find('{'); open != std::string::npos;
         open = line.find('{', open + 1)) {
        const std::size_t close = line.find('}', open);
        const std::string word =
            line.substr(open, close == std::string::npos ? 1 : close - open + 1);
        if (form.placeholder && word == PlaceholderText(*form.placeholder))
            continue;
        const std::string takes =
            form.placeholder ? "it takes " + std::string(PlaceholderText(*form.placeholder))
                             : "it takes none";
        // The column of the brace itself when the value is one plain string.
        const int offset = node.is_string() ? static_cast<int>(open) + 1 : 0;
        errors.At(node,
                  ActionName(form.action) + ": " + word + " is not a placeholder here (" + takes +
                      ")",
                  offset);
    }
}

void ReadAction(const ActionForm& form, const toml::node& node, Profile& profile, Errors& errors) {
    std::vector<std::pair<std::string, const toml::node*>> lines;
    if (const auto* text = node.as_string()) {
        lines.emplace_back(text->get(), &node);
    } else if (const auto* array = node.as_array()) {
        for (const toml::node& item : *array) {
            if (!item.is_string()) {
                errors.At(item, ActionName(form.action) + ": expected SCPI text");
                return;
            }
            lines.emplace_back(item.as_string()->get(), &item);
        }
    } else {
        errors.At(node, ActionName(form.action) + ": expected SCPI text or a list of it");
        return;
    }
    if (lines.empty()) {
        errors.At(node, ActionName(form.action) + ": sends nothing");
        return;
    }
    for (const auto& [line, at] : lines) {
        if (line.find_first_not_of(" \t") == std::string::npos ||
            line.find_first_of("\r\n") != std::string::npos)
            errors.At(*at, ActionName(form.action) + ": each line must be one non-empty SCPI line");
        CheckPlaceholders(form, line, *at, errors);
    }
    if (form.measures && !IsQuery(lines.back().first))
        errors.At(*lines.back().second,
                  ActionName(form.action) + ": the last line must be a query (ending in ?)");
    std::vector<std::string>& texts = profile.actions[form.action];
    for (auto& line : lines)
        texts.push_back(std::move(line.first));
}

void ReadRole(std::string_view name, const toml::table& table, Profile& profile, Errors& errors) {
    const std::vector<std::string_view> keys = KeysOf(name);
    for (const auto& [key, node] : table) {
        const ActionForm* form = FindForm(name, key.str());
        if (!form) {
            errors.At(node, "[" + std::string(name) + "] has no key " + std::string(key.str()) +
                                " (it takes " + Known(keys) + ")");
            continue;
        }
        ReadAction(*form, node, profile, errors);
    }
    // A role is all of its actions: a generator that cannot switch off is no generator.
    for (std::string_view key : keys) {
        if (!table.contains(key))
            errors.At(table, "[" + std::string(name) + "] lacks " + std::string(key));
    }
}

std::optional<std::chrono::milliseconds> Milliseconds(const toml::node& node, std::string_view key,
                                                      long low, Errors& errors) {
    const auto value = node.value<std::int64_t>();
    if (!node.is_integer() || *value < low || *value > kMaxTimeoutMs) {
        errors.At(node, std::string(key) + ": expected a whole number of milliseconds from " +
                            std::to_string(low) + " to " + std::to_string(kMaxTimeoutMs));
        return std::nullopt;
    }
    return std::chrono::milliseconds(*value);
}

void ReadTop(std::string_view key, const toml::node& node, Profile& profile, Errors& errors) {
    if (key == "timeout_ms" || key == "settle_ms") {
        const auto value = Milliseconds(node, key, key == "timeout_ms" ? 1 : 0, errors);
        if (value)
            (key == "timeout_ms" ? profile.timeout : profile.settle) = *value;
        return;
    }
    if (!node.is_string()) {
        errors.At(node, std::string(key) + ": expected text");
        return;
    }
    const std::string text = node.as_string()->get();
    if (key == "terminator" && text != "\n" && text != "\r\n") {
        errors.At(node, "terminator: expected \"\\n\" or \"\\r\\n\"");
        return;
    }
    if (key == "terminator")
        profile.terminator = text;
    else if (key == "name")
        profile.name = text;
    else
        profile.description = text;
}

std::string StemOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.ends_with(".toml"))
        name.resize(name.size() - 5);
    return name;
}

} // namespace

std::string ProfileError::Text() const {
    if (line == 0)
        return file + ": " + message;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

std::optional<Profile> ParseProfile(std::string_view text, const std::string& path,
                                    std::vector<ProfileError>& errors) {
    const std::size_t before = errors.size();
    Errors found(path, errors);
    toml::table document;
    try {
        document = toml::parse(text, path);
    } catch (const toml::parse_error& error) {
        const auto& begin = error.source().begin;
        errors.push_back({path, static_cast<int>(begin.line), static_cast<int>(begin.column),
                          std::string(error.description())});
        return std::nullopt;
    }
    Profile profile;
    profile.path = path;
    profile.name = StemOf(path);
    std::set<std::string_view> roles;
    for (const ActionForm& form : kActions)
        roles.insert(form.table);
    for (const auto& [key, node] : document) {
        const std::string_view name = key.str();
        if (roles.contains(name) && node.is_table()) {
            ReadRole(name, *node.as_table(), profile, found);
            continue;
        }
        if (std::find(std::begin(kTopKeys), std::end(kTopKeys), name) != std::end(kTopKeys)) {
            ReadTop(name, node, profile, found);
            continue;
        }
        std::string tables;
        for (std::string_view role : roles)
            tables += " [" + std::string(role) + "]";
        found.At(node, "unknown key " + std::string(name) + " (a profile takes " + Known(kTopKeys) +
                           " and the tables" + tables + ")");
    }
    if (!found.Any() && profile.actions.empty())
        found.AtStart("the profile has no role: [counter], [power_meter], [generator] or [switch]");
    if (!found.Any())
        return profile;
    // In the order of the file, whatever order the table keeps its keys in.
    std::stable_sort(errors.end() - static_cast<std::ptrdiff_t>(errors.size() - before),
                     errors.end(), [](const auto& a, const auto& b) {
                         return std::tie(a.line, a.column) < std::tie(b.line, b.column);
                     });
    return std::nullopt;
}

std::optional<Profile> ReadProfile(const std::string& path, std::vector<ProfileError>& errors) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        errors.push_back({path, 0, 0, "cannot read the profile"});
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (text.str().size() > kMaxProfileBytes) {
        errors.push_back({path, 0, 0, "too large for an instrument profile"});
        return std::nullopt;
    }
    return ParseProfile(text.str(), path, errors);
}

std::vector<ProfileError> MissingActions(const Profile& profile, std::span<const Action> needed,
                                         std::string_view user) {
    std::vector<ProfileError> missing;
    for (Action action : needed) {
        if (!profile.Has(action))
            missing.push_back(
                {profile.path, 1, 1,
                 std::string(user) + " needs " + ActionName(action) + ", which the profile lacks"});
    }
    return missing;
}

} // namespace kel::instrument
