// SPDX-License-Identifier: GPL-3.0-or-later
// What a refused command line lacks: the subcommand, or every required option
// at once.
#include "cli/CommandLine.h"
#include "protocol/ChipModels.h"

namespace kel::cli {

using rftest::Listed;

std::optional<Subcommand> CommandLine::ChosenSubcommand() const {
    const auto found = subcommands_.find(Deepest());
    if (found == subcommands_.end())
        return std::nullopt;
    return found->second;
}

std::string CommandLine::UnknownSubcommand(const CLI::App& at) const {
    std::vector<std::string> names;
    for (const CLI::App* sub : at.get_subcommands({}))
        names.push_back(sub->get_name());
    const std::string within = &at == &app ? "" : at.get_name() + " ";
    const std::string choices =
        "; " + (within.empty() ? std::string("the subcommands are ") : within + "takes ") +
        Listed(names, within.empty() ? " and " : " or ");
    // A word that is no subcommand stays over, at the top: the groups fall through.
    for (const std::string& word : app.remaining(true)) {
        if (!word.starts_with('-'))
            return "unknown subcommand " + within + word + choices;
    }
    return (within.empty() ? std::string("no subcommand given") : within + "needs a subcommand") +
           choices;
}

std::optional<std::string> CommandLine::WhatIsMissing() const {
    const CLI::App* deepest = Deepest();
    const std::optional<Subcommand> subcommand = ChosenSubcommand();
    if (!subcommand)
        return UnknownSubcommand(*deepest);
    // A model that cannot run the subcommand makes every other option moot.
    if (const auto row = ChipModelRowOf(raw.model)) {
        if (auto refusal = TraitRefusal(*row, *subcommand, Given(sentOptions_)))
            return refusal;
    }
    std::vector<std::string> missing;
    if (portOption_->count() == 0 && !raw.virtualBoard)
        missing.push_back("-p PATH or --virtual");
    for (const CLI::App* at = &app; at != nullptr; at = Chosen(*at)) {
        for (const CLI::Option* option : at->get_options()) {
            if (option->get_required() && option->count() == 0)
                missing.push_back(option->get_name());
        }
    }
    if (missing.empty())
        return std::nullopt;
    return std::string(SubcommandName(*subcommand)) + " is missing " + Listed(missing);
}

} // namespace kel::cli
