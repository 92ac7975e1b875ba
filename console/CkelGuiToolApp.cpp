// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CkelGuiToolApp.h"

#include "console/CkelGuiToolDlg.h"
#include "console/FocusFrameStyle.h"
#include "resources/Strings.h"

#include <QIcon>

CkelGuiToolApp::CkelGuiToolApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(kel::res::kApplicationName));
    // Named for tidiness only: the console keeps no settings.
    setOrganizationName(QString::fromUtf8(kel::res::kSettingsKey));
    setDesktopFileName(QString::fromUtf8(kel::res::kApplicationName));
    setWindowIcon(QIcon(QString::fromUtf8(kel::res::kAppIconPath)));
    ShowFocusOnFrames(*this);
    QFont uiFont = font();
    uiFont.setPointSize(9);
    setFont(uiFont);
}

bool CkelGuiToolApp::InitInstance() {
    CkelGuiToolDlg dlg;
    dlg.exec();
    return false;
}
