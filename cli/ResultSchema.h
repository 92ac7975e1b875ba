// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kel-rftest's results as JSON objects, built from the shared
// result schema (rftest/Measurement.h) and the facts of the run: its command,
// time, port, chip model, the board's MAC address once read, and the settings
// in force. The names are field::'s, as in the CSV rows of
// rftest/RxCsv.h.

#include "rftest/Measurement.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

// Keys stay in the order they were put in: "command" and "ok" first.
using Fields = nlohmann::ordered_json;

struct RunFacts {
    std::string command; // the subcommand as typed; empty before one was read
    std::string port;    // the device path, once known
    std::string model;
    std::optional<std::string> boardMac; // the source address, once read
    std::string instrument;              // its *IDN?, once connected
    // The settings in force: set by this run, or (the power level) as the
    // board reported it.
    std::optional<int> channel;
    std::optional<double> rateMbps;
    std::optional<int> powerLevel;
};

// A measurement's settings are those in force now, where it has none of its own.
void TakeSettings(const RunFacts& facts, rftest::Measurement& measurement);

// One result: the facts, then what each measurement adds (a result may have
// none: the reply to a free command), then extra, then "ok": true.
Fields ResultObject(const RunFacts& facts, const std::vector<rftest::Measurement>& measurements,
                    const Fields& extra);
// "ok": false with the error, and the reason when the line said one.
Fields FailureObject(const RunFacts& facts, const std::string& error, const std::string& reason);
// The object on one line and its line feed; bytes that are not UTF-8 (a
// board's reply, a device path) are replaced, not fatal.
std::string JsonLine(const Fields& fields);

} // namespace kel::cli
