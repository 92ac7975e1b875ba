// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/PortListWatcher.h"

#include "console/PortList.h"
#include "serial/SerialPort.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemWatcher>
#include <QTimer>
#include <utility>

namespace kel {

PortListWatcher::PortListWatcher(QComboBox* box, std::function<bool()> portBusy, QObject* parent)
    : QObject(parent), box_(box), portBusy_(std::move(portBusy)),
      watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)) {
    settle_->setSingleShot(true);
    connect(settle_, &QTimer::timeout, this, &PortListWatcher::Follow);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        Watch(); // /dev/serial and its folders come and go with the adapters
        changed_ = true;
        settle_->start(kSettle);
    });
    connect(box_, &QComboBox::editTextChanged, this, [this] { ShowChosenToolTip(box_); });
    Watch();
}

void PortListWatcher::SetRoots(SystemRoots roots) {
    if (const QStringList watched = watcher_->directories(); !watched.isEmpty())
        watcher_->removePaths(watched);
    roots_ = std::move(roots);
    Watch();
}

void PortListWatcher::Refill() {
    RefillPortList(box_, PortListEntries(roots_));
}

void PortListWatcher::Watch() {
    const QString dev = QString::fromLocal8Bit(roots_.dev);
    const QStringList watched = watcher_->directories();
    for (const QString& folder :
         {QString(), QStringLiteral("/serial"), QStringLiteral("/serial/by-id"),
          QStringLiteral("/serial/by-path")}) {
        const QString path = dev + folder;
        if (!watched.contains(path) && QDir(path).exists())
            watcher_->addPath(path);
    }
}

void PortListWatcher::Follow() {
    if (std::exchange(changed_, false) && onChange_)
        onChange_();
    if (box_->count() == 0)
        return; // never opened: its first drop-down fills it
    if (portBusy_ && portBusy_()) {
        settle_->start(kBusyRetry);
        return;
    }
    const QStringList shown = PortPaths(box_);
    QList<PortEntry> entries;
    for (const SerialPortInfo& port : ListSerialPorts(roots_)) {
        // Opening a port raises DTR and RTS, which resets boards wired for
        // auto-reset: only a device new to the list is probed; the rest keep
        // the verdict of the last drop-down.
        PortEntry entry = EntryFor(port);
        if (shown.contains(entry.path) || SerialPort::Probe(port.path))
            entries << entry;
    }
    entries << VirtualBoardEntry();
    UpdatePortList(box_, entries);
}

} // namespace kel
