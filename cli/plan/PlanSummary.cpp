// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanSummary.h"

#include "cli/ExitCodes.h"

#include <algorithm>
#include <cctype>

namespace kel::cli {

using plan::BoardVerdict;

namespace {

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width - text.size() + 2, ' ');
}

} // namespace

std::string VerdictWord(BoardVerdict verdict) {
    std::string word(plan::BoardVerdictName(verdict));
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return word;
}

std::string VerdictLines(const std::vector<BoardRow>& rows) {
    std::size_t widths[3] = {};
    for (const BoardRow& row : rows) {
        widths[0] = std::max(widths[0], plan::BoardVerdictName(row.outcome.verdict).size());
        widths[1] = std::max(widths[1], row.identity.SlotName().size());
        widths[2] = std::max(widths[2], row.Label().size());
    }
    std::string text;
    for (const BoardRow& row : rows) {
        const plan::BoardOutcome& outcome = row.outcome;
        const std::string lead = Padded(VerdictWord(outcome.verdict), widths[0]) +
                                 Padded(row.identity.SlotName(), widths[1]) +
                                 Padded(row.Label(), widths[2]);
        // Why it did not pass; for a pass, what was marginal.
        std::vector<std::string> said = outcome.failures;
        if (!outcome.error.empty())
            said.push_back(outcome.error);
        if (said.empty()) {
            for (const std::string& marginal : outcome.marginals)
                said.push_back(marginal);
        }
        if (said.empty())
            said.push_back("");
        for (std::size_t i = 0; i < said.size(); ++i) {
            std::string line = (i == 0 ? lead : std::string(lead.size(), ' ')) + said[i];
            line.erase(line.find_last_not_of(' ') + 1);
            text += line + '\n';
        }
    }
    return text;
}

std::string CountText(const VerdictCounts& counts) {
    std::size_t boards = 0;
    for (const std::size_t n : counts)
        boards += n;
    const auto count = [&](BoardVerdict verdict, const char* what) {
        const std::size_t n = counts[static_cast<std::size_t>(verdict)];
        return n == 0 ? std::string() : ", " + std::to_string(n) + " " + what;
    };
    return std::to_string(boards) + (boards == 1 ? " board" : " boards") +
           count(BoardVerdict::Pass, "passed") + count(BoardVerdict::Fail, "failed") +
           count(BoardVerdict::Error, "errored") + count(BoardVerdict::Interrupted, "interrupted");
}

std::string CountLine(const plan::Plan& plan, const VerdictCounts& counts) {
    return plan.name + (plan.version.empty() ? "" : " " + plan.version) + ": " + CountText(counts) +
           '\n';
}

std::string SummaryText(const plan::Plan& plan, const std::vector<BoardRow>& rows) {
    VerdictCounts counts{};
    for (const BoardRow& row : rows)
        ++counts[static_cast<std::size_t>(row.outcome.verdict)];
    return VerdictLines(rows) + CountLine(plan, counts);
}

int PlanExitCode(const std::vector<BoardRow>& rows, bool interrupted) {
    const auto any = [&](BoardVerdict verdict) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const BoardRow& row) { return row.outcome.verdict == verdict; });
    };
    if (interrupted || any(BoardVerdict::Interrupted))
        return kExitInterrupted;
    if (any(BoardVerdict::Error))
        return kExitFailed;
    return any(BoardVerdict::Fail) ? kExitPerLimit : kExitOk;
}

} // namespace kel::cli
