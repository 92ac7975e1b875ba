// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/LinkWatcher.h"

#include "console/CkelGuiToolDlg.h"
#include "console/PortListWatcher.h"
#include "resources/ResourceIds.h"

#include <QMetaObject>
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

const char* RunningTest(const CkelGuiToolDlg& dlg) {
    if (dlg.toneRunning)
        return "tone";
    if (dlg.txRunning)
        return "TX";
    return dlg.rxRunning ? "RX" : "";
}

} // namespace

// A look at the path the user opened costs a stat; twice a second is soon
// enough for a person plugging a cable back in.
constexpr std::chrono::milliseconds kPathLookInterval{500};

LinkWatcher::LinkWatcher(CkelGuiToolDlg& dlg) : QObject(&dlg), dlg_(dlg) {
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

void LinkWatcher::Connected() {
    StopWatching();
    ++connection_;
    lookingOut_ = false;
    pathLook_->stop();
    if (!reconnecting_)
        chosen = {};
    adapter_ = AdapterOf(dlg_.port.name, ListSerialPorts(dlg_.portListWatcher->Roots()));
    opened_ = dlg_.port.name;
    std::error_code error;
    openedNode_ = std::filesystem::canonical(opened_, error).string();
    try {
        watch_ = std::make_unique<HangUpWatch>(dlg_.port.handle, [this, id = connection_] {
            // From the watch's thread to the window's.
            QMetaObject::invokeMethod(
                this, [this, id] { OnHangUp(id); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        dlg_.AppendLog(std::string("Cannot watch the line while idle (") + error.what() +
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
    if (connection != connection_ || !watch_ || !dlg_.connected || !dlg_.port.IsOpen())
        return;
    // The handler's own reads and writes may not touch the line again: it is
    // ended after the handler, never under it.
    if (dlg_.InHandler()) {
        hangUpInHandler_ = true;
        return;
    }
    dlg_.RunHandler([this] { dlg_.OnConnectionLost(); });
}

void LinkWatcher::Lost() {
    stoppedTest_ = RunningTest(dlg_);
    lookingOut_ = true;
    seenAt_.clear();
    pathDevice_ = DeviceAt(opened_);
    pathLook_->start();
}

std::string LinkWatcher::WhereBack() const {
    const std::vector<SerialPortInfo> ports = ListSerialPorts(dlg_.portListWatcher->Roots());
    if (const SerialPortInfo* back = FindAdapter(ports, adapter_))
        return back->path;
    return DeviceAt(opened_) != 0 ? opened_ : std::string();
}

void LinkWatcher::DevicesChanged() {
    if (!lookingOut_ || dlg_.connected || dlg_.InHandler())
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
    dlg_.AppendLog(line + ".\r\n");
    dlg_.SetDlgItemText(res::IDC_COM_PORT, QString::fromLocal8Bit(path));
    // One attempt per return: a failure waits for the next one.
    if (reconnect_)
        dlg_.RunHandler([this, path] { Reconnect(path); });
}

} // namespace kel
