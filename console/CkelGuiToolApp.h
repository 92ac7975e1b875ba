// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application object: sets up the program and runs the console dialog
// for the program's whole life.

#include <QApplication>

class CkelGuiToolApp : public QApplication {
    Q_OBJECT
public:
    CkelGuiToolApp(int& argc, char** argv);

    // Runs the console until it closes. Returns false: the program then ends.
    bool InitInstance();
};
