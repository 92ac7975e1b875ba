// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run says: each result as readable lines, or with --json as one JSON
// object per line on standard output; failures, notes and progress on
// standard error (a failure also as a JSON object with --json).

#include "cli/ResultSchema.h"
#include "rftest/Measurement.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kel::cli {

class RunRecording;

class Report {
public:
    Report(bool json, std::ostream& out, std::ostream& err) : json_(json), out_(out), err_(err) {}

    // The run keeps them current; every object reported carries them.
    RunFacts& Facts() { return facts_; }

    // Every measurement the run reports passes here, in the order taken: the
    // one place that sees them all, so each is also recorded here. text is
    // the readable form, extra what the JSON object says besides the
    // measurements.
    void Result(const std::vector<rftest::Measurement>& measurements, const std::string& text,
                const Fields& extra = {});
    // On standard error, the reason on a line of its own; with --json also an
    // object with "ok": false.
    void Failure(const std::string& error, const std::string& reason = {});
    // A line on standard error only.
    void Note(const std::string& line);

    // Where the results reported from now on are recorded; null: nowhere.
    void RecordInto(RunRecording* recording) { recording_ = recording; }

private:
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
    RunFacts facts_;
    RunRecording* recording_ = nullptr;
};

} // namespace kel::cli
