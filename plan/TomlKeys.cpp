// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/TomlKeys.h"

#include <algorithm>
#include <cmath>

namespace kel::plan {

void ErrorList::Add(const toml::source_region& at, std::string message) {
    errors_.push_back({file_, static_cast<int>(at.begin.line), static_cast<int>(at.begin.column),
                       std::move(message)});
}

const toml::node* KeyReader::Node(std::string_view key) {
    if (std::find(asked_.begin(), asked_.end(), key) == asked_.end())
        asked_.emplace_back(key);
    return table_.get(key);
}

const toml::node* KeyReader::Typed(std::string_view key, bool required, bool matches,
                                   const char* expected) {
    const toml::node* node = table_.get(key);
    if (node == nullptr) {
        if (required)
            Error(std::string(key) + " is missing (" + expected + ")");
        return nullptr;
    }
    if (matches)
        return node;
    Error(key, std::string(key) + ": expected " + expected + ", found " + TypeName(node->type()));
    return nullptr;
}

std::optional<std::string> KeyReader::Text(std::string_view key, bool required) {
    const toml::node* node = Node(key);
    if (!Typed(key, required, node && node->is_string(), "text"))
        return std::nullopt;
    return node->as_string()->get();
}

std::optional<std::int64_t> KeyReader::Whole(std::string_view key, bool required) {
    const toml::node* node = Node(key);
    if (!Typed(key, required, node && node->is_integer(), "a whole number"))
        return std::nullopt;
    return node->as_integer()->get();
}

std::optional<double> KeyReader::Number(std::string_view key, bool required) {
    const toml::node* node = Node(key);
    if (!Typed(key, required, node && node->is_number(), "a number"))
        return std::nullopt;
    if (node->is_integer())
        return static_cast<double>(node->as_integer()->get());
    const double value = node->as_floating_point()->get();
    if (!std::isfinite(value)) {
        Error(key, std::string(key) + " must be a finite number");
        return std::nullopt;
    }
    return value;
}

std::optional<bool> KeyReader::Flag(std::string_view key) {
    const toml::node* node = Node(key);
    if (!Typed(key, false, node && node->is_boolean(), "true or false"))
        return std::nullopt;
    return node->as_boolean()->get();
}

void KeyReader::Error(std::string_view key, const std::string& message) {
    const toml::node* node = table_.get(key);
    errors_.Add(node ? node->source() : table_.source(), Said(message));
}

void KeyReader::Error(const std::string& message) {
    errors_.Add(table_.source(), Said(message));
}

void KeyReader::RefuseOtherKeys() {
    for (const auto& [key, value] : table_) {
        if (std::find(asked_.begin(), asked_.end(), key.str()) != asked_.end())
            continue;
        std::string takes;
        for (std::size_t i = 0; i < asked_.size(); ++i)
            takes += (i == 0 ? "" : ", ") + asked_[i];
        errors_.Add(key.source(), Said("unknown key \"" + std::string(key.str()) +
                                       "\"; expected one of: " + takes));
    }
}

std::string KeyReader::Said(const std::string& message) const {
    return context_.empty() ? message : context_ + ": " + message;
}

std::string TypeName(toml::node_type type) {
    switch (type) {
    case toml::node_type::string:
        return "text";
    case toml::node_type::integer:
        return "a whole number";
    case toml::node_type::floating_point:
        return "a number with a fraction";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::array:
        return "an array";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time:
        return "a date or time";
    case toml::node_type::none:
        break;
    }
    return "nothing";
}

} // namespace kel::plan
