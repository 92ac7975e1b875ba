#include "ReadWatchdog.h"

#include "SerialPort.h"

// Placeholder body so the tree links while the watchdog is being built.
namespace kel {
ReadWatchdog::ReadWatchdog(SerialPort&, std::chrono::milliseconds) {}
ReadWatchdog::~ReadWatchdog() { Stop(); }
void ReadWatchdog::Stop() {}
} // namespace kel
