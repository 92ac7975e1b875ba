// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/CalibrateTour.h"

#include "console/CkelGuiToolDlg.h"
#include "windows/calibrate/CalibrateWindow.h"

#include <QLineEdit>
#include <QPushButton>

void CalibrateTour(CkelGuiToolDlg& dlg, const std::function<void(QWidget*, const char*)>& save) {
    dlg.OpenCalibrateWindow();
    CalibrateWindow& w = *dlg.calibrateWindow;
    w.dutEdit->setText(QStringLiteral("SN-0042"));
    // Sensitivity first, so the picture holds both charts and the crystal's
    // trials, its result and Save to SDD ready.
    w.sensitivityButton->click();
    w.crystalButton->click();
    save(&w, "calibrate-window");
    w.close();
}
