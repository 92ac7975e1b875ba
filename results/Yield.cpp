// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/Yield.h"

#include "results/Records.h"

#include <algorithm>
#include <map>

namespace kel::results {

namespace {

std::string BoardOf(const RunRecord& run) {
    if (!run.dut.empty())
        return "dut " + run.dut;
    if (!run.boardMac.empty())
        return "mac " + run.boardMac;
    return "run " + run.id;
}

} // namespace

YieldSummary BoardYield(std::vector<RunRecord> runs) {
    std::erase_if(runs, [](const RunRecord& run) {
        return run.verdict != kRunPass && run.verdict != kRunFail && run.verdict != kRunError;
    });
    std::sort(runs.begin(), runs.end(), [](const RunRecord& a, const RunRecord& b) {
        return std::tie(a.startedAt, a.id) < std::tie(b.startedAt, b.id);
    });
    // Each board's first and last verdict.
    std::map<std::string, std::pair<std::string, std::string>> boards;
    for (const RunRecord& run : runs) {
        const auto [at, fresh] = boards.try_emplace(BoardOf(run), run.verdict, run.verdict);
        if (!fresh)
            at->second.second = run.verdict;
    }
    YieldSummary summary;
    summary.boards = static_cast<std::int64_t>(boards.size());
    for (const auto& [board, verdicts] : boards) {
        summary.firstPass += verdicts.first == kRunPass ? 1 : 0;
        summary.finalPass += verdicts.second == kRunPass ? 1 : 0;
        summary.failed += verdicts.second == kRunFail ? 1 : 0;
        summary.errored += verdicts.second == kRunError ? 1 : 0;
    }
    return summary;
}

YieldSummary Yield(RunSource& source, RunFilter filter, std::size_t worstCount) {
    filter.limit.reset();
    std::vector<RunRecord> runs;
    for (RunSummary& summary : source.Runs(filter))
        runs.push_back(std::move(summary.run));
    YieldSummary summary = BoardYield(std::move(runs));
    summary.worst = source.FailedPoints(filter, worstCount);
    return summary;
}

} // namespace kel::results
