// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the results store as the program holds them: a run (one
// console connection or one kel-rftest invocation) and a measurement taken in
// it. Column names come from rftest/Measurement.h (field::), the one home of
// the result schema; Columns.h lists them in table order.

#include "rftest/Measurement.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kel::results {

// The runs' verdicts; a run with no limit judged keeps it empty.
inline constexpr char kRunPass[] = "pass";
inline constexpr char kRunFail[] = "fail";
inline constexpr char kRunError[] = "error";
inline constexpr char kRunInterrupted[] = "interrupted";

// The tools that make runs.
inline constexpr char kToolConsole[] = "console";
inline constexpr char kToolRfTest[] = "kel-rftest";

struct RunRecord {
    std::string id;        // a UUID
    std::string startedAt; // UTC, ISO 8601 with milliseconds
    std::string endedAt;   // empty while the run lasts
    std::string tool;
    std::string version;
    std::string station;
    std::string operatorName;
    std::string chipModel;
    std::string port;
    std::optional<std::int64_t> baud;
    std::string boardMac; // the source MAC, when the run read it
    std::string dut;      // the user's label for the board
    std::string plan;
    std::string planVersion;
    std::string sessionLog; // the session log file's path, when there is one
    std::string verdict;
    std::string instrument; // the *IDN? of the instrument it measured with
    std::string slot;       // the station slot's name ("Fixture A"), when it has one
};

struct StoredMeasurement {
    std::string id; // a UUID
    std::string runId;
    std::int64_t seq = 0; // its place in the run, from 1
    rftest::Measurement measurement;
};

} // namespace kel::results
