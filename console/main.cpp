// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CkelGuiToolApp.h"
#include "console/CommandLineInfo.h"
#include "windows/station/StationOptions.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Answered before Qt starts: no display needed.
    if (const auto code = kel::AnswerCommandLine(args, std::cout))
        return *code;
    // --station: the operator's station alone, its words checked first.
    std::string error;
    const std::optional<StationOptions> station = ReadStationOptions(args, error);
    std::optional<StationSetup> setup;
    if (station && station->Complete())
        setup = StationSetupFor(*station, error);
    if (!error.empty()) {
        std::cerr << "kelGuiTool: " << error << (error.back() == '\n' ? "" : "\n");
        return 2;
    }
    CkelGuiToolApp app(argc, argv);
    if (setup)
        return RunStation(std::move(*setup), station->fullscreen);
    if (station)
        return RunStationStart(*station);
    app.InitInstance();
    return 0;
}
