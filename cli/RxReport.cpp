#include "cli/RxReport.h"

#include "rftest/RfTables.h"

#include <cerrno>
#include <cstring>

namespace kel::cli {

std::string RateText(int rateRow) {
    return rftest::RateLabel(rftest::kRates[static_cast<std::size_t>(rateRow)]);
}

Fields PointFields(const char* command, const rftest::RxPoint& point) {
    Fields fields{{"command", command}};
    if (point.channel)
        fields["channel"] = *point.channel;
    if (point.rateRow)
        fields["rate"] = RateText(*point.rateRow);
    fields["total"] = point.counters.total;
    fields["abort_errors"] = point.counters.abortErrors;
    fields["crc_errors"] = point.counters.crcErrors;
    if (point.sent) {
        fields["sent"] = *point.sent;
        const std::optional<double> per = point.PerPercent();
        fields["per"] = per ? Fields(*per) : Fields(nullptr);
    }
    return fields;
}

std::string PointText(const rftest::RxPoint& point) {
    std::string text;
    if (point.channel)
        text += "channel " + std::to_string(*point.channel) + ", ";
    if (point.rateRow)
        text += RateText(*point.rateRow) + " Mbit/s, ";
    const rftest::RxCounters& c = point.counters;
    text += "total " + std::to_string(c.total) + ", abort errors " + std::to_string(c.abortErrors) +
            ", CRC errors " + std::to_string(c.crcErrors);
    if (point.sent)
        text += ", sent " + std::to_string(*point.sent) + ", PER " + point.perText +
                (point.PerPercent() ? " %" : "");
    return text;
}

bool WithinLimit(const rftest::RxPoint& point, std::optional<double> maxPer) {
    if (!maxPer)
        return true;
    const std::optional<double> per = point.PerPercent();
    return per && *per <= *maxPer;
}

bool SweepCsv::Open(const std::string& path, std::string& why) {
    errno = 0;
    file_.open(path, std::ios::out | std::ios::trunc);
    if (!file_) {
        why = "cannot create " + path + ": " + (errno ? std::strerror(errno) : "unknown error");
        return false;
    }
    file_ << "channel,rate_mbps,total,abort_errors,crc_errors,sent,per_percent\n" << std::flush;
    return true;
}

bool SweepCsv::Write(const rftest::RxPoint& point) {
    if (!file_.is_open())
        return true;
    const rftest::RxCounters& c = point.counters;
    file_ << point.channel.value_or(0) << ',' << RateText(*point.rateRow) << ',' << c.total << ','
          << c.abortErrors << ',' << c.crcErrors << ',' << point.sent.value_or(0) << ','
          << point.perText << '\n'
          << std::flush;
    return file_.good();
}

} // namespace kel::cli
