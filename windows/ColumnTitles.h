// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stored columns as a person reads them in a table heading: words and
// units ("PER (%)", "Rate (Mbit/s)"); the stored name stays in the
// heading's tooltip, as exports and queries use it.

#include <QColor>
#include <QString>
#include <string_view>

QString ColumnTitle(std::string_view storedName);
// The colour a verdict's cell is drawn on ("pass", "fail", ...); invalid
// for a verdict with no colour (none given).
QColor VerdictColour(std::string_view verdict);
