// SPDX-License-Identifier: GPL-3.0-or-later
// The way into the operator's station: "Station…" in the console's row of
// windows. The station runs its own slots on their own ports, apart from the
// console's connection, so the entry is always there to press.

#include "console/CkelGuiToolDlg.h"
#include "windows/station/StationStart.h"

#include <QPushButton>

void CkelGuiToolDlg::AddStationButton() {
    stationButton = AddWindowEntry(tr("Station…"), QStringLiteral("stationButton"),
                                   [this] { OpenStationStart(); });
}

void CkelGuiToolDlg::OpenStationStart() {
    auto* start = new StationStart(this);
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->show();
}
