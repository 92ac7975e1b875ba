// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A /sys and a /dev in a temporary folder, laid out the way the kernel and
// udev lay them out, for enumeration and hot-plug tests: a tty's class entry
// links to its node under devices/, whose "device" link leads to the
// hardware (a usb-serial port, a USB interface, a UART's serial-base port).

#include "serial/PortEnumeration.h"
#include "tests/support/TempFolder.h"

#include <filesystem>
#include <string>

namespace kel::test {

struct UsbStrings {
    std::string manufacturer, product, serial; // empty: the file is missing
    std::string vendorId, productId;
};

class FakeSerialTree {
public:
    FakeSerialTree();
    FakeSerialTree(const FakeSerialTree&) = delete;
    FakeSerialTree& operator=(const FakeSerialTree&) = delete;

    SystemRoots Roots() const {
        return {(folder_.path / "sys").string(), (folder_.path / "dev").string()};
    }
    std::string DevPath(const std::string& name) const {
        return (folder_.path / "dev" / name).string();
    }

    // A usb-serial adapter (ttyUSBn) at hub port usbPort: the tty hangs off
    // the driver's port device below the USB interface.
    void AddUsbSerial(const std::string& name, int usbPort, const UsbStrings& usb,
                      const std::string& driver);
    // A CDC ACM device (ttyACMn): the tty hangs off the USB interface.
    void AddAcm(const std::string& name, int usbPort, const UsbStrings& usb);
    // An 8250 UART of the platform with its type number (0: no UART there).
    void AddUart(const std::string& name, int type);
    // A tty with no hardware behind it (a virtual terminal).
    void AddVirtualTty(const std::string& name);
    // The /dev node: a link to a real device (a pty) when target is given.
    void AddNode(const std::string& name, const std::string& target = "");
    // A persistent link in /dev/serial/<folder> ("by-id", "by-path").
    void AddPersistentLink(const std::string& folder, const std::string& link,
                           const std::string& node);
    // Unplugging: the class entry, the node and its persistent links go.
    void Remove(const std::string& name);

private:
    std::filesystem::path Sys(const std::string& relative) const {
        return folder_.path / "sys" / relative;
    }
    std::filesystem::path UsbDevice(int usbPort, const UsbStrings& usb);
    void AddTty(const std::string& name, const std::filesystem::path& device);
    void Bind(const std::filesystem::path& device, const std::string& bus,
              const std::string& driver);

    TempFolder folder_{"kel-serial-tree"};
};

} // namespace kel::test
