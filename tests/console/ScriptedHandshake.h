// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a scripted board answers to the handshake of chip model 0 (probe,
// connect, enable_phy), and what the connection tests check afterwards.

#include "resources/ResourceIds.h"
#include "serial/SerialPort.h"

#include <QList>
#include <chrono>
#include <string>

inline constexpr char kReady[] = "kel driver is ready!\n";
inline constexpr char kOk[] = "Sending CMD OK!\n";
inline constexpr char kPhyOk[] = "power level:20\nSending CMD OK!\n";

// Give-up paths wait one slice per attempt: a short one keeps them quick.
inline constexpr std::chrono::milliseconds kGiveUpSlice{5};

// True when no one holds the device, so the console closed it.
inline bool Released(const std::string& path) {
    return kel::SerialPort::Probe(path);
}

// The port settings, which a connection locks.
inline const QList<int> kChoiceControls{kel::res::IDC_CHIP_MODEL, kel::res::IDC_COM_PORT,
                                        kel::res::IDC_BAUD_RATE};
