#include "cli/PointLists.h"

#include "rftest/RfTables.h"

#include <charconv>
#include <functional>

namespace kel::cli {

namespace {

using ItemReader = std::function<std::optional<int>(std::string_view)>;

std::optional<std::vector<int>> ParseList(std::string_view text, const ItemReader& read,
                                          const char* what, std::string& why) {
    std::vector<int> values;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const std::optional<int> first = read(item.substr(0, dash));
        const std::optional<int> last =
            dash == std::string_view::npos ? first : read(item.substr(dash + 1));
        if (!first || !last || *first > *last) {
            why = "\"" + std::string(item) + "\" is not a " + what + " or a range of them";
            return std::nullopt;
        }
        for (int value = *first; value <= *last; ++value)
            values.push_back(value);
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

} // namespace

std::optional<std::vector<int>> ParseChannelList(std::string_view text, std::string& why) {
    return ParseList(text, ReadChannel, "channel (1-14)", why);
}

std::optional<std::vector<int>> ParseRateList(std::string_view text, std::string& why) {
    return ParseList(text, rftest::RateRowOf, "rate of the rate list", why);
}

} // namespace kel::cli
