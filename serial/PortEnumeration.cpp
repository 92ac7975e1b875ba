// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortEnumeration.h"

#include "SerialPort.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>

namespace kel {

namespace {

namespace fs = std::filesystem;

// Longer sysfs strings are not names anyone reads in a list.
constexpr std::size_t kMaxAttributeLength = 128;

// The first line of a sysfs attribute, trimmed. A USB device chooses its own
// strings: control characters become blanks so an entry stays one line.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    if (text.size() > kMaxAttributeLength)
        text.resize(kMaxAttributeLength);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            c = ' ';
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string LinkName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// A folder's entries, sorted. Devices come and go while it is read: an
// entry that vanishes meanwhile ends the listing instead of throwing.
std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The 8250 family's port types, as the kernel's serial core numbers them.
std::string UartTypeName(int type) {
    static constexpr std::array<const char*, 16> kNames = {
        "",      "8250",     "16450",  "16550", "16550A", "Cirrus", "16650",    "16650V2",
        "16750", "Startech", "16C950", "16654", "16850",  "RSA",    "NS16550A", "XScale"};
    if (type <= 0 || type >= static_cast<int>(kNames.size()))
        return {};
    return kNames[type];
}

int UartType(const fs::path& tty) {
    std::ifstream typeFile(tty / "type");
    int type = -1;
    typeFile >> type;
    return type;
}

// The 8250 driver registers every ttyS it might have; one with no UART behind
// it reports type 0 (unknown) and cannot carry a byte.
bool IsPhantomUart(const fs::path& tty) {
    return tty.filename().string().starts_with("ttyS") && UartType(tty) == 0;
}

// The device behind a tty, resolved; empty for virtual terminals, consoles
// and other ttys that no hardware stands behind.
fs::path RealDevice(const fs::path& tty) {
    std::error_code error;
    const fs::path device = fs::canonical(tty / "device", error);
    if (error || device.string().find("/virtual/") != std::string::npos)
        return {};
    return device;
}

bool IsUnder(const fs::path& dir, const fs::path& root) {
    const auto [rootEnd, dirAt] = std::mismatch(root.begin(), root.end(), dir.begin(), dir.end());
    return rootEnd == root.end() && dir != root;
}

// The USB device (the directory with idVendor) a tty's device sits in, or
// empty when it is not on USB.
fs::path UsbDeviceOf(fs::path dir, const fs::path& sysRoot) {
    std::error_code error;
    for (; IsUnder(dir, sysRoot); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", error))
            return dir;
    }
    return {};
}

// The driver bound to the device. Newer kernels put a port device of the
// serial core (bus serial-base) between a UART and its driver: look past it.
std::string DriverOf(fs::path dir, const fs::path& sysRoot) {
    for (; IsUnder(dir, sysRoot); dir = dir.parent_path()) {
        if (LinkName(dir / "subsystem") != "serial-base")
            return LinkName(dir / "driver");
    }
    return {};
}

// "Manufacturer Product (serial)", the ids when the adapter has no strings.
std::string UsbDescription(const fs::path& usb, const std::string& usbId,
                           const std::string& serial) {
    const std::string manufacturer = ReadAttribute(usb / "manufacturer");
    const std::string product = ReadAttribute(usb / "product");
    std::string text = manufacturer;
    if (!product.empty()) {
        // Some products already begin with their maker's name.
        if (text.empty() || product.starts_with(manufacturer))
            text = product;
        else
            text += " " + product;
    }
    if (text.empty())
        text = usbId;
    if (!serial.empty())
        text += " (" + serial + ")";
    return text;
}

// The persistent links udev made, by the node they point to.
std::map<fs::path, std::vector<std::string>> PersistentLinks(const fs::path& devRoot) {
    std::map<fs::path, std::vector<std::string>> links;
    for (const char* folder : {"serial/by-id", "serial/by-path"}) {
        for (const fs::path& link : Entries(devRoot / folder)) {
            // Anything but a link fails here and is passed over.
            std::error_code error;
            const fs::path target = fs::read_symlink(link, error);
            if (error)
                continue;
            links[(link.parent_path() / target).lexically_normal()].push_back(link.string());
        }
    }
    return links;
}

SerialPortInfo Describe(const fs::path& tty, const fs::path& device, const SystemRoots& roots,
                        const fs::path& sysRoot) {
    SerialPortInfo info;
    info.path = (fs::path(roots.dev) / tty.filename()).string();
    info.driver = DriverOf(device, sysRoot);
    const fs::path usb = UsbDeviceOf(device, sysRoot);
    if (!usb.empty()) {
        info.usbId = ReadAttribute(usb / "idVendor") + ":" + ReadAttribute(usb / "idProduct");
        info.usbSerial = ReadAttribute(usb / "serial");
        info.description = UsbDescription(usb, info.usbId, info.usbSerial);
        return info;
    }
    info.description = UartTypeName(UartType(tty));
    if (info.description.empty())
        info.description = info.driver;
    return info;
}

bool IsByIdLink(const std::string& link) {
    return fs::path(link).parent_path().filename() == "by-id";
}

bool SharesByIdLink(const SerialPortInfo& a, const SerialPortInfo& b) {
    return std::any_of(a.links.begin(), a.links.end(), [&b](const std::string& link) {
        return IsByIdLink(link) && std::find(b.links.begin(), b.links.end(), link) != b.links.end();
    });
}

bool IsSameAdapter(const SerialPortInfo& known, const SerialPortInfo& now) {
    if (SharesByIdLink(known, now))
        return true;
    if (!known.usbSerial.empty())
        return known.usbId == now.usbId && known.usbSerial == now.usbSerial;
    // Without a stable identity the node's name is all there is.
    return std::none_of(known.links.begin(), known.links.end(), IsByIdLink) &&
           known.path == now.path;
}

} // namespace

std::vector<SerialPortInfo> ListSerialPorts(const SystemRoots& roots) {
    std::error_code error;
    const fs::path sysRoot = fs::canonical(roots.sys, error);
    if (error)
        return {};
    auto links = PersistentLinks(roots.dev);
    std::vector<SerialPortInfo> ports;
    for (const fs::path& tty : Entries(sysRoot / "class" / "tty")) {
        const fs::path device = RealDevice(tty);
        if (device.empty() || IsPhantomUart(tty))
            continue;
        SerialPortInfo info = Describe(tty, device, roots, sysRoot);
        info.links = std::move(links[fs::path(info.path).lexically_normal()]);
        ports.push_back(std::move(info));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.path < b.path; });
    return ports;
}

std::vector<SerialPortInfo> KeepOpenable(std::vector<SerialPortInfo> ports) {
    std::erase_if(ports, [](const SerialPortInfo& port) { return !SerialPort::Probe(port.path); });
    return ports;
}

std::vector<SerialPortInfo> EnumerateSerialPorts(const SystemRoots& roots) {
    return KeepOpenable(ListSerialPorts(roots));
}

const SerialPortInfo* FindAdapter(const std::vector<SerialPortInfo>& ports,
                                  const SerialPortInfo& known) {
    const auto found = std::find_if(ports.begin(), ports.end(), [&known](const SerialPortInfo& p) {
        return IsSameAdapter(known, p);
    });
    return found == ports.end() ? nullptr : &*found;
}

} // namespace kel
