#include "console/ConsoleTables.h"

#include <cstdio>

namespace kel {

std::string RateText(const RateRow& row) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1fMbps", static_cast<double>(row.mbps));
    return text;
}

std::string VersionCaption() {
    return std::string("KEL GUI Tool(Version:") + kVersionText + ")";
}

} // namespace kel
