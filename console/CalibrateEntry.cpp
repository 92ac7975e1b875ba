// SPDX-License-Identifier: GPL-3.0-or-later
// The way into the Calibrate window ("Calibrate…" in the Windows row and the
// context menu) and what it asks of the console beyond the other windows:
// a confirmation, and the instrument to measure with.

#include "board/VirtualBoardHost.h"
#include "console/BenchInstrument.h"
#include "console/CkelGuiToolDlg.h"
#include "resources/Strings.h"
#include "windows/calibrate/CalibrateWindow.h"

#include <QPushButton>

void CkelGuiToolDlg::AddCalibrateButton() {
    calibrateButton =
        AddWindowEntry(QString::fromUtf8(kel::res::kCalibrateMenuText),
                       QStringLiteral("calibrateButton"), [this] { OpenCalibrateWindow(); });
}

void CkelGuiToolDlg::OpenCalibrateWindow() {
    if (!calibrateWindow) {
        calibrateWindow = new CalibrateWindow(*this, this);
        // It goes when the console does.
        connect(this, &QDialog::finished, calibrateWindow, &QWidget::close);
    }
    calibrateWindow->show();
    calibrateWindow->raise();
    calibrateWindow->activateWindow();
}

bool CkelGuiToolDlg::Confirm(const QString& question) {
    return YesNoCancel(question) == Prompter::Answer::Yes;
}

std::optional<ConsoleSession::Instrument> CkelGuiToolDlg::CalibrationInstrument(std::string& why) {
    const bool builtIn = connected && virtualBoard && port.name == virtualBoard->SlavePath();
    return instrument->ForCalibration(builtIn ? &virtualBoard->Tray() : nullptr, why);
}
