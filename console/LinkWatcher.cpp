// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/LinkWatcher.h"

#include "console/PortListWatcher.h"
#include "windows/StateFolder.h"

#include <QMetaObject>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <utility>

namespace kel {

namespace {

// The listed port the connection's path names (the node, or a link to it
// such as a by-id name); a path no listing knows stands for itself alone.
SerialPortInfo AdapterOf(const std::string& path, const std::vector<SerialPortInfo>& ports) {
    for (const SerialPortInfo& port : ports) {
        std::error_code error;
        if (port.path == path || std::filesystem::equivalent(port.path, path, error))
            return port;
    }
    SerialPortInfo alone;
    alone.path = path;
    return alone;
}

const QString kReconnectKey = QStringLiteral("reconnectAutomatically");

} // namespace

// A look at the path the user opened costs a stat; twice a second is soon
// enough for a person plugging a cable back in.
constexpr std::chrono::milliseconds kPathLookInterval{500};

LinkWatcher::LinkWatcher(LinkHost& host, const PortListWatcher& devices, QObject* parent)
    : QObject(parent), host_(host), devices_(devices) {
    reconnect_ = LoadReconnectOption();
    pathLook_ = new QTimer(this);
    pathLook_->setInterval(kPathLookInterval);
    connect(pathLook_, &QTimer::timeout, this, [this] {
        const dev_t now = DeviceAt(opened_);
        if (now == std::exchange(pathDevice_, now))
            return;
        DevicesChanged();
    });
}

dev_t LinkWatcher::DeviceAt(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return 0;
    return info.st_rdev;
}

LinkWatcher::~LinkWatcher() = default;

bool LinkWatcher::LoadReconnectOption() {
    return QSettings(OptionsFile(), QSettings::IniFormat).value(kReconnectKey, false).toBool();
}

bool LinkWatcher::SetReconnectAutomatically(bool on) {
    reconnect_ = on;
    QSettings options(OptionsFile(), QSettings::IniFormat);
    options.setValue(kReconnectKey, on);
    options.sync();
    return options.status() == QSettings::NoError;
}

void LinkWatcher::Connected() {
    StopWatching();
    ++connection_;
    lookingOut_ = false;
    pathLook_->stop();
    chosen = {};
    const SerialPort& port = host_.Port();
    adapter_ = AdapterOf(port.name, ListSerialPorts(devices_.Roots()));
    opened_ = port.name;
    std::error_code error;
    openedNode_ = std::filesystem::canonical(opened_, error).string();
    try {
        watch_ = std::make_unique<HangUpWatch>(port.handle, [this, id = connection_] {
            // From the watch's thread to the window's.
            QMetaObject::invokeMethod(
                this, [this, id] { OnHangUp(id); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        host_.AppendLog(std::string("Cannot watch the line while idle (") + error.what() +
                        "): a pulled cable shows at the next command.\r\n");
    }
}

void LinkWatcher::StopWatching() {
    watch_.reset();
    hangUpInHandler_ = false;
}

bool LinkWatcher::TakeHangUp() {
    return std::exchange(hangUpInHandler_, false);
}

void LinkWatcher::OnHangUp(std::uint64_t connection) {
    if (connection != connection_ || !watch_ || !host_.Connected() || !host_.Port().IsOpen())
        return;
    // The handler's own reads and writes may not touch the line again: it is
    // ended after the handler, never under it.
    if (host_.InHandler()) {
        hangUpInHandler_ = true;
        return;
    }
    host_.LinkLost();
}

void LinkWatcher::Lost() {
    stoppedTest_ = host_.RunningTest();
    lookingOut_ = true;
    seenAt_.clear();
    pathDevice_ = DeviceAt(opened_);
    pathLook_->start();
}

std::string LinkWatcher::WhereBack() const {
    const std::vector<SerialPortInfo> ports = ListSerialPorts(devices_.Roots());
    if (const SerialPortInfo* back = FindAdapter(ports, adapter_))
        return back->path;
    return DeviceAt(opened_) != 0 ? opened_ : std::string();
}

void LinkWatcher::DevicesChanged() {
    if (!lookingOut_ || host_.Connected() || host_.InHandler())
        return;
    const std::string path = WhereBack();
    if (path == seenAt_)
        return;
    // There but not yet ours to open (udev still granting access): the next
    // change looks again.
    if (!path.empty() && !SerialPort::Probe(path))
        return;
    seenAt_ = path;
    if (path.empty())
        return;
    // Named by the path the user knows; a link says where it leads now when
    // that changed.
    const std::string known = path == opened_ ? opened_ : adapter_.path;
    std::error_code error;
    const std::string node = std::filesystem::canonical(path, error).string();
    std::string line = "The board on " + known + " is back";
    if (path != known)
        line += ", now on " + path;
    else if (node != openedNode_ && node != path)
        line += ", now on " + node;
    host_.AppendLog(line + ".\r\n");
    // One attempt per return: a failure waits for the next one.
    host_.LinkBack(path, reconnect_);
}

} // namespace kel
