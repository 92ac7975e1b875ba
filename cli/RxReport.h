#pragma once
// How an RX point is told: a readable line, a JSON object, a CSV row, and
// whether it keeps to a --max-per limit.

#include "cli/Report.h"
#include "rftest/RxMeasurement.h"

#include <fstream>
#include <optional>
#include <string>

namespace kel::cli {

// "5.5", "54.0": a row of the rate table as the reports write it.
std::string RateText(int rateRow);

Fields PointFields(const char* command, const rftest::RxPoint& point);
std::string PointText(const rftest::RxPoint& point);

// False when the point's rate is above the limit, or when it has no rate to
// compare (the counters made none): a production check must not pass blind.
bool WithinLimit(const rftest::RxPoint& point, std::optional<double> maxPer);

// The sweep's points as CSV, a row written and flushed as each is measured.
class SweepCsv {
public:
    // Creates (or empties) the file and writes the header; false with the
    // reason in why.
    bool Open(const std::string& path, std::string& why);
    // False once a row could not be written (a full disk, say).
    bool Write(const rftest::RxPoint& point);

private:
    std::ofstream file_;
};

} // namespace kel::cli
