// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PointLists.h"

#include "rftest/RfTables.h"

#include <algorithm>
#include <charconv>
#include <functional>

namespace kel::cli {

namespace {

// The values from first to last, both given as text; nullopt when either is
// no value or they are the wrong way round.
using RangeReader =
    std::function<std::optional<std::vector<int>>(std::string_view first, std::string_view last)>;

std::string_view Trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

std::optional<std::vector<int>> ParseList(std::string_view text, const RangeReader& readRange,
                                          const char* what, std::string& why) {
    std::vector<int> values;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        const std::size_t dash = item.find('-');
        const std::optional<std::vector<int>> range =
            readRange(Trimmed(item.substr(0, dash)),
                      Trimmed(dash == std::string_view::npos ? item : item.substr(dash + 1)));
        if (!range) {
            why = "\"" + std::string(item) + "\" is not a " + what + " or a range of them";
            return std::nullopt;
        }
        values.insert(values.end(), range->begin(), range->end());
        if (comma == std::string_view::npos)
            return values;
        text.remove_prefix(comma + 1);
    }
}

std::optional<int> ReadChannel(std::string_view text) {
    int channel = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !rftest::IsChannel(channel))
        return std::nullopt;
    return channel;
}

std::optional<std::vector<int>> ChannelRange(std::string_view firstText,
                                             std::string_view lastText) {
    const std::optional<int> first = ReadChannel(firstText);
    const std::optional<int> last = ReadChannel(lastText);
    if (!first || !last || *first > *last)
        return std::nullopt;
    std::vector<int> channels;
    for (int channel = *first; channel <= *last; ++channel)
        channels.push_back(channel);
    return channels;
}

float Mbps(int rateRow) {
    return rftest::kRates[static_cast<std::size_t>(rateRow)].mbps;
}

std::optional<std::vector<int>> RateRange(std::string_view firstText, std::string_view lastText) {
    const std::optional<int> first = rftest::RateRowOf(firstText);
    const std::optional<int> last = rftest::RateRowOf(lastText);
    if (!first || !last || Mbps(*first) > Mbps(*last))
        return std::nullopt;
    // The rates of the ends' kinds (11b, 11g, 11n): "6-13" passes over 11b's 11.
    const auto ofEndsKind = [&](int row) {
        const int mode = rftest::kRates[static_cast<std::size_t>(row)].mode;
        return mode == rftest::kRates[static_cast<std::size_t>(*first)].mode ||
               mode == rftest::kRates[static_cast<std::size_t>(*last)].mode;
    };
    std::vector<int> rows;
    for (int row = 0; row < static_cast<int>(rftest::kRates.size()); ++row) {
        if (Mbps(row) >= Mbps(*first) && Mbps(row) <= Mbps(*last) && ofEndsKind(row))
            rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](int a, int b) { return Mbps(a) < Mbps(b); });
    return rows;
}

} // namespace

std::optional<std::vector<int>> ParseChannelList(std::string_view text, std::string& why) {
    return ParseList(text, ChannelRange, "channel (1-14)", why);
}

std::optional<std::vector<int>> ParseRateList(std::string_view text, std::string& why) {
    return ParseList(text, RateRange, "rate of the rate list", why);
}

} // namespace kel::cli
