// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/ScpiHeader.h"

#include <cctype>

namespace kel::board {

namespace {

struct PatternNode {
    std::string shortForm; // lower case
    std::string longForm;  // lower case
    bool optional = false;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::vector<PatternNode> ParsePattern(std::string_view pattern) {
    std::vector<PatternNode> nodes;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const bool optional = pattern[at] == '[';
        if (optional)
            ++at;
        if (at < pattern.size() && pattern[at] == ':')
            ++at;
        std::size_t end = at;
        while (end < pattern.size() && pattern[end] != ':' && pattern[end] != '[' &&
               pattern[end] != ']')
            ++end;
        PatternNode node;
        node.optional = optional;
        for (char c : pattern.substr(at, end - at)) {
            if (std::isupper(static_cast<unsigned char>(c)) || c == '*')
                node.shortForm += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        node.longForm = Lower(pattern.substr(at, end - at));
        nodes.push_back(std::move(node));
        at = end;
        if (at < pattern.size() && pattern[at] == ']')
            ++at;
    }
    return nodes;
}

std::vector<std::string> SplitHeader(std::string_view header) {
    std::vector<std::string> nodes;
    if (header.starts_with(':'))
        header.remove_prefix(1);
    while (!header.empty()) {
        const std::size_t colon = header.find(':');
        nodes.push_back(Lower(header.substr(0, colon)));
        header = colon == std::string_view::npos ? std::string_view() : header.substr(colon + 1);
    }
    return nodes;
}

bool Matches(const std::vector<std::string>& header, std::size_t h,
             const std::vector<PatternNode>& pattern, std::size_t p) {
    if (p == pattern.size())
        return h == header.size();
    const PatternNode& node = pattern[p];
    if (h < header.size() && (header[h] == node.shortForm || header[h] == node.longForm) &&
        Matches(header, h + 1, pattern, p + 1))
        return true;
    return node.optional && Matches(header, h, pattern, p + 1);
}

} // namespace

std::vector<ScpiCommand> SplitScpiLine(std::string_view line) {
    std::vector<ScpiCommand> commands;
    while (!line.empty()) {
        const std::size_t semicolon = line.find(';');
        const std::string_view part = Trim(line.substr(0, semicolon));
        line =
            semicolon == std::string_view::npos ? std::string_view() : line.substr(semicolon + 1);
        if (part.empty())
            continue;
        const std::size_t space = part.find_first_of(" \t");
        std::string_view header = part.substr(0, space);
        ScpiCommand command;
        command.query = header.ends_with('?');
        if (command.query)
            header.remove_suffix(1);
        command.header = header;
        if (space != std::string_view::npos)
            command.parameters = Trim(part.substr(space));
        commands.push_back(std::move(command));
    }
    return commands;
}

bool HeaderMatches(std::string_view header, std::string_view pattern) {
    return Matches(SplitHeader(header), 0, ParsePattern(pattern), 0);
}

} // namespace kel::board
