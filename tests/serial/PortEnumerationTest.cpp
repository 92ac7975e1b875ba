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
        {tree.DevPath("ttyACM0"), "2e8a:000a", "2e8a:000a", "cdc_acm", {}},
        {tree.DevPath("ttyS0"), "16550A", "", "serial", {}},
        {tree.DevPath("ttyUSB0"),
         "Silicon Labs CP2102 USB to UART (0001)",
         "10c4:ea60",
         "cp210x",
         {tree.DevPath("serial/by-id/usb-Silicon_Labs_CP2102_USB_to_UART_0001-if00-port0"),
          tree.DevPath("serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0")}},
        // A product naming its maker is not doubled; a control character is blanked.
        {tree.DevPath("ttyUSB1"), "FTDI FT232R USB UART", "0403:6001", "ftdi_sio", {}},
    };
    EXPECT_EQ(ListSerialPorts(tree.Roots()), expected);
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
