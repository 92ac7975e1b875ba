// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Raw SCPI over TCP, the socket LAN instruments serve on port 5025.
// Non-blocking socket with poll for every wait, so each time-out holds
// exactly; Nagle off, since every message is one short line that waits for
// its answer.

#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/Transport.h"

namespace kel::instrument {

class TcpTransport : public Transport {
public:
    explicit TcpTransport(InstrumentUrl url) : url_(std::move(url)) {}
    ~TcpTransport() override { Close(); }
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    void Open(std::chrono::milliseconds timeout) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Write(std::string_view bytes) override;
    std::string ReadLine(std::string_view terminator, std::chrono::milliseconds timeout) override;
    std::string Describe() const override { return url_.Text(); }

private:
    [[noreturn]] void Fail(Fault fault, const std::string& what);

    InstrumentUrl url_;
    int fd_ = -1;
    std::string pending_; // bytes read past the last terminator
};

} // namespace kel::instrument
