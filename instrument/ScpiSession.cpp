// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/ScpiSession.h"

#include "instrument/InstrumentError.h"
#include "instrument/ScpiReply.h"

namespace kel::instrument {

namespace {

// A queue deeper than this is an instrument that never says 0.
constexpr int kMaxQueueReads = 32;

} // namespace

bool IsQuery(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return false;
    const std::string_view header = text.substr(start, text.find_first_of(" \t", start) - start);
    return header.ends_with('?');
}

ScpiSession::ScpiSession(std::unique_ptr<Transport> transport, SessionOptions options)
    : transport_(std::move(transport)), options_(std::move(options)) {}

std::string ScpiSession::Fails(std::string_view what) const {
    return "instrument " + Name() + ": " + std::string(what);
}

void ScpiSession::Connect() {
    transport_->Open(options_.timeout);
    WriteLine("*CLS");
    WriteLine("*IDN?");
    identity_ = ReadReply();
}

void ScpiSession::Close() {
    transport_->Close();
}

void ScpiSession::WriteLine(std::string_view text) {
    if (trace_)
        trace_(true, text);
    std::string line(text);
    line += options_.terminator;
    transport_->Write(line);
}

std::string ScpiSession::ReadReply() {
    std::string reply = transport_->ReadLine(options_.terminator, options_.timeout);
    // A CR before a LF terminator is part of the line end, not of the value.
    if (options_.terminator == "\n" && reply.ends_with('\r'))
        reply.pop_back();
    if (trace_)
        trace_(false, reply);
    return reply;
}

template <typename Exchange> auto ScpiSession::Retrying(Exchange exchange) {
    try {
        if (!transport_->IsOpen())
            throw InstrumentError(Fault::Dropped, Fails("the connection is closed"));
        return exchange();
    } catch (const InstrumentError& error) {
        if (error.fault() != Fault::Dropped)
            throw;
    }
    // Reopened without a new *IDN?: the identity is the same box's.
    transport_->Open(options_.timeout);
    WriteLine("*CLS");
    return exchange();
}

std::string ScpiSession::DrainErrors() {
    std::string errors;
    for (int i = 0; i < kMaxQueueReads; ++i) {
        WriteLine("SYSTem:ERRor?");
        const ErrorEntry entry = ParseErrorEntry(ReadReply());
        if (entry.code == 0)
            return errors;
        errors += (errors.empty() ? "" : "; ") + entry.text;
    }
    return errors;
}

void ScpiSession::Command(std::string_view text) {
    const std::string errors = Retrying([&] {
        WriteLine(text);
        return DrainErrors();
    });
    if (!errors.empty())
        throw InstrumentError(Fault::Reported,
                              Fails(errors + " (after " + std::string(text) + ")"));
}

std::string ScpiSession::Query(std::string_view text) {
    return Retrying([&] {
        WriteLine(text);
        return ReadReply();
    });
}

double ScpiSession::QueryNumber(std::string_view text) {
    const std::string reply = Query(text);
    const auto value = ParseScpiNumber(reply);
    if (!value)
        throw InstrumentError(Fault::NotANumber, Fails("\"" + reply + "\" is not a number (" +
                                                       std::string(text) + ")"));
    if (!IsNoValue(*value))
        return *value;
    const std::string errors = DrainErrors();
    throw InstrumentError(Fault::NoValue, Fails("no value (9.91E37) for " + std::string(text) +
                                                (errors.empty() ? std::string() : ": " + errors)));
}

std::string ScpiSession::Send(std::string_view text) {
    if (IsQuery(text))
        return Query(text);
    Command(text);
    return {};
}

} // namespace kel::instrument
