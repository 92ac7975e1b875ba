// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Follows the link to the board between the handlers. While connected, a
// thread asleep on the port's descriptor (kel::HangUpWatch) notices a line
// that hangs up with no handler running, and the console takes the path a
// hang-up under a handler takes (OnConnectionLost). Once the connection is
// lost, the adapter it ran on (its /dev/serial/by-id link or USB serial
// number, else its path) is looked for at each change the port list watcher
// sees: when it is back, maybe under another node, the log pane says so and
// the port field gets its path. The path the user connected with counts too,
// whatever it is (a link of their own, a pseudo-terminal): while the
// connection is lost it is looked at twice a second (a stat, nothing opened),
// and when it leads to a device that opens, the board is back there. With
// "Reconnect automatically" (remembered
// in the state folder, off by default) the console then connects again and
// restores the channel, rate and power the user had set (Reconnect.cpp).
// The watcher reaches the console through kel::LinkHost alone.

#include "console/LinkHost.h"
#include "rftest/RfSteps.h"
#include "serial/HangUpWatch.h"
#include "serial/PortEnumeration.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

class QTimer;

namespace kel {

class PortListWatcher;

class LinkWatcher : public QObject {
public:
    // devices: whose roots the adapters are listed from.
    LinkWatcher(LinkHost& host, const PortListWatcher& devices, QObject* parent);
    ~LinkWatcher() override;

    // A connection is up on the dialog's port: watch its line, remember its
    // adapter. It forgets the settings of the last (a reconnection puts
    // them back itself).
    void Connected();
    // The port is about to close: the watch stops first.
    void StopWatching();
    // The line hung up and the connection ends: look out for the adapter.
    void Lost();
    // The devices changed (after the port list watcher's settling).
    void DevicesChanged();
    // True once: the line hung up while a handler ran and the handler did
    // not notice; RunHandler ends the connection afterwards.
    bool TakeHangUp();

    // The number of the last connection watched (each its own).
    std::uint64_t Connection() const { return connection_; }

    bool ReconnectAutomatically() const { return reconnect_; }
    // False when the state folder did not take the option (it holds for
    // this session all the same).
    bool SetReconnectAutomatically(bool on);
    // The test that ran when the line hung up, as LinkHost::RunningTest said.
    const std::string& StoppedTest() const { return stoppedTest_; }

    // What the user set on the board during the connection, each when it was
    // acknowledged; a reconnect restores them.
    rftest::TestSettings chosen;

private:
    static bool LoadReconnectOption();
    void OnHangUp(std::uint64_t connection);
    // The device the path the user opened leads to now, 0 for none.
    static dev_t DeviceAt(const std::string& path);
    // Where the board is back, if it is: its adapter's node, else the path opened.
    std::string WhereBack() const;

    LinkHost& host_;
    const PortListWatcher& devices_;
    std::unique_ptr<HangUpWatch> watch_;
    std::uint64_t connection_ = 0; // a hang-up posted by an earlier connection is stale
    bool hangUpInHandler_ = false;

    SerialPortInfo adapter_; // what the last connection ran on
    std::string opened_;     // the path that connection opened, as typed
    std::string openedNode_; // the node it led to then
    QTimer* pathLook_ = nullptr;
    dev_t pathDevice_ = 0; // what opened_ led to at the last look
    bool lookingOut_ = false;
    std::string seenAt_;      // where the adapter was last seen since the loss
    std::string stoppedTest_; // "TX", "RX", "tone": running when the line hung up
    bool reconnect_ = false;
};

} // namespace kel
