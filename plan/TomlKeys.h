// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One table of a plan file read key by key: each value taken with its type
// checked, and every key asked for remembered, so that any other key is an
// error that lists what the table takes. Errors go to an ErrorList with the
// position of the value (or of the table, for a key that is missing).

#include "plan/PlanReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <toml++/toml.h>
#include <vector>

namespace kel::plan {

class ErrorList {
public:
    explicit ErrorList(std::string file) : file_(std::move(file)) {}

    void Add(const toml::source_region& at, std::string message);
    // An error of the file as a whole (it cannot be read).
    void AddToFile(std::string message) { errors_.push_back({file_, 0, 0, std::move(message)}); }
    bool Empty() const { return errors_.empty(); }
    std::vector<PlanError> Take() { return std::move(errors_); }

private:
    std::string file_;
    std::vector<PlanError> errors_;
};

class KeyReader {
public:
    // context starts each message ("step 2 (rx-sweep)"); empty at the top.
    KeyReader(const toml::table& table, std::string context, ErrorList& errors)
        : table_(table), context_(std::move(context)), errors_(errors) {}

    // The value of a key the table takes, of any type; nullptr when absent.
    const toml::node* Node(std::string_view key);
    bool Has(std::string_view key) { return Node(key) != nullptr; }

    // Typed values; an absent key is nothing (an error when required), a
    // value of another type an error naming both types.
    std::optional<std::string> Text(std::string_view key, bool required = false);
    std::optional<std::int64_t> Whole(std::string_view key, bool required = false);
    // A whole number or one with a fraction; never nan or infinity.
    std::optional<double> Number(std::string_view key, bool required = false);
    std::optional<bool> Flag(std::string_view key);

    // At the key's value, or at the table when the key is absent.
    void Error(std::string_view key, const std::string& message);
    // At the table.
    void Error(const std::string& message);
    // Once every key it takes was asked for: any other key is an error.
    void RefuseOtherKeys();

    const std::string& Context() const { return context_; }
    void SetContext(std::string context) { context_ = std::move(context); }
    // The line the table begins on.
    int Line() const { return static_cast<int>(table_.source().begin.line); }
    ErrorList& Errors() { return errors_; }

private:
    const toml::node* Typed(std::string_view key, bool required, bool matches,
                            const char* expected);
    std::string Said(const std::string& message) const;

    const toml::table& table_;
    std::string context_;
    ErrorList& errors_;
    std::vector<std::string> asked_;
};

// "text", "a whole number", ...: a TOML type as a message names it.
std::string TypeName(toml::node_type type);

} // namespace kel::plan
