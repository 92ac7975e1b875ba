// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanDisplay.h"

#include "cli/plan/PlanSummary.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace kel::cli {

namespace {

// Up one line, then clear from there to the end of the screen.
constexpr char kLineUp[] = "\x1b[A";
constexpr char kClearBelow[] = "\r\x1b[J";

std::string VerdictSoFar(const BoardRow& row) {
    if (row.finished) {
        const std::string verdict = VerdictWord(row.outcome.verdict);
        return row.outcome.marginals.empty() || row.outcome.verdict != plan::BoardVerdict::Pass
                   ? verdict
                   : verdict + " (marginal)";
    }
    if (row.failed > 0)
        return "fail";
    return row.marginal > 0 ? "marginal" : "pass";
}

std::string Took(plan::Seconds seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds.count());
    return text;
}

} // namespace

std::vector<std::string> PlanDisplay::TableLines(const std::vector<BoardRow>& rows) {
    const bool labelled = std::any_of(
        rows.begin(), rows.end(), [](const BoardRow& row) { return !row.identity.dut.empty(); });
    std::vector<std::vector<std::string>> cells{{"PORT", "MAC", "STEP", "POINTS", "VERDICT"}};
    if (labelled)
        cells[0].insert(cells[0].begin() + 2, "DUT");
    if (station_)
        cells[0][labelled ? 3 : 2] = "STATE";
    const std::size_t steps = plan_.steps.size();
    for (const BoardRow& row : rows) {
        std::string step = "connecting";
        std::string points;
        if (row.started) {
            const plan::Step& at = plan_.steps[row.step];
            step = std::to_string(row.step + 1) + "/" + std::to_string(steps) + " " +
                   std::string(plan::StepKindName(at.kind));
            if (!row.waitingFor.empty())
                points = "waiting for " + row.waitingFor;
            else if (at.Points() > 1)
                points = std::to_string(row.pointsDone) + "/" + std::to_string(at.Points());
        }
        const bool completed = row.outcome.verdict == plan::BoardVerdict::Pass ||
                               row.outcome.verdict == plan::BoardVerdict::Fail;
        if (row.finished) {
            step = completed ? "done" : step;
            points.clear();
        }
        // Nothing judged before the board's test begins.
        std::string verdict = row.started || row.finished ? VerdictSoFar(row) : "";
        if (station_) {
            step = SlotState(row);
            if (row.slot != BoardRow::Slot::Testing || row.finished)
                verdict.clear();
        }
        cells.push_back({row.identity.SlotName(), row.mac, step, points, verdict});
        if (labelled)
            cells.back().insert(cells.back().begin() + 2, row.identity.dut);
    }
    std::vector<std::size_t>& widths = widths_;
    widths.resize(cells[0].size(), 0);
    for (const auto& line : cells) {
        for (std::size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    }
    std::vector<std::string> lines;
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c)
            text += line[c] +
                    (c + 1 < line.size() ? std::string(widths[c] - line[c].size() + 2, ' ') : "");
        lines.push_back(text);
    }
    return lines;
}

bool PlanDisplay::Resize(std::size_t columns, std::size_t lines) {
    std::lock_guard lock(mutex_);
    if (columns == columns_ && lines == lines_)
        return false;
    columns_ = columns;
    lines_ = lines;
    return true;
}

void PlanDisplay::Erase() {
    // A line wider than the terminal is now (it narrowed) takes more rows.
    std::size_t rows = 0;
    for (const std::size_t length : drawn_)
        rows += columns_ == 0 || length <= columns_ ? 1 : (length + columns_ - 1) / columns_;
    drawn_.clear();
    for (; rows > 0; --rows)
        err_ << kLineUp;
    err_ << kClearBelow;
}

void PlanDisplay::Show() {
    std::vector<std::string> lines = TableLines(shown_);
    // Never taller than the terminal, the cursor's line left free: a line
    // scrolled out of reach could not be redrawn and would stay behind.
    const std::size_t room = lines_ == 0 ? lines.size() + 1 : lines_ - 1;
    const std::size_t footer = footer_.empty() ? 0 : 1;
    if (lines.size() + footer > room && room >= 2 + footer) {
        const std::size_t kept = room - footer - 1;
        const std::size_t more = lines.size() - kept;
        lines.resize(kept);
        lines.push_back("... and " + std::to_string(more) +
                        (more == 1 ? " more board" : " more boards"));
    }
    if (!footer_.empty())
        lines.push_back(footer_);
    for (std::string& line : lines) {
        // Never wider either: a wrapped line would leave a copy on a redraw.
        if (columns_ > 1 && line.size() >= columns_)
            line.resize(columns_ - 1);
        err_ << line << '\n';
        drawn_.push_back(line.size());
    }
    err_ << std::flush;
}

void PlanDisplay::Draw(const std::vector<BoardRow>& rows, const std::string& footer) {
    std::lock_guard lock(mutex_);
    shown_ = rows;
    footer_ = footer;
    Erase();
    Show();
}

void PlanDisplay::Line(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (!table_ || drawn_.empty()) {
        err_ << text << '\n' << std::flush;
        return;
    }
    Erase();
    err_ << text << '\n';
    Show();
}

std::string PlanDisplay::SlotState(const BoardRow& row) const {
    if (row.finished && row.outcome.verdict == plan::BoardVerdict::Interrupted)
        return "interrupted";
    switch (row.slot) {
    case BoardRow::Slot::WaitingForBoard:
        return "waiting for a board";
    case BoardRow::Slot::Unopened:
        return "cannot open it, remove the board";
    case BoardRow::Slot::RemoveBoard:
        return VerdictSoFar(row) + ", remove the board";
    case BoardRow::Slot::Testing:
        break;
    }
    if (!row.started)
        return "connecting";
    return "testing step " + std::to_string(row.step + 1) + " of " +
           std::to_string(plan_.steps.size()) + ": " +
           std::string(plan::StepKindName(plan_.steps[row.step].kind));
}

std::string PlanDisplay::StepLine(const BoardRow& row, const plan::StepResult& step) const {
    const plan::Step& at = plan_.steps[step.step];
    std::string text = row.identity.SlotName() + " " + row.Label() + ": " +
                       std::to_string(step.step + 1) + "/" + std::to_string(plan_.steps.size()) +
                       " " + std::string(plan::StepKindName(at.kind)) + ": ";
    if (!step.error.empty())
        return text + "error: " + step.error;
    std::string verdict(rftest::VerdictName(step.verdict));
    text += verdict.empty() ? "done" : verdict;
    // This step's failing points (those of the row's cases from it), or the
    // file it saved.
    std::string said;
    for (const PlanCase& c : row.cases) {
        const bool file = at.kind == plan::StepKind::SddExport && !c.message.empty();
        if (c.step == step.step && (c.kind == PlanCase::Kind::Failed || file))
            said += std::string(said.empty() ? "" : "; ") + (file ? "saved to " : "") + c.message;
    }
    if (!said.empty())
        text += " (" + said + ")";
    return text + ", " + Took(step.ended - step.started);
}

} // namespace kel::cli
