// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Report.h"

#include "cli/RunRecording.h"

#include <ostream>

namespace kel::cli {

void Report::Result(const std::vector<rftest::Measurement>& measurements, const std::string& text,
                    const Fields& extra) {
    if (recording_) {
        for (rftest::Measurement measurement : measurements) {
            TakeSettings(facts_, measurement);
            recording_->Record(measurement);
        }
    }
    if (!json_) {
        out_ << text << '\n' << std::flush;
        return;
    }
    out_ << JsonLine(ResultObject(facts_, measurements, extra)) << std::flush;
}

void Report::Failure(const std::string& error, const std::string& reason) {
    err_ << "kel-rftest: " << error << '\n';
    // A reason the message already ends with (a port that cannot be opened)
    // is not said twice.
    if (!reason.empty() && !error.ends_with(reason))
        err_ << "kel-rftest: " << reason << '\n';
    err_ << std::flush;
    if (json_)
        out_ << JsonLine(FailureObject(facts_, error, reason)) << std::flush;
}

void Report::Note(const std::string& line) {
    err_ << line << '\n' << std::flush;
}

} // namespace kel::cli
