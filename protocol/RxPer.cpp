// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/RxPer.h"

#include "protocol/NumberReading.h"
#include "protocol/ReplyParsing.h"

namespace kel {

std::string RxPerText(std::int64_t sent, std::int32_t total, std::int32_t abortErrors,
                      std::int32_t crcErrors) {
    if (sent <= 0)
        return kRxPerUnavailable;
    // 64 bits: the difference and the sum of 32-bit counters can overflow 32.
    const std::int64_t missed = sent > total ? sent - total : std::int64_t{total} - sent;
    const std::int64_t errors = missed + abortErrors + crcErrors;
    if (errors < 0)
        return kRxPerUnavailable;
    // The read-out has always shown the single-precision value.
    const float percent =
        static_cast<float>(static_cast<double>(errors) / static_cast<double>(sent) * 100.0);
    return FixedDecimal(static_cast<double>(percent), 2);
}

std::optional<std::string> RxPerText(std::string_view sentText, std::int32_t total,
                                     std::int32_t abortErrors, std::int32_t crcErrors) {
    if (sentText.empty())
        return std::nullopt;
    return RxPerText(std::int64_t{ReadInteger(sentText)}, total, abortErrors, crcErrors);
}

} // namespace kel
