// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TextChecks.h"

#include "results/StoreSetting.h"
#include "rftest/ValueChecks.h"

namespace kel::cli {

std::optional<std::string> NameProblem(std::string_view option, std::string_view text) {
    if (!rftest::HoldsControlCharacter(text))
        return std::nullopt;
    return std::string(option) +
           " must be one line of text, without a line feed, tab, escape or another control "
           "character";
}

std::string PasswordOnCommandLineWarning(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view uri;
        if (args[i] == "--results" && i + 1 < args.size())
            uri = args[i + 1];
        else if (args[i].starts_with("--results="))
            uri = std::string_view(args[i]).substr(10);
        if (uri.empty() || results::WithoutPassword(uri) == uri)
            continue;
        return "kel-rftest: warning: the password in --results is visible to every user of this "
               "machine (ps, /proc); keep it in ~/.pgpass (mode 0600), in the file PGPASSFILE "
               "names, or in a service file (PGSERVICE, ~/.pg_service.conf) instead\n";
    }
    return {};
}

} // namespace kel::cli
