// SPDX-License-Identifier: GPL-3.0-or-later
// The ways into the Calibrate window ("Calibrate…" in the Windows row, in
// the SDD group under Export SDD File, and in the context menu) and what it
// asks of the console beyond the other windows: a confirmation, and the
// instrument to measure with.

#include "board/VirtualBoardHost.h"
#include "console/BenchInstrument.h"
#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "resources/Strings.h"
#include "windows/calibrate/CalibrateWindow.h"

#include <QPushButton>

namespace {

// In the SDD group's free corner, under Export SDD File and inside the frame.
constexpr kel::res::DialogRect kInGroupRect{404, 277, 60, 15};

} // namespace

void CkelGuiToolDlg::AddCalibrateButton() {
    calibrateButton =
        AddWindowEntry(QString::fromUtf8(kel::res::kCalibrateMenuText),
                       QStringLiteral("calibrateButton"), [this] { OpenCalibrateWindow(); });
    // Beside the freq offset and SDD power it calibrates; Tab reaches it
    // where it stands (MakeReadable).
    calibrateGroupButton = new QPushButton(QString::fromUtf8(kel::res::kCalibrateMenuText), this);
    calibrateGroupButton->setObjectName(QStringLiteral("calibrateInGroup"));
    calibrateGroupButton->setAccessibleName(tr("Calibrate"));
    calibrateGroupButton->setAccessibleDescription(
        tr("Opens the Calibrate window: crystal, TX power and sensitivity"));
    calibrateGroupButton->setAutoDefault(false);
    calibrateGroupButton->setGeometry(kel::MapDialogRect(kInGroupRect, kel::BaseUnitsOf(font())));
    connect(calibrateGroupButton, &QPushButton::clicked, this, [this] { OpenCalibrateWindow(); });
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
