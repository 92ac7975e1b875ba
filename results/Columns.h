// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The columns of the two public tables, in table order, and the records as
// rows of plain values. SQLite, the PostgreSQL push and the exports all go
// through these, so a column is named and converted in one place.

#include "results/Records.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kel::results {

// NULL, an integer, a real or a text.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
using Row = std::vector<Value>;

namespace f = rftest::field;

// Columns added by a later schema version come last, where ALTER TABLE puts them.
inline constexpr std::array<const char*, 18> kRunColumns{
    f::kId,       f::kStartedAt,   f::kEndedAt,    f::kTool,    f::kVersion,    f::kStation,
    f::kOperator, f::kChipModel,   f::kPort,       f::kBaud,    f::kBoardMac,   f::kDut,
    f::kPlan,     f::kPlanVersion, f::kSessionLog, f::kVerdict, f::kInstrument, f::kSlot,
};

inline constexpr std::array<const char*, 22> kMeasurementColumns{
    f::kId,         f::kRunId,      f::kSeq,      f::kAt,       f::kKind,        f::kChannel,
    f::kRateMbps,   f::kPowerLevel, f::kSent,     f::kTotal,    f::kAbortErrors, f::kCrcErrors,
    f::kPerPercent, f::kValue,      f::kText,     f::kLimitLow, f::kLimitHigh,   f::kVerdict,
    f::kFreqHz,     f::kErrorHz,    f::kErrorPpm, f::kPowerDbm,
};

Row RunRow(const RunRecord& run);
// Throws std::invalid_argument when the row does not hold a run.
RunRecord RunFromRow(const Row& row);

Row MeasurementRow(const StoredMeasurement& stored);
// Throws std::invalid_argument when the row does not hold a measurement (an
// unknown kind or verdict, say).
StoredMeasurement MeasurementFromRow(const Row& row);

// "a, b, c", each name after prefix ("r.a, r.b").
std::string ColumnList(std::span<const char* const> names, const std::string& prefix = "");
// "?1, ?2, ?3" from first (SQLite), or "$1, $2, $3" with marker '$' (PostgreSQL).
std::string Placeholders(std::size_t count, std::size_t first = 1, char marker = '?');

// A value as text for display and CSV: NULL empty, reals as short as they
// read back exactly ("2.5", "54").
std::string ValueText(const Value& value);

} // namespace kel::results
