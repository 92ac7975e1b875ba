// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/StationSession.h"

#include "plan/OperatorDesk.h"
#include "plan/PlanRun.h"
#include "resources/Version.h"
#include "results/BackgroundPush.h"
#include "results/Recorder.h"

#include <QCoreApplication>
#include <QObject>

using kel::plan::BoardOutcome;
using kel::plan::BoardVerdict;

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("StationSession", text);
}

QString Lines(const std::vector<std::string>& lines) {
    QStringList said;
    for (const std::string& line : lines)
        said << QString::fromStdString(line);
    return said.join(QLatin1Char('\n'));
}

TileState VerdictState(const BoardOutcome& outcome) {
    switch (outcome.verdict) {
    case BoardVerdict::Pass:
        return {TileState::Kind::Pass, Tr("PASS — remove the board"), Lines(outcome.marginals)};
    case BoardVerdict::Fail:
        return {TileState::Kind::Fail, Tr("FAIL — remove the board"), Lines(outcome.failures)};
    case BoardVerdict::Error:
        return {TileState::Kind::Error, Tr("ERROR — remove the board"),
                QString::fromStdString(outcome.error)};
    case BoardVerdict::Interrupted:
        break;
    }
    return {TileState::Kind::Stopped, Tr("stopped"), QString::fromStdString(outcome.error)};
}

} // namespace

// One slot's worker's ears and the operator's answers for it. Everything but
// Scan and Confirm runs on the slot's thread.
class StationSession::SlotLink : public kel::plan::BoardListener, public kel::plan::OperatorDesk {
public:
    SlotLink(StationSession& session, std::size_t slot, kel::plan::BoardIdentity identity,
             const StationNames& names, const kel::results::StoreSetting& store, QObject& context,
             const Hearing& hearing)
        : plan_(session.plan_), slot_(slot), identity_(std::move(identity)), names_(names),
          context_(context), hearing_(hearing),
          recorder_(
              store, [this](const std::string& text) { Note(text); }, session.push_.get()) {}

    // The window's answers, from the GUI thread.
    void Answer(std::string text) { answer_.Give(std::move(text)); }

    // --- OperatorDesk
    std::optional<std::string> Serial(const kel::plan::DutRule& rule,
                                      const kel::plan::DeskWait& wait) override {
        answer_.Clear();
        // A refusal stays on the tile until the next code comes.
        if (!std::exchange(refused_, false)) {
            const QString pattern = QString::fromStdString(rule.pattern);
            Post({TileState::Kind::Scan, Tr("scan the serial number"),
                  rule.required ? pattern : Tr("Enter alone: no serial number")});
        }
        return answer_.Await(wait);
    }
    void Refused(const std::string& code, const std::string& why) override {
        refused_ = true;
        Post({TileState::Kind::Refused, Tr("REFUSED — scan again"),
              QString::fromStdString(why) +
                  Tr("; board %1 is not tested").arg(QString::fromStdString(code))});
    }
    bool Prompt(const std::string& text, bool confirm, const kel::plan::DeskWait& wait) override {
        answer_.Clear();
        TileState asked{TileState::Kind::Prompt, QString::fromStdString(text),
                        confirm ? Tr("press Enter when done") : QString()};
        asked.confirm = confirm;
        Post(asked);
        return !confirm || answer_.Await(wait).has_value();
    }

    // --- BoardListener
    void WaitingForBoard() override {
        refused_ = false; // a refused board taken out: the next one is asked afresh
        Post({TileState::Kind::Waiting, Tr("waiting for a board"), {}});
    }
    void Unopened(const std::string& why) override {
        Post({TileState::Kind::Unopened, Tr("cannot open the port"), QString::fromStdString(why)});
    }
    void Labelled(const std::string& dut) override { dut_ = dut; }
    void Started() override {
        kel::results::RunRecord run;
        run.tool = kel::results::kToolConsole;
        run.version = std::string(kel::res::BuildVersion());
        run.station = names_.station;
        run.operatorName = names_.operatorName;
        run.chipModel = plan_.ModelName();
        run.port = identity_.port;
        run.slot = identity_.slot;
        run.baud = plan_.baud;
        run.dut = dut_;
        run.plan = plan_.name;
        run.planVersion = plan_.version;
        recorder_.BeginRun(std::move(run));
    }
    void Named(const std::string& mac) override {
        recorder_.ChangeRun([&](kel::results::RunRecord& run) { run.boardMac = mac; });
    }
    void StepStarted(std::size_t step) override {
        const kel::plan::Step& at = plan_.steps[step];
        // A non-breaking hyphen: the tile wraps "rx-sweep" whole, not after "rx-".
        const QString name =
            QString::fromUtf8(kel::plan::StepKindName(at.kind)).replace(u'-', QChar(0x2011));
        Post({TileState::Kind::Testing,
              Tr("testing, step %1 of %2: %3").arg(step + 1).arg(plan_.steps.size()).arg(name),
              QString::fromStdString(dut_)});
    }
    void Measured(const kel::plan::PointResult& point) override {
        recorder_.Record(point.measurement);
    }
    void Note(const std::string& text) override {
        QMetaObject::invokeMethod(
            &context_,
            [note = hearing_.note,
             text = QString::fromStdString(identity_.SlotName() + ": " + text)] { note(text); },
            Qt::QueuedConnection);
    }
    void Finished(const BoardOutcome& outcome) override {
        recorder_.EndRun(std::string(kel::plan::BoardVerdictName(outcome.verdict)));
        TileState said = VerdictState(outcome);
        if (!dut_.empty() && outcome.verdict != BoardVerdict::Interrupted)
            said.headline += QStringLiteral("\n") + QString::fromStdString(dut_);
        Post(said);
        QMetaObject::invokeMethod(
            &context_,
            [ended = hearing_.ended, slot = slot_, dut = dut_, verdict = outcome.verdict] {
                ended(slot, dut, verdict);
            },
            Qt::QueuedConnection);
    }

private:
    void Post(TileState state) {
        QMetaObject::invokeMethod(
            &context_, [show = hearing_.show, slot = slot_, state] { show(slot, state); },
            Qt::QueuedConnection);
    }

    const kel::plan::Plan& plan_;
    const std::size_t slot_;
    const kel::plan::BoardIdentity identity_;
    const StationNames names_;
    QObject& context_;
    const Hearing hearing_;
    kel::results::Recorder recorder_; // used on the slot's thread alone
    kel::plan::OperatorAnswer answer_;
    std::string dut_; // the board's serial, once scanned
    bool refused_ = false;
};

StationSession::StationSession(const kel::plan::Plan& plan,
                               std::vector<kel::plan::BoardIdentity> fixtures, StationNames names,
                               kel::results::StoreSetting store, QObject& context, Hearing hearing,
                               kel::plan::BoardRunSettings settings)
    : plan_(plan) {
    // The server's problem is told once, on the GUI thread; the push ends
    // before the session does, so the context outlives every call.
    push_ = kel::results::BackgroundPush::For(
        store, [&context, note = hearing.note](const std::string& message) {
            QMetaObject::invokeMethod(
                &context, [note, text = QString::fromStdString(message)] { note(text); },
                Qt::QueuedConnection);
        });
    for (std::size_t i = 0; i < fixtures.size(); ++i)
        links_.push_back(
            std::make_unique<SlotLink>(*this, i, fixtures[i], names, store, context, hearing));
    run_ = std::make_unique<kel::plan::PlanRun>(plan_, std::move(fixtures), std::move(settings));
}

StationSession::~StationSession() {
    run_.reset(); // cancels, and waits for every slot
}

void StationSession::Start() {
    std::vector<kel::plan::BoardListener*> listeners;
    std::vector<kel::plan::OperatorDesk*> desks;
    for (const auto& link : links_) {
        listeners.push_back(link.get());
        desks.push_back(link.get());
    }
    run_->StartStation(listeners, desks);
}

void StationSession::Scan(std::size_t slot, const std::string& code) {
    links_.at(slot)->Answer(code);
}

void StationSession::Confirm(std::size_t slot) {
    links_.at(slot)->Answer({});
}

void StationSession::Stop() {
    run_->Cancel();
}

bool StationSession::Ended() const {
    return run_->WaitFor(std::chrono::milliseconds(0));
}
