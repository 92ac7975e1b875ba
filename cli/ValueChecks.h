// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values kel-rftest reads from its command line as numbers, text or a
// command: each is refused with one message that names the option and what
// it takes, before anything is sent.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel::cli {

// A refusal of the command line: exit 2, nothing sent.
struct UsageError {
    std::string message;
};

// A decimal number and nothing around it; no nan, no infinity.
std::optional<double> ReadDecimal(std::string_view text);
// A whole decimal number, optionally signed, and nothing around it.
std::optional<std::int64_t> ReadWhole(std::string_view text);

// Throw UsageError naming the option ("--count must be a whole number from 0
// to 2147483647").
std::int64_t WholeOption(const char* option, const std::string& text, std::int64_t low,
                         std::int64_t high);
// Seconds greater than 0, at most 1000000 (eleven and a half days).
std::chrono::milliseconds DurationOption(const char* option, const std::string& text);
double PercentOption(const char* option, const std::string& text);

// Text that goes to the board inside one command line: no line feed, no
// other control character that would end it or start a second one.
bool HoldsControlCharacter(std::string_view text);

} // namespace kel::cli
