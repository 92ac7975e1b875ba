// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An RX point as a CSV row, the same in every file either front end writes
// (kel-rftest's --csv, the console's sweep export): today's columns first, so
// readers of earlier files keep working, then time, port, board_mac and
// verdict. The names are field::'s.

#include "rftest/Measurement.h"

#include <optional>
#include <string>
#include <string_view>

namespace kel::rftest {

// "channel,rate_mbps,...,verdict" and its line feed.
std::string RxCsvHeader();
// One point, its line feed included; port and boardMac are the run's.
std::string RxCsvRow(const Measurement& rx, std::string_view port,
                     const std::optional<std::string>& boardMac);

// RFC 4180: a field holding a comma, a quote or a line end goes in quotes.
// Text a spreadsheet would run as a formula (a leading =, +, -, @, tab or
// CR) gets a single quote in front; a plain number such as -72.5 stays one.
std::string CsvField(std::string_view text);

// "5.5", "54.0": a rate as the rate command and the reports write it.
std::string RateText(double mbps);
// "2.00", or "N/A" when the counters make no rate; empty when nothing was
// said to be sent.
std::string PerText(const Measurement& rx);

} // namespace kel::rftest
