// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the port box (1006) offers and how its text becomes a device to open:
// the serial devices that can be opened now, each saying what it is, the
// built-in virtual board, or a device path the user typed.
//
// The open list shows "path — description" with the persistent links in the
// tooltip; the port field (and so Connect) gets the bare path.

#include "serial/PortEnumeration.h"
#include "serial/PortNaming.h"
#include "serial/SerialPort.h"

#include <QList>
#include <QString>
#include <string>

class QComboBox;

namespace kel {

// The port box entry that stands for the virtual board the console hosts.
inline constexpr char kVirtualBoardEntry[] = "Virtual board (built-in)";

bool IsVirtualBoardEntry(const QString& text);

struct PortEntry {
    QString path;    // what the port field shows and Connect opens
    QString text;    // the line of the open list
    QString toolTip; // what the port is, where it sits, its persistent links

    bool operator==(const PortEntry&) const = default;
};

PortEntry EntryFor(const SerialPortInfo& port);
PortEntry VirtualBoardEntry();

// The serial devices that pass Probe now, then the virtual board entry.
QList<PortEntry> PortListEntries(const SystemRoots& roots = {});

// The path of each row, in order.
QStringList PortPaths(const QComboBox* box);

// Empties the box and fills it with entries; nothing is left selected.
void RefillPortList(QComboBox* box, const QList<PortEntry>& entries);

// Brings the box's rows to entries (sorted as text) in place: what is typed
// in the field, its caret and the chosen row stay as they are; a chosen row
// whose device went leaves its path in the field.
void UpdatePortList(QComboBox* box, const QList<PortEntry>& entries);

// The box's tooltip becomes that of the row whose path is in the field.
void ShowChosenToolTip(QComboBox* box);

// The device path for a typed or chosen port text (DevicePathFor).
std::string DevicePathOf(const QString& text);

} // namespace kel
