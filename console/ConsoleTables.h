// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's own texts: the version and the About box.

#include <string>

namespace kel {

// "1.0.8g", set by the build (KEL_VERSION in the top CMakeLists.txt).
inline constexpr char kVersionText[] = KEL_VERSION;
// Second line of the About box: the licence ("Licence: GPL-3.0-or-later").
std::string AboutNotice();

// "KEL GUI Tool(Version:1.0.8g)": the console's caption and the About box's line.
std::string VersionCaption();

} // namespace kel
