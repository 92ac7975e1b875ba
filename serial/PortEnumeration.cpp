#include "PortEnumeration.h"

#include "SerialPort.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kel {

namespace {

namespace fs = std::filesystem;

// The 8250 driver registers every ttyS it might have; one with no UART behind
// it reports type 0 (unknown) and cannot carry a byte.
bool IsPhantomUart(const fs::path& tty) {
    if (tty.filename().string().rfind("ttyS", 0) != 0)
        return false;
    std::ifstream typeFile(tty / "type");
    int type = 0;
    if (!(typeFile >> type))
        return false; // no type to go by: keep it
    return type == 0;
}

bool HasRealDevice(const fs::path& tty) {
    std::error_code error;
    const fs::path device = tty / "device";
    if (!fs::exists(device, error))
        return false;
    const fs::path target = fs::canonical(device, error);
    if (error)
        return false;
    return target.string().find("/virtual/") == std::string::npos;
}

} // namespace

std::vector<std::string> ListSerialDevices(const std::string& sysClassTty,
                                           const std::string& devDir) {
    std::vector<std::string> paths;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(sysClassTty, error)) {
        const fs::path tty = entry.path();
        if (!HasRealDevice(tty) || IsPhantomUart(tty))
            continue;
        paths.push_back((fs::path(devDir) / tty.filename()).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> KeepOpenable(std::vector<std::string> paths) {
    std::erase_if(paths, [](const std::string& path) { return !SerialPort::Probe(path); });
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> EnumerateSerialPorts() {
    return KeepOpenable(ListSerialDevices());
}

} // namespace kel
