// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board side of a real pseudo-terminal, for tests: the code under test
// opens SlavePath() with the real SerialPort; the peer reads what it writes
// and answers from a script. The master is never configured (a missing raw
// set-up on the port side must show).

#include "TestPty.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace kel::test {

class PtyPeer {
public:
    PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& SlavePath() const { return pty_.slavePath; }

    // Queues replies: the k-th command line the port writes (a line ending in
    // a line feed; a NUL right after it belongs to the command) is answered
    // with the k-th reply queued. An empty reply answers nothing.
    void ScriptReplies(std::initializer_list<std::string_view> replies);
    // Writes bytes to the port now.
    void Send(std::string_view bytes);
    // Everything the port has written so far.
    std::string Received();
    // Waits until the port has written at least n bytes (or the time is up).
    std::string WaitReceived(std::size_t n,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Closes the master: the port sees a hang-up.
    void HangUp();

private:
    void Pump(std::stop_token stop);

    TestPty pty_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string received_;
    std::string pendingLine_;
    std::deque<std::string> replies_;
    std::jthread pump_; // last: stopped and joined before the rest goes
};

} // namespace kel::test
