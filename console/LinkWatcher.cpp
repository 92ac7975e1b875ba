// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/LinkWatcher.h"

#include "console/CkelGuiToolDlg.h"
#include "console/PortListWatcher.h"
#include "resources/ResourceIds.h"

#include <QMetaObject>
#include <QString>
#include <filesystem>
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

LinkWatcher::LinkWatcher(CkelGuiToolDlg& dlg) : QObject(&dlg), dlg_(dlg) {
    reconnect_ = LoadReconnectOption();
}

LinkWatcher::~LinkWatcher() = default;

void LinkWatcher::Connected() {
    StopWatching();
    ++connection_;
    lookingOut_ = false;
    if (!reconnecting_)
        chosen = {};
    adapter_ = AdapterOf(dlg_.port.name, ListSerialPorts(dlg_.portListWatcher->Roots()));
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
}

void LinkWatcher::DevicesChanged() {
    if (!lookingOut_ || dlg_.connected || dlg_.InHandler())
        return;
    const std::vector<SerialPortInfo> ports = ListSerialPorts(dlg_.portListWatcher->Roots());
    const SerialPortInfo* back = FindAdapter(ports, adapter_);
    const std::string path = back ? back->path : std::string();
    if (path == seenAt_)
        return;
    // There but not yet ours to open (udev still granting access): the next
    // change looks again.
    if (!path.empty() && !SerialPort::Probe(path))
        return;
    seenAt_ = path;
    if (path.empty())
        return;
    std::string line = "The board on " + adapter_.path + " is back";
    if (path != adapter_.path)
        line += ", now on " + path;
    dlg_.AppendLog(line + ".\r\n");
    dlg_.SetDlgItemText(res::IDC_COM_PORT, QString::fromLocal8Bit(path));
    // One attempt per return: a failure waits for the next one.
    if (reconnect_)
        dlg_.RunHandler([this, path] { Reconnect(path); });
}

} // namespace kel
