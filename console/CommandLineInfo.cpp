// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CommandLineInfo.h"

#include "resources/Strings.h"
#include "resources/Version.h"

#include <algorithm>
#include <ostream>

namespace kel {

namespace {

constexpr char kHelp[] =
    "A desktop test console for the RF test mode of Wi-Fi test boards: pick the\n"
    "chip model, the serial port and the baud rate, connect, and drive the board's\n"
    "RF test firmware with buttons (TX, RX with packet error rate, single tone,\n"
    "channel, rate, power, MAC addresses, crystal calibration, the SDD power table,\n"
    "SDD file export, the supply switch and free command lines). The port list\n"
    "offers a built-in virtual board for trying it without hardware.\n"
    "\n"
    "Usage: kelGuiTool [OPTION] [QT OPTION]...\n"
    "       kelGuiTool --station PLAN --slot NAME=PORT [--slot ...] [--operator NAME]\n"
    "                  [--fullscreen]\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help, then exit\n"
    "      --version  print the version and the licence, then exit\n"
    "      --station PLAN  the operator's station for the plan: a tile per slot,\n"
    "                 each testing board after board, fed by a barcode scanner\n"
    "      --slot NAME=PORT  a slot of the station (\"Fixture A=ttyUSB0\"), 1 to 16\n"
    "      --operator NAME  recorded with every run (asked when not given)\n"
    "      --fullscreen  the station on the whole screen\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, -reverse, ...) go to Qt.\n"
    "kel-rftest runs the same tests from the command line. The manual: 'man kelGuiTool';\n"
    "the user guide: /usr/share/doc/kelguitool/guide.md.\n";

bool Holds(const std::vector<std::string>& args, const char* word) {
    return std::find(args.begin(), args.end(), word) != args.end();
}

} // namespace

std::optional<int> AnswerCommandLine(const std::vector<std::string>& args, std::ostream& out) {
    if (Holds(args, "--version")) {
        out << res::VersionNotice(res::kApplicationName);
        return 0;
    }
    if (Holds(args, "--help") || Holds(args, "-h")) {
        out << res::VersionLine(res::kApplicationName) << '\n' << kHelp;
        return 0;
    }
    return std::nullopt;
}

} // namespace kel
