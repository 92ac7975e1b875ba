// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the port box (1006) in step with the serial devices while the console
// runs: a node appearing in or leaving /dev (or udev's /dev/serial link
// folders) refreshes the rows a moment later, without touching what the user
// typed or chose. It watches with inotify (QFileSystemWatcher), so it needs
// no udev daemon and works in a container.

#include "serial/PortEnumeration.h"

#include <QObject>
#include <chrono>
#include <functional>

class QComboBox;
class QFileSystemWatcher;
class QTimer;

namespace kel {

class PortListWatcher : public QObject {
public:
    // portBusy: true while the console has a port open; refreshing waits
    // until it is closed again.
    PortListWatcher(QComboBox* box, std::function<bool()> portBusy, QObject* parent = nullptr);

    // Where ports are looked up; tests hand in a fake tree.
    void SetRoots(SystemRoots roots);
    const SystemRoots& Roots() const { return roots_; }
    // Runs once after each change has settled, whatever the box shows and
    // whether or not a port is held.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // The list is about to open: every device probed afresh, the choice cleared.
    void Refill();

    // Node changes come in bursts (the node, then its owner and mode, then
    // udev's links): one refresh after they settle.
    static constexpr std::chrono::milliseconds kSettle{250};
    static constexpr std::chrono::milliseconds kBusyRetry{1000};

private:
    void Watch();
    void Follow();

    QComboBox* box_;
    std::function<bool()> portBusy_;
    SystemRoots roots_;
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    std::function<void()> onChange_;
    bool changed_ = false; // a change is waiting for onChange_
};

} // namespace kel
