// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CkelGuiToolApp.h"

int main(int argc, char** argv) {
    CkelGuiToolApp app(argc, argv);
    app.InitInstance();
    return 0;
}
