// SPDX-License-Identifier: GPL-3.0-or-later
// The ways into the windows beyond the dialog: the "Sweep…" button, which
// stands in free space of the Rx Test group without moving any control of
// the template, and the context menu's entries. Each window is made once and
// shown again, and closes with the console.

#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "console/ResultsWindow.h"
#include "console/SweepWindow.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <QPushButton>

namespace {

// Under "RX Start", beside the RX PER field, inside the Rx Test group.
constexpr kel::res::DialogRect kSweepButtonRect{404, 210, 60, 15};

void Raise(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void CkelGuiToolDlg::AddSweepButton() {
    sweepButton = new QPushButton(QString::fromUtf8(kel::res::kSweepButtonText), this);
    sweepButton->setObjectName(QStringLiteral("sweepButton"));
    sweepButton->setAutoDefault(false);
    sweepButton->setGeometry(kel::MapDialogRect(kSweepButtonRect, kel::BaseUnitsOf(font())));
    sweepButton->raise();
    // Tab reaches it right after "RX Start", the test it repeats.
    setTabOrder(GetDlgItem(kel::res::IDC_RX), sweepButton);
    connect(sweepButton, &QPushButton::clicked, this, &CkelGuiToolDlg::OpenSweepWindow);
    // The windows go when the console does.
    connect(this, &QDialog::finished, this, [this] {
        for (QWidget* window :
             {static_cast<QWidget*>(sweepWindow), static_cast<QWidget*>(resultsWindow)}) {
            if (window)
                window->close();
        }
    });
}

void CkelGuiToolDlg::OpenSweepWindow() {
    if (!sweepWindow)
        sweepWindow = new SweepWindow(*this);
    Raise(*sweepWindow);
}

void CkelGuiToolDlg::OpenResultsWindow() {
    // Opened again, it lists the runs recorded since (a sweep just made).
    if (!resultsWindow)
        resultsWindow = new ResultsWindow(*this);
    else
        resultsWindow->ShowRuns();
    Raise(*resultsWindow);
}
