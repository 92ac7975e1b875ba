// SPDX-License-Identifier: GPL-3.0-or-later
// The way into the operator's station: "Station…" in the free space of the
// Channel Set group, without moving a control of the template. The station
// runs its own slots on their own ports, apart from the console's
// connection, so the button is always there to press.

#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "resources/ResourceIds.h"
#include "windows/station/StationStart.h"

#include <QPushButton>

namespace {

// Right of the channel list, inside the Channel Set group.
constexpr kel::res::DialogRect kStationButtonRect{404, 67, 60, 14};

} // namespace

void CkelGuiToolDlg::AddStationButton() {
    stationButton = new QPushButton(tr("Station…"), this);
    stationButton->setObjectName(QStringLiteral("stationButton"));
    stationButton->setAutoDefault(false);
    stationButton->setGeometry(kel::MapDialogRect(kStationButtonRect, kel::BaseUnitsOf(font())));
    stationButton->raise();
    setTabOrder(GetDlgItem(kel::res::IDC_CHANNEL), stationButton);
    connect(stationButton, &QPushButton::clicked, this, &CkelGuiToolDlg::OpenStationStart);
}

void CkelGuiToolDlg::OpenStationStart() {
    auto* start = new StationStart(this);
    start->setAttribute(Qt::WA_DeleteOnClose);
    start->show();
}
