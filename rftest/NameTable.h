// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A table of (key, name) pairs read both ways: what the public names of an
// enum (result kinds, verdicts, plan steps) are looked up in.

#include <optional>
#include <string_view>

namespace kel::rftest {

// The key's name; empty when the table lacks it.
template <typename Table, typename Key>
constexpr std::string_view NameIn(const Table& table, Key key) {
    for (const auto& [k, name] : table) {
        if (k == key)
            return name;
    }
    return {};
}

template <typename Key, typename Table>
constexpr std::optional<Key> KeyIn(const Table& table, std::string_view name) {
    for (const auto& [key, n] : table) {
        if (n == name)
            return key;
    }
    return std::nullopt;
}

} // namespace kel::rftest
