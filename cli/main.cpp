// SPDX-License-Identifier: GPL-3.0-or-later
// kel-rftest: the RF tests of the console from the command line, for scripts
// and production lines. `kel-rftest --help` says how.

#include "cli/Interruption.h"
#include "cli/RfTestRun.h"

#include <iostream>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    kel::cli::Interruption interruption;
    interruption.InstallSignalHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    kel::cli::RunSettings settings;
    settings.noteSilence = isatty(STDERR_FILENO) == 1;
    settings.liveTable = settings.noteSilence;
    settings.terminalSize = [] {
        winsize size{};
        if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0)
            return std::pair<std::size_t, std::size_t>{0, 0};
        return std::pair<std::size_t, std::size_t>{size.ws_col, size.ws_row};
    };
    return kel::cli::RunRfTest(args, std::cout, std::cerr, interruption, settings);
}
