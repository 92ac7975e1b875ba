// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/SqliteRows.h"

#include <sqlite3.h>

namespace kel::results {

void Bind(SQLite::Statement& statement, int index, const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        statement.bind(index, *text);
    else if (const auto* i = std::get_if<std::int64_t>(&value))
        statement.bind(index, static_cast<std::int64_t>(*i));
    else if (const auto* d = std::get_if<double>(&value))
        statement.bind(index, *d);
    else
        statement.bind(index);
}

void BindRow(SQLite::Statement& statement, const Row& row, int first) {
    for (std::size_t i = 0; i < row.size(); ++i)
        Bind(statement, first + static_cast<int>(i), row[i]);
}

Value ColumnValue(const SQLite::Column& column) {
    switch (column.getType()) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(column.getInt64());
    case SQLITE_FLOAT:
        return column.getDouble();
    case SQLITE_NULL:
        return std::monostate{};
    default:
        return column.getString();
    }
}

Row ReadRow(SQLite::Statement& statement, int first, std::size_t count) {
    Row row;
    row.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        row.push_back(ColumnValue(statement.getColumn(first + static_cast<int>(i))));
    return row;
}

} // namespace kel::results
