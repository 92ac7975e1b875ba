#include "serial/PortEnumeration.h"

#include "serial/SerialPort.h"
#include "tests/support/PtyPeer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kel {
namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty with devices behind some entries.
class FakeSysfs {
public:
    FakeSysfs() : root_(fs::temp_directory_path() / ("kel-sysfs-" + std::to_string(getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "class/tty");
    }
    ~FakeSysfs() { fs::remove_all(root_); }

    void AddTty(const std::string& name, const std::string& deviceDir = "",
                const std::string& type = "") {
        const fs::path tty = root_ / "class/tty" / name;
        fs::create_directories(tty);
        if (!deviceDir.empty()) {
            fs::create_directories(root_ / deviceDir);
            fs::create_directory_symlink(root_ / deviceDir, tty / "device");
        }
        if (!type.empty())
            std::ofstream(tty / "type") << type << "\n";
    }
    std::string ClassTty() const { return (root_ / "class/tty").string(); }

private:
    fs::path root_;
};

TEST(PortEnumeration, ListsRealDevicesOnlySortedAsText) {
    FakeSysfs sys;
    sys.AddTty("ttyUSB0", "devices/pci0/usb1/1-1:1.0/ttyUSB0");
    sys.AddTty("ttyACM0", "devices/pci0/usb1/1-2:1.0");
    sys.AddTty("ttyS0", "devices/pnp0/00:00", "4");
    sys.AddTty("ttyS10", "devices/platform/serial8250", "4");
    sys.AddTty("ttyS2", "devices/platform/serial8250", "0"); // phantom UART
    sys.AddTty("tty0");                                      // virtual terminal, no device
    sys.AddTty("ttyGS0", "devices/virtual/tty/ttyGS0");
    EXPECT_EQ(
        ListSerialDevices(sys.ClassTty(), "/dev"),
        (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS10", "/dev/ttyUSB0"}));
}

TEST(PortEnumeration, MissingSysfsListsNothing) {
    EXPECT_TRUE(ListSerialDevices("/nonexistent/class/tty").empty());
}

TEST(PortEnumeration, KeepsOnlyPortsThatOpenNow) {
    test::PtyPeer free;
    test::PtyPeer held;
    SerialPort holder;
    ASSERT_EQ(holder.Open(held.SlavePath(), 115200), 0);
    EXPECT_EQ(KeepOpenable({held.SlavePath(), "/dev/kel-gone", free.SlavePath()}),
              std::vector<std::string>{free.SlavePath()});
}

} // namespace
} // namespace kel
