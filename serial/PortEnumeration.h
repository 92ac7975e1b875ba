#pragma once
#include <string>
#include <vector>

namespace kel {

// The serial devices present that can be opened now, by device path, sorted
// as text. Phantom ttyS ports and virtual terminals are left out.
std::vector<std::string> EnumerateSerialPorts();

// The device paths (devDir + name) of the ttys listed under sysClassTty that
// have a real device behind them, sorted as text; nothing is opened.
std::vector<std::string> ListSerialDevices(const std::string& sysClassTty = "/sys/class/tty",
                                           const std::string& devDir = "/dev");

// The paths that pass Probe now, sorted as text.
std::vector<std::string> KeepOpenable(std::vector<std::string> paths);

} // namespace kel
