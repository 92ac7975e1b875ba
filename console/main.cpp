// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CkelGuiToolApp.h"
#include "console/CommandLineInfo.h"

#include <iostream>

int main(int argc, char** argv) {
    // Answered before Qt starts: no display needed.
    if (const auto code = kel::AnswerCommandLine({argv + 1, argv + argc}, std::cout))
        return *code;
    CkelGuiToolApp app(argc, argv);
    app.InitInstance();
    return 0;
}
