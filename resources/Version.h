// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The version every program of the project shows: the release from the top
// CMakeLists.txt and, when built from a git checkout, the commit. One text
// for --version, --help, the session log headers and the results store's runs,
// so a log or a row names the exact build that wrote it.

#include <string>
#include <string_view>

namespace kel::res {

// "1.0.8g (git 99ffcd6)", "1.0.8g (git 99ffcd6, modified)" when the checkout
// held uncommitted changes, or "1.0.8g" when built outside a checkout.
std::string_view BuildVersion();

// "kel-rftest 1.0.8g (git 99ffcd6)": the first line of --version and --help.
std::string VersionLine(std::string_view program);

// What --version prints: the version line, the licence and the warranty.
std::string VersionNotice(std::string_view program);

// The licence of every program and file of the project, as SPDX names it.
inline constexpr char kLicence[] = "GPL-3.0-or-later";

} // namespace kel::res
