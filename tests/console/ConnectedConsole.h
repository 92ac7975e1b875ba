// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console as a successful connect leaves it (flags clear, captions at
// "Start", count and length "0", channel 7, rate 1 Mbit/s, the controls of the
// chip model enabled), on a port opened to the given device, with nothing
// sent: for handler tests whose board is a script that should not have to
// play the handshake. Whatever serves the device must outlive this object.

#include "ConsoleFixture.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"
#include "serial/ReadWatchdog.h"

#include <QComboBox>
#include <stdexcept>

struct ConnectedConsole : ConsoleFixture {
    ConnectedConsole(const std::string& device, int chipModel, std::chrono::milliseconds slice)
        : ConsoleFixture(slice) {
        using namespace kel::res;
        dlg->chipModelList->setCurrentIndex(chipModel);
        dlg->chipModelIndex = chipModel;
        if (dlg->port.Open(device, 115200) != 0)
            throw std::runtime_error("cannot open " + device);
        dlg->watchdog = std::make_unique<kel::ReadWatchdog>(dlg->port, slice);
        dlg->EnableControls(true);
        dlg->connected = 1;
        dlg->SetDlgItemText(IDC_CONNECT, QStringLiteral("Disconnect"));
        dlg->SetDlgItemText(IDC_TX, QStringLiteral("TX Start"));
        dlg->SetDlgItemText(IDC_RX, QStringLiteral("RX Start"));
        dlg->SetDlgItemText(IDC_TONE, QStringLiteral("Tone Start"));
        dlg->txCountText = "0";
        dlg->txLengthText = "0";
        dlg->channelList->setCurrentIndex(kel::rftest::RowOfChannel(7));
        dlg->rateList->setCurrentIndex(kel::rftest::RateRowAt(1.0f));
        dlg->UpdateData(false);
    }
};
