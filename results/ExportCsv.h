// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measurements joined with their runs as CSV: the lines of kel-rftest's
// `results export --format csv` and of the console's results window, so a
// spreadsheet reads either the same.

#include "results/Columns.h"

#include <string>

namespace kel::results {

// ExportColumns() joined by commas, with its line feed.
std::string ExportCsvHeader();
// A row in ExportColumns() order (ExportRow, ExportRows), with its line feed.
std::string ExportCsvLine(const Row& row);

} // namespace kel::results
