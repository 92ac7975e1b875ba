// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which serial ports the system has and what each one is, read from sysfs
// (no udev needed): the USB adapter's strings and ids, an on-board UART's
// type or driver, and the persistent links udev may have made in
// /dev/serial/by-id and /dev/serial/by-path.

#include <string>
#include <vector>

namespace kel {

// Where the system's trees are; tests point these at fake trees.
struct SystemRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
};

struct SerialPortInfo {
    std::string path;        // the device node, under the /dev root
    std::string description; // "Silicon Labs CP2102 USB to UART (0001)", "16550A"; may be empty
    std::string usbId;       // "10c4:ea60" for a USB adapter, else empty
    std::string usbSerial;   // the USB adapter's serial number; may be empty
    std::string driver;      // "cp210x", "cdc_acm", "serial"; may be empty
    std::vector<std::string> links; // by-id links first, then by-path, each sorted

    bool operator==(const SerialPortInfo&) const = default;
};

// The ttys with a real device behind them, sorted by path as text; phantom
// ttyS ports and virtual terminals are left out, and nothing is opened.
std::vector<SerialPortInfo> ListSerialPorts(const SystemRoots& roots = {});

// The ports that pass Probe now, in the order given.
std::vector<SerialPortInfo> KeepOpenable(std::vector<SerialPortInfo> ports);

// The ports present that can be opened now, sorted by path as text.
std::vector<SerialPortInfo> EnumerateSerialPorts(const SystemRoots& roots = {});

// The adapter listed once as known, found again among ports, perhaps under
// another node (ttyUSB0 replugged as ttyUSB1): the port sharing one of its
// /dev/serial/by-id links, or a USB adapter with its ids and serial number;
// a port with neither is only itself at the same path. nullptr when absent.
const SerialPortInfo* FindAdapter(const std::vector<SerialPortInfo>& ports,
                                  const SerialPortInfo& known);

} // namespace kel
