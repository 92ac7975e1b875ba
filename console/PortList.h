#pragma once
// What the port box (1006) offers and how its text becomes a device to open:
// the serial devices that can be opened now, the built-in virtual board, or
// a device path the user typed.

#include "serial/SerialPort.h"

#include <QString>
#include <QStringList>
#include <string>

class QComboBox;

namespace kel {

// The port box entry that stands for the virtual board the console hosts.
inline constexpr char kVirtualBoardEntry[] = "Virtual board (built-in)";

bool IsVirtualBoardEntry(const QString& text);

// The serial devices that pass Probe now, then the virtual board entry.
QStringList PortListEntries();

// Empties the box and fills it with entries; nothing is left selected.
void RefillPortList(QComboBox* box, const QStringList& entries);

// The device path for a typed or chosen port text: surrounding blanks go, and
// a bare name such as "ttyUSB0" is taken from /dev. Empty text gives "".
std::string DevicePathOf(const QString& text);

// One log line saying in plain words why a port could not be opened.
std::string OpenFailureLine(OpenError why, const std::string& path);

} // namespace kel
