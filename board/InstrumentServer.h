// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serves a VirtualInstrument on a loopback TCP port the way a LAN instrument
// serves its raw SCPI socket: one line per message, ending in a line feed
// (a carriage return before it is dropped), a reply line for each line with
// a query. Any number of clients, one thread sleeping in poll.

#include "board/VirtualInstrument.h"

#include <string>
#include <thread>

namespace kel::board {

class InstrumentServer {
public:
    // Listens on 127.0.0.1:port (0: a free port) for the instrument of this tray.
    InstrumentServer(BoardTray& tray, int port, std::string identity);
    ~InstrumentServer();
    InstrumentServer(const InstrumentServer&) = delete;
    InstrumentServer& operator=(const InstrumentServer&) = delete;

    // Empty when serving; why not otherwise.
    const std::string& Error() const { return error_; }
    int Port() const { return port_; }
    // tcp://127.0.0.1:PORT
    std::string Url() const;
    void Stop();
    // Board i's crystal and power spread, as the instrument measures them.
    const BenchCharacter& Character(std::size_t board) const {
        return instrument_.Character(board);
    }

private:
    void Serve(std::stop_token stop);

    VirtualInstrument instrument_;
    int listener_ = -1;
    int wake_ = -1;
    int port_ = 0;
    std::string error_;
    std::jthread thread_;
};

} // namespace kel::board
