// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanTally.h"

#include "plan/PointSummary.h"

#include <algorithm>

namespace kel::cli {

using plan::BoardOutcome;
using plan::PointResult;
using plan::StepResult;

std::string BoardRow::Name() const {
    if (!identity.dut.empty())
        return identity.dut;
    return mac.empty() ? identity.port : mac;
}

std::string BoardRow::Label() const {
    if (!identity.dut.empty() && !mac.empty())
        return identity.dut + " " + mac;
    return Name();
}

class PlanTally::Listener : public plan::BoardListener {
public:
    Listener(PlanTally& tally, std::size_t board) : tally_(tally), board_(board) {}

    void Started() override {
        // A station's next board starts from a clean row in the same slot.
        Change([](BoardRow& row) { Clear(row); });
    }

    void Labelled(const std::string& dut) override {
        Change([&](BoardRow& row) { row.identity.dut = dut; });
    }
    void Named(const std::string& mac) override {
        Change([&](BoardRow& row) { row.mac = mac; });
    }
    void Waiting(std::size_t step, const std::string& resource) override {
        Change([&](BoardRow& row) {
            row.started = true;
            row.step = step;
            row.waitingFor = resource;
        });
    }
    void StepStarted(std::size_t step) override {
        Change([&](BoardRow& row) {
            row.started = true;
            row.step = step;
            row.pointsDone = 0;
            row.waitingFor.clear();
        });
    }
    void Measured(const PointResult& point) override {
        Change([&](BoardRow& row) {
            if (tally_.onPoint)
                tally_.onPoint(row, point);
            if (!point.last)
                return;
            ++row.pointsDone;
            const rftest::Verdict verdict = point.measurement.verdict;
            row.failed += verdict == rftest::Verdict::Fail ? 1 : 0;
            row.marginal += verdict == rftest::Verdict::Marginal ? 1 : 0;
            const plan::Step& step = tally_.plan_.steps[point.step];
            const bool file = point.measurement.kind == rftest::MeasurementKind::SddExport;
            row.cases.push_back(
                {point.step, plan::PointName(step, point.measurement),
                 verdict == rftest::Verdict::Fail ? PlanCase::Kind::Failed : PlanCase::Kind::Passed,
                 file ? point.measurement.text : point.summary, point.took.count(),
                 point.measurement, point.attempt});
        });
    }
    void StepEnded(const StepResult& step) override {
        Change([&](BoardRow& row) {
            if (!step.error.empty()) {
                // The step's own time: what its points reported took is theirs.
                double seconds = plan::Seconds(step.ended - step.started).count();
                for (const PlanCase& c : row.cases)
                    seconds -= c.step == step.step ? c.seconds : 0;
                row.cases.push_back(
                    {step.step, std::string(plan::StepKindName(tally_.plan_.steps[step.step].kind)),
                     PlanCase::Kind::Errored, step.error, std::max(seconds, 0.0), std::nullopt, 1});
            }
            if (tally_.onStep)
                tally_.onStep(row, step);
        });
    }
    void Note(const std::string& text) override {
        Change([&](BoardRow& row) {
            if (tally_.onNote)
                tally_.onNote(row, text);
        });
    }
    void Finished(const BoardOutcome& outcome) override {
        Change([&](BoardRow& row) {
            row.finished = true;
            row.outcome = outcome;
            const std::string board = !row.identity.dut.empty() ? "dut " + row.identity.dut
                                      : outcome.mac             ? "mac " + *outcome.mac
                                                    : "#" + std::to_string(tally_.unnamed_++);
            tally_.verdicts_[board] = outcome.verdict;
            // The steps never run are told by the report, which knows every
            // board's cases (JUnitReport.cpp).
            if (!row.started && !outcome.error.empty())
                row.cases.insert(row.cases.begin(),
                                 {PlanCase::kHandshake, "handshake", PlanCase::Kind::Errored,
                                  outcome.error, outcome.took.count(), std::nullopt, 1});
            if (tally_.onFinished)
                tally_.onFinished(row);
        });
    }

    void WaitingForBoard() override { Slot(BoardRow::Slot::WaitingForBoard); }
    void Unopened(const std::string& why) override { Slot(BoardRow::Slot::Unopened, why); }
    void WaitingForRemoval() override { Slot(BoardRow::Slot::RemoveBoard); }

private:
    // Empty again but for the slot's port and label.
    static void Clear(BoardRow& row) {
        BoardRow fresh;
        fresh.identity = std::move(row.identity);
        row = std::move(fresh);
    }
    void Slot(BoardRow::Slot slot, const std::string& why = {}) {
        Change([&](BoardRow& row) {
            // Waiting for the next board, the last one is no longer shown.
            if (slot == BoardRow::Slot::WaitingForBoard) {
                Clear(row);
                row.identity.dut.clear(); // the next board brings its own serial
            }
            row.slot = slot;
            row.unopened = why;
            if (tally_.onSlot)
                tally_.onSlot(row);
        });
    }
    template <typename Edit> void Change(Edit&& change) {
        std::lock_guard lock(tally_.mutex_);
        change(tally_.rows_[board_]);
        tally_.changed_ = true;
    }

    PlanTally& tally_;
    std::size_t board_;
};

PlanTally::PlanTally(const plan::Plan& plan, const std::vector<plan::BoardIdentity>& boards)
    : plan_(plan) {
    for (std::size_t i = 0; i < boards.size(); ++i) {
        rows_.push_back({});
        rows_.back().identity = boards[i];
        listeners_.push_back(std::make_unique<Listener>(*this, i));
    }
}

PlanTally::~PlanTally() = default;

std::vector<plan::BoardListener*> PlanTally::Listeners() {
    std::vector<plan::BoardListener*> listeners;
    for (const auto& listener : listeners_)
        listeners.push_back(listener.get());
    return listeners;
}

std::vector<BoardRow> PlanTally::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

VerdictCounts PlanTally::Counts() const {
    std::lock_guard lock(mutex_);
    VerdictCounts counts{};
    for (const auto& [board, verdict] : verdicts_)
        ++counts[static_cast<std::size_t>(verdict)];
    return counts;
}

bool PlanTally::TakeChanged() {
    std::lock_guard lock(mutex_);
    return std::exchange(changed_, false);
}

} // namespace kel::cli
