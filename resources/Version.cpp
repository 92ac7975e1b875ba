// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/Version.h"

#include "resources/BuildStamp.h"

namespace kel::res {

std::string_view BuildVersion() {
    return kBuildVersion;
}

std::string VersionLine(std::string_view program) {
    return std::string(program) + " " + std::string(BuildVersion());
}

std::string VersionNotice(std::string_view program) {
    return VersionLine(program) + "\nCopyright (C) the kelGuiTool authors.\nLicence " + kLicence +
           ": GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace kel::res
