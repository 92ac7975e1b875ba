// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A row of the store as JSON, for the server (one array of rows per batch)
// and for kel-rftest's results subcommands: NULL as null, numbers as
// numbers, each value under its column's name.

#include "results/Columns.h"

#include <cstddef>
#include <iterator>

namespace kel::results {

template <typename Json> Json JsonOf(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return *i;
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    return nullptr;
}

template <typename Json, typename Names> Json RowObject(const Names& columns, const Row& row) {
    Json object = Json::object();
    for (std::size_t i = 0; i < row.size() && i < std::size(columns); ++i)
        object[std::string(columns[i])] = JsonOf<Json>(row[i]);
    return object;
}

} // namespace kel::results
