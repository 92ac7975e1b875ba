// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/ExportCsv.h"

#include "results/Queries.h"
#include "rftest/RxCsv.h"

namespace kel::results {

std::string ExportCsvHeader() {
    std::string header;
    for (const std::string& name : ExportColumns())
        header += (header.empty() ? "" : ",") + name;
    return header + "\n";
}

std::string ExportCsvLine(const Row& row) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i)
        line += (i == 0 ? "" : ",") + rftest::CsvField(ValueText(row[i]));
    return line + "\n";
}

} // namespace kel::results
