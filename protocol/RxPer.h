// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The packet error rate after a receive test, from the number of packets the
// tester sent and the board's three counters.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// Shown instead of a rate when none can be computed: nothing was sent (the
// count reads 0 or negative) or the counters give a negative error count.
inline constexpr char kRxPerUnavailable[] = "N/A";

// The rate in percent with two decimals ("2.00"), or kRxPerUnavailable.
// Errors are |sent - total| + abortErrors + crcErrors, so packets received
// beyond the sent count count as errors too.
std::string RxPerText(std::int64_t sent, std::int32_t total, std::int32_t abortErrors,
                      std::int32_t crcErrors);

// The same for the sent count as the user typed it; nullopt when sentText is
// empty (the read-out is then left as it is).
std::optional<std::string> RxPerText(std::string_view sentText, std::int32_t total,
                                     std::int32_t abortErrors, std::int32_t crcErrors);

} // namespace kel
