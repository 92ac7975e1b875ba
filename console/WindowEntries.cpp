// SPDX-License-Identifier: GPL-3.0-or-later
// The ways into the windows beyond the dialog: the "Sweep…" button, which
// stands in free space of the Rx Test group without moving any control of
// the template, and the context menu's entries. Each window is made once and
// shown again, and closes with the console. The windows reach the connection
// through ConsoleSession, implemented here.

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "console/LinkWatcher.h"
#include "console/ResultsRecorder.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"
#include "rftest/RfTables.h"
#include "windows/ResultsWindow.h"
#include "windows/SweepWindow.h"

#include <QComboBox>
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
        sweepWindow = new SweepWindow(*this, this);
    Raise(*sweepWindow);
}

void CkelGuiToolDlg::OpenResultsWindow() {
    // Opened again, it lists the runs recorded since (a sweep just made).
    if (!resultsWindow)
        resultsWindow = new ResultsWindow(*this, this);
    else
        resultsWindow->ShowRuns();
    Raise(*resultsWindow);
}

// --- ConsoleSession -------------------------------------------------------------

bool CkelGuiToolDlg::TestRunning() const {
    return txRunning || toneRunning || rxRunning;
}

void CkelGuiToolDlg::LeftAt(int channel, int rateRow) {
    channelList->setCurrentIndex(kel::rftest::RowOfChannel(channel));
    rateList->setCurrentIndex(rateRow);
    SetDlgItemText(kel::res::IDC_POWER, kel::TextFromBytes(powerText));
    linkWatcher->chosen.channel = channel;
    linkWatcher->chosen.rateRow = rateRow;
}

const kel::results::StoreSetting& CkelGuiToolDlg::ResultsSetting() const {
    return results->Setting();
}

const kel::results::RunRecord& CkelGuiToolDlg::BeginSweepRun(const std::string& dut) {
    results->BeginSweep(dut);
    return results->SweepRun();
}

void CkelGuiToolDlg::RecordSweepPoint(const kel::rftest::Measurement& point) {
    results->RecordSweepPoint(point);
}

void CkelGuiToolDlg::EndSweepRun(const std::string& verdict) {
    results->EndSweep(verdict);
}
