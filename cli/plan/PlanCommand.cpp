// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanCommand.h"

#include "board/BoardTray.h"
#include "cli/Interruption.h"
#include "cli/ResultSchema.h"
#include "cli/plan/JUnitReport.h"
#include "cli/plan/PlanArguments.h"
#include "cli/plan/PlanDisplay.h"
#include "cli/plan/PlanInstrument.h"
#include "cli/plan/PlanRecording.h"
#include "cli/plan/PlanSummary.h"
#include "cli/plan/TerminalDesk.h"
#include "plan/PlanReader.h"
#include "plan/PlanRun.h"
#include "resources/Version.h"
#include "results/FreeSpace.h"
#include "results/Recorder.h"
#include "rftest/Messages.h"
#include "rftest/calibration/CalibrationResults.h"
#include "serial/SessionLogFolder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <tuple>
#include <unistd.h>

namespace kel::cli {

namespace {

// The live table is redrawn at most this often.
constexpr std::chrono::milliseconds kRedraw{250};

// Why the JUnit file could not be written where asked; nothing when it can.
std::optional<std::string> JUnitTargetProblem(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ignored;
    if (fs::is_directory(target, ignored))
        return "--junit: " + path + " is a folder";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (access(folder.c_str(), W_OK) != 0)
        return "--junit: cannot write in " + folder.string() + ": " + std::strerror(errno);
    return std::nullopt;
}

// The JUnit file of a run that ended before any board was tested.
void JUnitRefusal(const std::string& path, const std::string& suite, const std::string& message,
                  const std::string& station, std::ostream& err) {
    if (path.empty())
        return;
    std::string why;
    const JUnitFacts facts{station.empty() ? results::DefaultStation() : station,
                           std::string(res::BuildVersion()), rftest::UtcNow().substr(0, 19)};
    if (!WriteJUnitRefusal(path, suite, message, facts, why))
        err << "kel-rftest: " << why << '\n' << std::flush;
}

// --junit's file from a command line that could not be read otherwise.
std::string JUnitPathIn(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--junit" && i + 1 < args.size())
            return args[i + 1];
        if (args[i].starts_with("--junit="))
            return args[i].substr(8);
    }
    return {};
}

class PlanCommand {
public:
    PlanCommand(const PlanInvocation& invocation, const plan::Plan& plan, std::ostream& out,
                std::ostream& err, Interruption& interruption, const RunSettings& settings)
        : invocation_(invocation), plan_(plan), out_(out), err_(err), interruption_(interruption),
          settings_(settings) {}

    int Run();

private:
    // The boards' ports, the virtual tray started first when asked for;
    // false (said why) when it cannot start.
    bool Boards(std::vector<plan::BoardIdentity>& boards);
    RunFacts FactsOf(const BoardRow& row) const;
    void Refused(const std::string& error, const std::string& reason = {});
    // The run ends before any board: the JUnit file says why.
    void Unrun(const std::string& why) {
        JUnitRefusal(invocation_.junitPath, plan_.name, why, invocation_.station, err_);
    }
    // The JSON objects and plain lines as the boards' workers tell them.
    void Hook(PlanTally& tally, PlanDisplay& display);
    // Redraws the table (the footer below it) until every board finished,
    // cancelling them all at Ctrl+C.
    void Watch(plan::PlanRun& run, PlanTally& tally, PlanDisplay& display,
               const std::function<std::string()>& footer);
    // --loop: the slots test board after board until Ctrl+C.
    void Station(plan::PlanRun& run, const std::vector<plan::BoardListener*>& listeners,
                 PlanTally& tally, PlanDisplay& display);
    void Report(PlanTally& tally, PlanDisplay& display);
    // Names the boards whose runs the store could not take; true when any.
    bool Unrecorded(const PlanRecording& recording);

    const PlanInvocation& invocation_;
    const plan::Plan& plan_;
    std::ostream& out_;
    std::ostream& err_;
    Interruption& interruption_;
    RunSettings settings_;
    std::unique_ptr<board::BoardTray> tray_;
    PlanInstrument instrument_; // after the tray: its virtual bench serves the tray's boards
    std::string station_;
    std::string startedAt_;
};

void PlanCommand::Refused(const std::string& error, const std::string& reason) {
    err_ << "kel-rftest: " << error << (reason.empty() ? "" : ": " + reason) << '\n' << std::flush;
    if (!invocation_.json)
        return;
    RunFacts facts;
    facts.command = "plan run";
    facts.model = plan_.ModelName();
    out_ << JsonLine(FailureObject(facts, error, reason)) << std::flush;
}

bool PlanCommand::Boards(std::vector<plan::BoardIdentity>& boards) {
    std::vector<std::string> paths = invocation_.ports;
    if (!invocation_.virtualBoards.empty()) {
        tray_ = std::make_unique<board::BoardTray>(invocation_.virtualBoards);
        if (!tray_->Error().empty()) {
            Refused(std::string(rftest::kOpenFailed) + " the virtual boards could not start",
                    tray_->Error());
            Unrun("the virtual boards could not start: " + tray_->Error());
            return false;
        }
        for (std::size_t i = 0; i < tray_->Size(); ++i)
            paths.push_back(tray_->SlavePath(i));
    }
    for (std::size_t i = 0; i < paths.size(); ++i)
        boards.push_back({paths[i], i < invocation_.duts.size() ? invocation_.duts[i] : "",
                          i < invocation_.slots.size() ? invocation_.slots[i] : ""});
    return true;
}

RunFacts PlanCommand::FactsOf(const BoardRow& row) const {
    RunFacts facts;
    facts.command = "plan run";
    facts.port = row.identity.port;
    facts.model = plan_.ModelName();
    if (!row.mac.empty())
        facts.boardMac = row.mac;
    return facts;
}

int PlanCommand::Run() {
    if (!invocation_.junitPath.empty()) {
        if (const auto problem = JUnitTargetProblem(invocation_.junitPath)) {
            Refused(*problem);
            return kExitUsage;
        }
    }
    if (invocation_.store.Records()) {
        if (const auto full = results::FreeSpaceProblem(invocation_.store.file)) {
            const std::string why = "the results could not be recorded: " + *full;
            Refused(why, "nothing was tested");
            Unrun(why);
            return kExitNotRecorded;
        }
    }
    std::vector<plan::BoardIdentity> boards;
    if (!Boards(boards))
        return kExitNoPort;
    // A station asks each board's serial; a run given its labels up front
    // must give the plan's kind of label.
    for (const plan::BoardIdentity& board : boards) {
        const std::string why = invocation_.loop ? "" : plan_.dut.Refusal(board.dut);
        if (!why.empty()) {
            Refused("--dut for " + board.SlotName() + ": " + why);
            return kExitUsage;
        }
    }
    std::string instrumentProblem;
    std::map<std::string, int> routes;
    if (const int code = instrument_.Start(plan_, tray_.get(), boards, routes, instrumentProblem)) {
        Refused(instrumentProblem);
        err_ << "kel-rftest: nothing was sent to any board\n" << std::flush;
        return code;
    }
    station_ = invocation_.station.empty() ? results::DefaultStation() : invocation_.station;
    startedAt_ = rftest::UtcNow();

    PlanDisplay display(plan_, err_, settings_.liveTable, invocation_.loop);
    if (settings_.terminalSize)
        std::apply([&](auto... size) { display.Resize(size...); }, settings_.terminalSize());
    // Declared before the run, whose workers record through it.
    PlanRecording recording(plan_, invocation_.store,
                            {station_, invocation_.operatorName, instrument_.Identity()},
                            [&display](const std::string& text) { display.Line(text); });
    plan::BoardRunSettings boardSettings;
    boardSettings.watchdogSlice = settings_.watchdogSlice;
    boardSettings.instrument = instrument_.Get();
    boardSettings.routes = std::move(routes);
    boardSettings.sddFolder = invocation_.sddFolder;
    boardSettings.sessionLogFolder = DefaultSessionLogFolder();
    plan::PlanRun run(plan_, boards, boardSettings);
    PlanTally tally(plan_, boards);
    Hook(tally, display);
    if (invocation_.loop) {
        Station(run, recording.Boards(boards, tally.Listeners()), tally, display);
        Unrecorded(recording);
        return kExitInterrupted; // a station runs until Ctrl+C
    }
    std::vector<std::string> problems;
    if (!run.Open(problems)) {
        std::string all;
        for (const std::string& problem : problems) {
            Refused(std::string(rftest::kOpenFailed) + " " + problem);
            all += (all.empty() ? "" : "; ") + problem;
        }
        err_ << "kel-rftest: nothing was sent to any board\n" << std::flush;
        Unrun(all + ": nothing was sent to any board");
        return kExitNoPort;
    }
    if (interruption_.Requested())
        return kExitInterrupted;

    run.Start(recording.Boards(boards, tally.Listeners()));
    Watch(run, tally, display, [] { return std::string(); });
    Report(tally, display);
    const int code = PlanExitCode(tally.Rows(), interruption_.Requested());
    if (Unrecorded(recording) && code != kExitInterrupted)
        return kExitNotRecorded;
    return code;
}

bool PlanCommand::Unrecorded(const PlanRecording& recording) {
    const std::vector<std::string> lost = recording.Unrecorded();
    if (lost.empty())
        return false;
    std::string names;
    for (const std::string& board : lost)
        names += (names.empty() ? "" : ", ") + board;
    // The cause and the file were said when the store first failed.
    err_ << "kel-rftest: tested, not recorded: " << lost.size()
         << (lost.size() == 1 ? " board's run: " : " boards' runs: ") << names << '\n'
         << std::flush;
    return true;
}

void PlanCommand::Station(plan::PlanRun& run, const std::vector<plan::BoardListener*>& listeners,
                          PlanTally& tally, PlanDisplay& display) {
    std::ostream& verdicts = invocation_.json ? err_ : out_;
    // A board's verdict as it comes: above the table, else on lines of its own.
    tally.onFinished = [&, json = tally.onFinished](const BoardRow& row) {
        json(row);
        const std::string lines = VerdictLines({row});
        if (display.Table())
            display.Line(lines.substr(0, lines.size() - 1));
        else
            verdicts << lines << std::flush;
    };
    tally.onSlot = [&](const BoardRow& row) {
        if (row.slot == BoardRow::Slot::Unopened)
            display.Line("kel-rftest: " + row.identity.SlotName() + ": " + row.unopened);
        else if (!display.Table())
            display.Line("kel-rftest: " + row.identity.SlotName() + ": " + display.SlotState(row));
    };
    std::vector<std::string> names;
    for (const BoardRow& row : tally.Rows())
        names.push_back(row.identity.SlotName());
    TerminalDesk desk(settings_.input, invocation_.scan, names,
                      [&display](const std::string& text) { display.Line(text); });
    display.Line("kel-rftest: a station on " + std::to_string(listeners.size()) +
                 (listeners.size() == 1 ? " port" : " ports") +
                 ": each tests board after board as they are plugged in; Ctrl+C ends it");
    run.StartStation(listeners, desk.Desks());
    Watch(run, tally, display, [&] { return "this session: " + CountText(tally.Counts()); });
    verdicts << CountLine(plan_, tally.Counts()) << std::flush;
}

void PlanCommand::Hook(PlanTally& tally, PlanDisplay& display) {
    tally.onPoint = [&](const BoardRow& row, const plan::PointResult& point) {
        if (!invocation_.json) {
            // A calibration's results are what the line's operator reads.
            const std::string result = rftest::CalibrationLine(point.measurement);
            if (!result.empty() && point.last)
                display.Line(row.identity.port + ": " + result);
            return;
        }
        Fields extra{{"plan", plan_.name},
                     {"plan_version", plan_.version},
                     {"step", plan::StepKindName(plan_.steps[point.step].kind)},
                     {"attempt", point.attempt}};
        if (!row.identity.dut.empty())
            extra["dut"] = row.identity.dut;
        out_ << JsonLine(ResultObject(FactsOf(row), {point.measurement}, extra)) << std::flush;
    };
    tally.onStep = [&](const BoardRow& row, const plan::StepResult& step) {
        if (!display.Table())
            display.Line(display.StepLine(row, step));
    };
    tally.onNote = [&](const BoardRow& row, const std::string& text) {
        display.Line("kel-rftest: " + row.identity.SlotName() + ": " + text);
    };
    tally.onFinished = [&](const BoardRow& row) {
        if (!invocation_.json)
            return;
        const plan::BoardOutcome& outcome = row.outcome;
        const bool ok = outcome.error.empty();
        Fields object = ok ? ResultObject(FactsOf(row), {}, {})
                           : FailureObject(FactsOf(row), outcome.error, "");
        object["plan"] = plan_.name;
        object["plan_version"] = plan_.version;
        if (!row.identity.dut.empty())
            object["dut"] = row.identity.dut;
        object[rftest::field::kVerdict] = plan::BoardVerdictName(outcome.verdict);
        object["failures"] = outcome.failures;
        object["marginals"] = outcome.marginals;
        out_ << JsonLine(object) << std::flush;
    };
}

void PlanCommand::Watch(plan::PlanRun& run, PlanTally& tally, PlanDisplay& display,
                        const std::function<std::string()>& footer) {
    int cancels = 0;
    while (!run.WaitFor(kRedraw)) {
        if (interruption_.Requests() > cancels) {
            if (cancels++ == 0)
                display.Line("kel-rftest: interrupted: stopping every board's test (Ctrl+C "
                             "again skips the stops)");
            run.Cancel();
        }
        const bool resized = display.Table() && settings_.terminalSize &&
                             std::apply([&](auto... size) { return display.Resize(size...); },
                                        settings_.terminalSize());
        if (display.Table() && (tally.TakeChanged() || resized))
            display.Draw(tally.Rows(), footer());
    }
    if (display.Table())
        display.Draw(tally.Rows(), footer());
}

void PlanCommand::Report(PlanTally& tally, PlanDisplay& display) {
    const std::vector<BoardRow> rows = tally.Rows();
    // With --json standard output is for the objects; the summary is for people.
    (invocation_.json ? err_ : out_) << SummaryText(plan_, rows) << std::flush;
    if (invocation_.junitPath.empty())
        return;
    std::string why;
    if (!WriteJUnit(invocation_.junitPath, plan_, rows,
                    {station_, std::string(res::BuildVersion()), startedAt_.substr(0, 19)}, why))
        display.Line("kel-rftest: " + why);
}

} // namespace

int RunPlanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   Interruption& interruption, const RunSettings& settings) {
    const ParsedPlanArguments parsed = ParsePlanArguments(args, out, err);
    if (!parsed.invocation) {
        if (parsed.exitCode != kExitOk)
            JUnitRefusal(JUnitPathIn(args), "kel-rftest plan", "bad usage: " + parsed.refusal, {},
                         err);
        return parsed.exitCode;
    }
    const PlanInvocation& invocation = *parsed.invocation;
    const plan::PlanReading reading = plan::ReadPlanFile(invocation.planPath);
    if (!reading.plan) {
        std::vector<std::string> errors;
        for (const plan::PlanError& error : reading.errors) {
            errors.push_back(error.Text());
            err << error.Text() << '\n';
        }
        err << std::flush;
        if (invocation.json) {
            RunFacts facts;
            facts.command = invocation.run ? "plan run" : "plan check";
            Fields object = FailureObject(facts, errors.front(), "");
            object["errors"] = errors;
            out << JsonLine(object) << std::flush;
        }
        if (invocation.run) {
            std::string all;
            for (const std::string& error : errors)
                all += (all.empty() ? "" : "\n") + error;
            JUnitRefusal(invocation.junitPath, invocation.planPath, "the plan was refused:\n" + all,
                         invocation.station, err);
        }
        return kExitUsage;
    }
    const plan::Plan& plan = *reading.plan;
    if (!invocation.run && invocation.json) {
        out << JsonLine({{"command", "plan check"},
                         {"ok", true},
                         {"file", invocation.planPath},
                         {"plan", plan.name},
                         {"plan_version", plan.version},
                         {"model", plan.ModelName()},
                         {"steps", plan.steps.size()}})
            << std::flush;
        return kExitOk;
    }
    if (!invocation.run) {
        out << invocation.planPath << ": a valid plan: \"" << plan.name << "\""
            << (plan.version.empty() ? "" : " version " + plan.version) << " for "
            << plan.ModelName() << ", " << plan.steps.size()
            << (plan.steps.size() == 1 ? " step\n" : " steps\n") << std::flush;
        return kExitOk;
    }
    return PlanCommand(invocation, plan, out, err, interruption, settings).Run();
}

} // namespace kel::cli
