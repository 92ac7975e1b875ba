// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One SCPI conversation with one instrument, with the IEEE 488.2 habits lab
// software keeps: *CLS and *IDN? on connect (the identity is kept: it names
// the instrument in every result), and after every setting command the
// error queue read until it is empty, so an error is caught at the command
// that caused it. A connection that drops is reopened once per exchange
// before the exchange fails.
//
// Not thread-safe: one caller at a time (a plan's shared turn).

#include "instrument/Transport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kel::instrument {

inline constexpr std::chrono::milliseconds kDefaultTimeout{5000};

struct SessionOptions {
    std::string terminator = "\n";
    std::chrono::milliseconds timeout = kDefaultTimeout;
};

// Hears every line: sent true for what went to the instrument ("I>"), false
// for its replies ("I<").
using ScpiTrace = std::function<void(bool sent, std::string_view line)>;

class ScpiSession {
public:
    ScpiSession(std::unique_ptr<Transport> transport, SessionOptions options);

    // Opens, clears the status (*CLS) and reads the identity.
    void Connect();
    void Close();
    bool IsOpen() const { return transport_->IsOpen(); }
    // The *IDN? reply: maker, model, serial number, firmware.
    const std::string& Identity() const { return identity_; }
    // The URL, for messages.
    std::string Name() const { return transport_->Describe(); }
    void SetTrace(ScpiTrace trace) { trace_ = std::move(trace); }

    // A setting command, then the error queue: an error there throws with
    // the instrument's own text.
    void Command(std::string_view text);
    // A query's reply, without its terminator.
    std::string Query(std::string_view text);
    // A query whose reply must be a number other than "no value". On no
    // value the error queue is read into the message (why there was none).
    double QueryNumber(std::string_view text);
    // Text as typed: a query (a header ending in '?') gives its reply, a
    // command gives "" after its error check.
    std::string Send(std::string_view text);

    // The entries the error queue held, up to the first 0, joined by "; ".
    std::string DrainErrors();

private:
    // Runs exchange, reopening once if the connection had dropped.
    template <typename Exchange> auto Retrying(Exchange exchange);
    void WriteLine(std::string_view text);
    std::string ReadReply();
    std::string Fails(std::string_view what) const;

    std::unique_ptr<Transport> transport_;
    SessionOptions options_;
    std::string identity_;
    ScpiTrace trace_;
};

// True when the text's header (its first word) ends in '?'.
bool IsQuery(std::string_view text);

} // namespace kel::instrument
