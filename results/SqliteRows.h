// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Rows of values in and out of SQLite statements (bound, never spliced in).

#include "results/Columns.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

namespace kel::results {

void Bind(SQLite::Statement& statement, int index, const Value& value);
// Binds row's values to ?first, ?first+1, ...
void BindRow(SQLite::Statement& statement, const Row& row, int first = 1);
Value ColumnValue(const SQLite::Column& column);
// count columns of the current result row from column first.
Row ReadRow(SQLite::Statement& statement, int first, std::size_t count);

} // namespace kel::results
