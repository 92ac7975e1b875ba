// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialTree.h"

#include <fstream>
#include <vector>

namespace kel::test {

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& file, const std::string& text) {
    if (!text.empty())
        std::ofstream(file) << text << "\n";
}

// sysfs and udev make relative links.
void RelativeLink(const fs::path& target, const fs::path& link) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target.lexically_relative(link.parent_path()), link);
}

} // namespace

FakeSerialTree::FakeSerialTree() {
    fs::create_directories(Sys("class/tty"));
    fs::create_directories(folder_.path / "dev");
}

fs::path FakeSerialTree::UsbDevice(int usbPort, const UsbStrings& usb) {
    const fs::path device =
        Sys("devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(usbPort));
    fs::create_directories(device);
    WriteFile(device / "manufacturer", usb.manufacturer);
    WriteFile(device / "product", usb.product);
    WriteFile(device / "serial", usb.serial);
    WriteFile(device / "idVendor", usb.vendorId);
    WriteFile(device / "idProduct", usb.productId);
    Bind(device, "usb", "usb");
    return device;
}

void FakeSerialTree::AddUsbSerial(const std::string& name, int usbPort, const UsbStrings& usb,
                                  const std::string& driver) {
    const fs::path interface = UsbDevice(usbPort, usb) / ("1-" + std::to_string(usbPort) + ":1.0");
    fs::create_directories(interface);
    Bind(interface, "usb", driver);
    const fs::path port = interface / name;
    fs::create_directories(port);
    Bind(port, "usb-serial", driver);
    AddTty(name, port);
}

void FakeSerialTree::AddAcm(const std::string& name, int usbPort, const UsbStrings& usb) {
    const fs::path interface = UsbDevice(usbPort, usb) / ("1-" + std::to_string(usbPort) + ":1.0");
    fs::create_directories(interface);
    Bind(interface, "usb", "cdc_acm");
    AddTty(name, interface);
}

void FakeSerialTree::AddUart(const std::string& name, int type) {
    // pnp device (driver "serial") > serial-base controller > serial-base port.
    const fs::path pnp = Sys("devices/pnp0/" + name);
    const fs::path port = pnp / (name + ":0") / (name + ":0.0");
    fs::create_directories(port);
    Bind(pnp, "pnp", "serial");
    Bind(port.parent_path(), "serial-base", "ctrl");
    Bind(port, "serial-base", "port");
    AddTty(name, port);
    WriteFile(port / "tty" / name / "type", std::to_string(type));
}

void FakeSerialTree::AddVirtualTty(const std::string& name) {
    const fs::path node = Sys("devices/virtual/tty/" + name);
    fs::create_directories(node);
    RelativeLink(node, Sys("class/tty/" + name));
}

void FakeSerialTree::AddNode(const std::string& name, const std::string& target) {
    const fs::path node = folder_.path / "dev" / name;
    if (target.empty())
        WriteFile(node, "node");
    else
        fs::create_symlink(target, node);
}

void FakeSerialTree::AddPersistentLink(const std::string& folder, const std::string& link,
                                       const std::string& node) {
    RelativeLink(folder_.path / "dev" / node, folder_.path / "dev/serial" / folder / link);
}

void FakeSerialTree::Remove(const std::string& name) {
    fs::remove(Sys("class/tty/" + name));
    fs::remove(folder_.path / "dev" / name);
    std::vector<fs::path> links;
    for (const char* folder : {"by-id", "by-path"}) {
        std::error_code error;
        for (fs::directory_iterator it(folder_.path / "dev/serial" / folder, error), end;
             !error && it != end; it.increment(error))
            links.push_back(it->path());
    }
    for (const fs::path& link : links) {
        std::error_code error;
        if (fs::read_symlink(link, error).filename() == name)
            fs::remove(link, error);
    }
}

void FakeSerialTree::AddTty(const std::string& name, const fs::path& device) {
    const fs::path node = device / "tty" / name;
    fs::create_directories(node);
    RelativeLink(device, node / "device");
    RelativeLink(node, Sys("class/tty/" + name));
}

void FakeSerialTree::Bind(const fs::path& device, const std::string& bus,
                          const std::string& driver) {
    const fs::path busDir = Sys("bus/" + bus);
    fs::create_directories(busDir / "drivers" / driver);
    RelativeLink(busDir, device / "subsystem");
    RelativeLink(busDir / "drivers" / driver, device / "driver");
}

} // namespace kel::test
