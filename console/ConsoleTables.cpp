// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ConsoleTables.h"

#include "resources/Version.h"

namespace kel {

std::string VersionCaption() {
    return std::string("KEL GUI Tool(Version:") + kVersionText + ")";
}

std::string AboutNotice() {
    return std::string("Licence: ") + res::kLicence;
}

} // namespace kel
