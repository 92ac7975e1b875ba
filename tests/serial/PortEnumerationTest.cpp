// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortEnumeration.h"

#include "serial/SerialPort.h"
#include "tests/support/FakeSerialTree.h"
#include "tests/support/PtyPeer.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

using test::FakeSerialTree;

TEST(PortEnumeration, SaysWhatEachPortIsFromSysfs) {
    FakeSerialTree tree;
    tree.AddUsbSerial("ttyUSB0", 1, {"Silicon Labs", "CP2102 USB to UART", "0001", "10c4", "ea60"},
                      "cp210x");
    tree.AddUsbSerial("ttyUSB1", 3, {"FTDI", "FTDI FT232R\tUSB UART", "", "0403", "6001"},
                      "ftdi_sio");
    tree.AddAcm("ttyACM0", 2, {"", "", "", "2e8a", "000a"});
    tree.AddUart("ttyS0", 4);
    tree.AddUart("ttyS1", 0); // phantom: no UART behind it
    tree.AddVirtualTty("tty0");
    tree.AddPersistentLink("by-id", "usb-Silicon_Labs_CP2102_USB_to_UART_0001-if00-port0",
                           "ttyUSB0");
    tree.AddPersistentLink("by-path", "pci-0000:00:14.0-usb-0:1:1.0-port0", "ttyUSB0");

    const std::vector<SerialPortInfo> expected{
        {tree.DevPath("ttyACM0"), "2e8a:000a", "2e8a:000a", "", "cdc_acm", {}},
        {tree.DevPath("ttyS0"), "16550A", "", "", "serial", {}},
        {tree.DevPath("ttyUSB0"),
         "Silicon Labs CP2102 USB to UART (0001)",
         "10c4:ea60",
         "0001",
         "cp210x",
         {tree.DevPath("serial/by-id/usb-Silicon_Labs_CP2102_USB_to_UART_0001-if00-port0"),
          tree.DevPath("serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0")}},
        // A product naming its maker is not doubled; a control character is blanked.
        {tree.DevPath("ttyUSB1"), "FTDI FT232R USB UART", "0403:6001", "", "ftdi_sio", {}},
    };
    EXPECT_EQ(ListSerialPorts(tree.Roots()), expected);
}

// A replugged adapter may come back under another node name; it is known by
// its by-id link or its serial number, a port with neither by its path alone.
TEST(PortEnumeration, FindsAnAdapterAgainUnderAnotherNode) {
    const auto port = [](std::string path, std::string usbSerial, std::string link = "") {
        SerialPortInfo info{std::move(path), "", "10c4:ea60", std::move(usbSerial), "cp210x", {}};
        if (!link.empty())
            info.links.push_back(std::move(link));
        return info;
    };
    const std::string byId = "/dev/serial/by-id/usb-CP2102-if00-port0";
    const std::vector<SerialPortInfo> now{port("/dev/ttyUSB0", "0002"),
                                          port("/dev/ttyUSB1", "0001"),
                                          port("/dev/ttyUSB2", "", byId),
                                          {"/dev/ttyS0", "16550A", "", "", "serial", {}}};

    EXPECT_EQ(FindAdapter(now, port("/dev/ttyUSB0", "0001")), &now[1]);
    EXPECT_EQ(FindAdapter(now, port("/dev/ttyUSB7", "", byId)), &now[2]);
    EXPECT_EQ(FindAdapter(now, port("/dev/ttyUSB0", "0003")), nullptr);
    // Another adapter on the old node is not it: a by-id link says who it was.
    EXPECT_EQ(FindAdapter(now, port("/dev/ttyUSB0", "", "/dev/serial/by-id/usb-other")), nullptr);
    EXPECT_EQ(FindAdapter(now, {"/dev/ttyS0", "16550A", "", "", "serial", {}}), &now[3]);
}

TEST(PortEnumeration, MissingSysfsListsNothing) {
    EXPECT_TRUE(ListSerialPorts({"/nonexistent/sys", "/dev"}).empty());
}

TEST(PortEnumeration, KeepsOnlyPortsThatOpenNow) {
    test::PtyPeer free;
    test::PtyPeer held;
    SerialPort holder;
    ASSERT_EQ(holder.Open(held.SlavePath(), 115200), 0);
    std::vector<SerialPortInfo> ports(3);
    ports[0].path = held.SlavePath();
    ports[1].path = "/dev/kel-gone";
    ports[2].path = free.SlavePath();
    const std::vector<SerialPortInfo> kept = KeepOpenable(ports);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].path, free.SlavePath());
}

} // namespace
} // namespace kel
