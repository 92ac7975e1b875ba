#pragma once
#include <string>
#include <vector>

namespace kel {

// The serial devices present that can be opened now, by device path, sorted
// as text. Phantom ttyS ports and virtual terminals are left out.
std::vector<std::string> EnumerateSerialPorts();

} // namespace kel
