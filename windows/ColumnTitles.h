// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored columns as a person reads them in a table heading: words and
// units ("PER (%)", "Rate (Mbit/s)"); the stored name stays in the
// heading's tooltip, as exports and queries use it.

#include "results/Columns.h"

#include <QColor>
#include <QString>
#include <string_view>

// Decimals of a PER wherever a window writes one (cells, grid, axis), as
// the board's read-out writes it.
constexpr int kPerDecimals = 2;

QString ColumnTitle(std::string_view storedName);
// A stored value as a cell shows it: a PER with kPerDecimals, a rate with
// one decimal, as the sweep's grid writes them; others as stored.
QString CellText(std::string_view storedName, const kel::results::Value& value);
// The colour a verdict's cell is drawn on ("pass", "fail", ...); invalid
// for a verdict with no colour (none given).
QColor VerdictColour(std::string_view verdict);
