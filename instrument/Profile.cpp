// SPDX-License-Identifier: GPL-3.0-or-later
#include "instrument/Profile.h"

#include <cmath>
#include <cstdio>

namespace kel::instrument {

const ActionForm& FormOf(Action action) {
    return kActions[static_cast<std::size_t>(action)];
}

std::string_view PlaceholderText(Placeholder placeholder) {
    switch (placeholder) {
    case Placeholder::Hz:
        return "{hz}";
    case Placeholder::Dbm:
        return "{dbm}";
    case Placeholder::Count:
        return "{count}";
    case Placeholder::Route:
        return "{route}";
    }
    return "";
}

std::string ActionName(Action action) {
    const ActionForm& form = FormOf(action);
    return std::string(form.table) + "." + std::string(form.key);
}

std::vector<std::string> Expand(const Profile& profile, Action action, std::string_view value) {
    std::vector<std::string> lines = profile.actions.at(action);
    const auto placeholder = FormOf(action).placeholder;
    if (!placeholder)
        return lines;
    const std::string_view marker = PlaceholderText(*placeholder);
    for (std::string& line : lines) {
        for (std::size_t at = line.find(marker); at != std::string::npos;
             at = line.find(marker, at + value.size()))
            line.replace(at, marker.size(), value);
    }
    return lines;
}

std::string FormatHz(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", std::round(hz));
    return text;
}

std::string FormatDbm(double dbm) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", dbm);
    return text;
}

} // namespace kel::instrument
