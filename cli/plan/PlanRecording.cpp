// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanRecording.h"

namespace kel::cli {

using plan::BoardListener;

class PlanRecording::BoardRecording : public BoardListener {
public:
    BoardRecording(PlanRecording& recording, plan::BoardIdentity board, BoardListener& next)
        : recording_(recording), board_(std::move(board)), next_(next),
          recorder_(recording.push_.NewRecorder([this](const std::string& text) {
              if (!recording_.warned_.exchange(true))
                  next_.Note(text);
          })) {}

    void Started() override {
        results::RunRecord run = RfTestRunRecord();
        run.station = recording_.names_.station;
        run.operatorName = recording_.names_.operatorName;
        run.chipModel = recording_.plan_.ModelName();
        run.port = board_.port;
        run.slot = board_.slot;
        run.baud = recording_.plan_.baud;
        run.dut = dut_;
        run.plan = recording_.plan_.name;
        run.planVersion = recording_.plan_.version;
        run.instrument = recording_.names_.instrument;
        recorder_->BeginRun(std::move(run));
        next_.Started();
    }
    void Logged(const std::string& path) override {
        recorder_->ChangeRun([&](results::RunRecord& run) { run.sessionLog = path; });
        next_.Logged(path);
    }
    void Labelled(const std::string& dut) override {
        dut_ = dut;
        next_.Labelled(dut);
    }
    void Named(const std::string& mac) override {
        recorder_->ChangeRun([&](results::RunRecord& run) { run.boardMac = mac; });
        next_.Named(mac);
    }
    void Waiting(std::size_t step, const std::string& resource) override {
        next_.Waiting(step, resource);
    }
    void StepStarted(std::size_t step) override { next_.StepStarted(step); }
    void Measured(const plan::PointResult& point) override {
        recorder_->Record(point.measurement);
        next_.Measured(point);
    }
    void StepEnded(const plan::StepResult& step) override { next_.StepEnded(step); }
    void Note(const std::string& text) override { next_.Note(text); }
    void Finished(const plan::BoardOutcome& outcome) override {
        recorder_->EndRun(std::string(plan::BoardVerdictName(outcome.verdict)));
        if (recorder_->RunUnrecorded())
            recording_.Lost(!board_.dut.empty() ? board_.dut
                            : outcome.mac       ? *outcome.mac + " on " + board_.port
                                                : board_.port);
        next_.Finished(outcome);
    }
    void WaitingForBoard() override { next_.WaitingForBoard(); }
    void Unopened(const std::string& why) override { next_.Unopened(why); }
    void WaitingForRemoval() override { next_.WaitingForRemoval(); }

private:
    PlanRecording& recording_;
    const plan::BoardIdentity board_;
    BoardListener& next_;
    std::string dut_ = board_.dut; // a station's board: its serial, once scanned
    std::unique_ptr<results::Recorder> recorder_;
};

PlanRecording::PlanRecording(const plan::Plan& plan, const results::StoreSetting& store,
                             PlanRunNames names, RecordingPush::Note note)
    : plan_(plan), names_(std::move(names)), push_(store, std::move(note)) {}

PlanRecording::~PlanRecording() = default;

void PlanRecording::Lost(const std::string& board) {
    std::lock_guard lock(lostMutex_);
    lost_.push_back(board);
}

std::vector<std::string> PlanRecording::Unrecorded() const {
    std::lock_guard lock(lostMutex_);
    return lost_;
}

BoardListener& PlanRecording::Board(plan::BoardIdentity board, BoardListener& next) {
    boards_.push_back(std::make_unique<BoardRecording>(*this, std::move(board), next));
    return *boards_.back();
}

std::vector<BoardListener*> PlanRecording::Boards(const std::vector<plan::BoardIdentity>& boards,
                                                  const std::vector<BoardListener*>& next) {
    std::vector<BoardListener*> listeners;
    for (std::size_t i = 0; i < boards.size(); ++i)
        listeners.push_back(&Board(boards[i], *next.at(i)));
    return listeners;
}

} // namespace kel::cli
