// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RxReport.h"

#include "rftest/RxCsv.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kel::cli {

std::string PointText(const rftest::Measurement& rx) {
    std::string text;
    if (rx.channel)
        text += "channel " + std::to_string(*rx.channel) + ", ";
    if (rx.rateMbps)
        text += rftest::RateText(*rx.rateMbps) + " Mbit/s, ";
    text += "total " + std::to_string(rx.total.value_or(0)) + ", abort errors " +
            std::to_string(rx.abortErrors.value_or(0)) + ", CRC errors " +
            std::to_string(rx.crcErrors.value_or(0));
    if (rx.sent)
        text += ", sent " + std::to_string(*rx.sent) + ", PER " +
                (rx.perPercent ? rftest::PerText(rx) + " %" : "not computable from these counters");
    if (rx.verdict == rftest::Verdict::Pass)
        text += ": PASS";
    else if (rx.verdict != rftest::Verdict::None)
        text += ": FAIL";
    return text;
}

bool SweepCsv::Open(const std::string& path, CsvMode mode, std::string& why) {
    struct stat existing {};
    const bool exists = stat(path.c_str(), &existing) == 0;
    const bool hasRows = exists && S_ISREG(existing.st_mode) && existing.st_size > 0;
    if (exists && mode == CsvMode::Create) {
        why = "--csv: " + path + " exists; give --force to replace it or --append to add to it";
        return false;
    }
    if (hasRows && mode == CsvMode::Append) {
        std::ifstream current(path);
        std::string header;
        std::getline(current, header);
        if (header + "\n" != rftest::RxCsvHeader()) {
            why = "--csv: " + path + " has other columns than these; rows are not added to it";
            return false;
        }
    }
    errno = 0;
    file_.open(path, std::ios::out | (mode == CsvMode::Append ? std::ios::app : std::ios::trunc));
    if (!file_) {
        why = "cannot create " + path + ": " + (errno ? std::strerror(errno) : "unknown error");
        return false;
    }
    if (!(hasRows && mode == CsvMode::Append))
        file_ << rftest::RxCsvHeader() << std::flush;
    return true;
}

bool SweepCsv::Write(const RunFacts& facts, const rftest::Measurement& rx) {
    if (!file_.is_open())
        return true;
    file_ << rftest::RxCsvRow(rx, facts.port, facts.boardMac) << std::flush;
    return file_.good();
}

} // namespace kel::cli
