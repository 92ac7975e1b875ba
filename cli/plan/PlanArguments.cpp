// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/PlanArguments.h"

#include "board/TrayArguments.h"
#include "cli/RecordingPush.h"
#include "cli/ResultSchema.h"
#include "cli/TextChecks.h"
#include "serial/PortNaming.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <ostream>

namespace kel::cli {

namespace {

constexpr char kUsage[] =
    "Usage: kel-rftest plan check PLAN.toml [--json]\n"
    "       kel-rftest plan run PLAN.toml (-p PORT [-p PORT ...] | --virtual N\n"
    "                  [--virtual-fault INDEX:MODE ...]) [--results PATH|none|URI]\n"
    "                  [--station NAME] [--operator NAME] [--dut LABEL ...] [--junit FILE]\n"
    "                  [--sdd-dir FOLDER] [--json]\n"
    "       kel-rftest plan run PLAN.toml -p [NAME=]PORT [-p ...] --loop [--scan]\n"
    "                  [--results ...] [--station NAME] [--operator NAME] [--json]\n";

constexpr char kFooter[] =
    "\nA plan is a TOML file: name, version, model, optional baud, then one [[step]]\n"
    "table per step ('man 5 kel-rftest-plan' lists every key).\n"
    "\n"
    "plan run tests every board at once, one worker each; steps naming the same\n"
    "shared resource take turns. On a terminal a live table shows each board on\n"
    "standard error; at the end a summary gives each board's verdict and its\n"
    "failing points (standard output; with --json one object per point and one per\n"
    "board there, the summary on standard error). Each board's test is a run in the\n"
    "results store, with the plan's name and version and every point measured.\n"
    "\n"
    "--loop makes a station: each port waits for a board, tests it, prints and\n"
    "records its verdict, waits until it is removed (its device goes away or\n"
    "hangs up), then waits for the next, until Ctrl+C (exit 130). A board that\n"
    "cannot be opened or does not answer holds up its own port only. -p NAME=PORT\n"
    "names a slot (\"Fixture A=ttyUSB0\"). --scan asks for each board's serial\n"
    "number before its test (a barcode scanner types it and Enter), checked\n"
    "against the plan's [dut] pattern; a plan with [dut] required = true always\n"
    "asks. A prompt step with confirm = true waits for Enter.\n"
    "\n"
    "Exit codes:\n"
    "  0    every board passed (marginal points pass)\n"
    "  1    a board refused, did not answer or its line failed\n"
    "  2    a bad plan or bad usage: nothing was sent\n"
    "  3    a port could not be opened: nothing was sent\n"
    "  4    a board failed a limit, and none errored\n"
    "  5    tested, not recorded: a board's run could not be recorded (each is named;\n"
    "       the verdicts are in the summary), or the store's disk was full: nothing sent\n"
    "  130  interrupted (Ctrl+C, SIGTERM): every board's running test was stopped\n"
    "\n"
    "Examples:\n"
    "  kel-rftest plan check examples/line-test.toml\n"
    "  kel-rftest plan run examples/line-test.toml -p ttyUSB0 -p ttyUSB1 \\\n"
    "      --dut SN1001 --dut SN1002 --junit out.xml\n"
    "  kel-rftest plan run examples/line-test.toml --virtual 4 --virtual-fault 3:weak-rx\n"
    "  kel-rftest plan run examples/line-test.toml -p ttyUSB0 -p ttyUSB1 --loop --station line-2\n";

struct UsageError {
    std::string message;
};

struct Raw {
    std::string plan;
    std::vector<std::string> ports;
    std::string virtualCount;
    std::vector<std::string> virtualFaults;
    std::optional<std::string> results;
    std::string station;
    std::string operatorName;
    std::vector<std::string> duts;
    std::string junit;
    std::string sddDir;
    bool json = false;
    bool loop = false;
    bool scan = false;
};

// The tray's own reading of --count and --fault, its words made ours.
std::vector<board::BoardConfig> VirtualBoards(const Raw& raw) {
    std::vector<std::string> words{"--count", raw.virtualCount};
    for (const std::string& fault : raw.virtualFaults)
        words.insert(words.end(), {"--fault", fault});
    const std::vector<std::string_view> views(words.begin(), words.end());
    std::string error;
    const std::optional<board::TrayArguments> tray = board::ParseTrayArguments(views, error);
    if (tray)
        return tray->boards;
    for (const auto& [theirs, ours] :
         {std::pair<std::string, std::string>{"--count N", "--virtual N"},
          {"--count", "--virtual"},
          {"--fault", "--virtual-fault"}}) {
        for (std::size_t at = error.find(theirs); at != std::string::npos;
             at = error.find(theirs, at + ours.size()))
            error.replace(at, theirs.size(), ours);
    }
    throw UsageError{error};
}

PlanInvocation Resolve(const Raw& raw, bool run, const CLI::App& runApp) {
    PlanInvocation plan;
    plan.run = run;
    if (raw.plan.empty())
        throw UsageError{"PLAN must name a plan file"};
    plan.planPath = raw.plan;
    plan.json = raw.json;
    if (!run)
        return plan;
    const bool virtualGiven = runApp.count("--virtual") > 0;
    if (raw.ports.empty() == !virtualGiven)
        throw UsageError{"give the boards' ports with -p PORT (once per board) or --virtual N"};
    if (!raw.virtualFaults.empty() && !virtualGiven)
        throw UsageError{"--virtual-fault needs --virtual N"};
    if (raw.loop) {
        // A station waits for boards to come and go on its ports; a label or
        // a file per board given up front would not follow them.
        if (virtualGiven)
            throw UsageError{"--loop waits for boards on ports: give them with -p PORT"};
        if (!raw.duts.empty())
            throw UsageError{"--loop tests board after board: each is named by its MAC, not --dut"};
        if (runApp.count("--junit") > 0)
            throw UsageError{"--loop tests board after board: each is recorded in the results "
                             "store, not --junit"};
    }
    if (raw.scan && !raw.loop)
        throw UsageError{"--scan asks for each board's serial at a station: give --loop"};
    plan.loop = raw.loop;
    plan.scan = raw.scan;
    std::vector<std::string> devices; // a link and its target are one device
    for (const std::string& given : raw.ports) {
        // "Fixture A=ttyUSB0": the slot's name, then its port.
        const std::size_t equals = given.find('=');
        const std::string name = equals == std::string::npos ? "" : given.substr(0, equals);
        const std::string port = equals == std::string::npos ? given : given.substr(equals + 1);
        if (port.empty())
            throw UsageError{"-p must name a device, such as ttyUSB0 or \"Fixture A=ttyUSB0\""};
        if (equals == 0)
            throw UsageError{"-p " + given + ": the slot's name is empty"};
        const std::string path = DevicePathFor(port);
        std::error_code absent; // a station's port may come later: it is its own name then
        std::string device = std::filesystem::canonical(path, absent).string();
        if (absent)
            device = path;
        const auto same = std::find(devices.begin(), devices.end(), device);
        if (same != devices.end())
            throw UsageError{
                "-p " + path + " is given twice" +
                (plan.ports[static_cast<std::size_t>(same - devices.begin())] == path
                     ? std::string()
                     : " (as " + plan.ports[static_cast<std::size_t>(same - devices.begin())] +
                           ", the same device " + device + ")") +
                ": one board per port"};
        devices.push_back(device);
        if (!name.empty() &&
            std::find(plan.slots.begin(), plan.slots.end(), name) != plan.slots.end())
            throw UsageError{"-p " + name + "=...: two slots with one name"};
        plan.ports.push_back(path);
        plan.slots.push_back(name);
    }
    if (virtualGiven)
        plan.virtualBoards = VirtualBoards(raw);
    const std::size_t boards = virtualGiven ? plan.virtualBoards.size() : plan.ports.size();
    if (raw.duts.size() > boards)
        throw UsageError{std::to_string(raw.duts.size()) + " --dut labels for " +
                         std::to_string(boards) + (boards == 1 ? " board" : " boards") +
                         ": one per board at most, in the boards' order"};
    std::vector<std::pair<const char*, const std::string*>> names{
        {"--station", &raw.station}, {"--operator", &raw.operatorName}};
    for (const std::string& dut : raw.duts)
        names.emplace_back("--dut", &dut);
    for (const auto& [option, text] : names)
        if (const auto problem = NameProblem(option, *text))
            throw UsageError{*problem};
    plan.duts = raw.duts;
    std::string refusal;
    const auto store = ResultsOption(raw.results, refusal);
    if (!store)
        throw UsageError{refusal};
    plan.store = *store;
    plan.station = raw.station;
    plan.operatorName = raw.operatorName;
    if (runApp.count("--junit") > 0 && raw.junit.empty())
        throw UsageError{"--junit must name a file"};
    plan.junitPath = raw.junit;
    plan.json = raw.json;
    if (runApp.count("--sdd-dir") > 0 && raw.sddDir.empty())
        throw UsageError{"--sdd-dir must name a folder"};
    // Beside the store; with none, where the store would be.
    plan.sddFolder = !raw.sddDir.empty() ? raw.sddDir
                     : plan.store.Records()
                         ? std::filesystem::absolute(plan.store.file).parent_path().string()
                         : results::DefaultStoreFile().parent_path().string();
    return plan;
}

} // namespace

bool IsPlanCommand(const std::vector<std::string>& args) {
    return !args.empty() && args.front() == "plan";
}

ParsedPlanArguments ParsePlanArguments(const std::vector<std::string>& args, std::ostream& out,
                                       std::ostream& err) {
    Raw raw;
    CLI::App app{"Test plans: the same steps with limits on many boards at once.",
                 "kel-rftest plan"};
    app.require_subcommand(1);
    app.footer(kFooter);
    app.get_formatter()->column_width(30);
    CLI::App* check = app.add_subcommand("check", "Check a plan without a board: exit 0 or 2");
    check->add_option("PLAN", raw.plan, "The plan file")->required();
    check->add_flag("--json", raw.json, "The errors as a JSON object on standard output");
    CLI::App* run = app.add_subcommand("run", "Run a plan on every board given");
    run->add_option("PLAN", raw.plan, "The plan file")->required();
    run->add_option("-p,--port", raw.ports,
                    "A board's serial device, once per board; NAME=PORT names its slot")
        ->option_text("[NAME=]PORT");
    run->add_option("--virtual", raw.virtualCount, "Test N virtual boards started for the run")
        ->option_text("N");
    run->add_option("--virtual-fault", raw.virtualFaults,
                    "How virtual board INDEX misbehaves (as kel-virtual-board --fault)")
        ->option_text("INDEX:MODE");
    run->add_option("--results", raw.results,
                    "Record the runs in the SQLite file PATH, not at all (none), or also on\n"
                    "the server of URI (postgresql://...); default $KEL_RESULTS")
        ->option_text("PATH|none|URI");
    run->add_option("--station", raw.station, "The station the results name (default: host)")
        ->option_text("NAME");
    run->add_option("--operator", raw.operatorName, "The operator the results name")
        ->option_text("NAME");
    run->add_option("--dut", raw.duts, "A label per board, in the order of the boards")
        ->option_text("LABEL");
    run->add_option("--junit", raw.junit, "Also write the results as JUnit XML to FILE")
        ->option_text("FILE");
    run->add_option("--sdd-dir", raw.sddDir,
                    "Where sdd-export steps write their files (default: beside the results)")
        ->option_text("FOLDER");
    run->add_flag("--json", raw.json, "One JSON object per point and per board on standard output");
    run->add_flag("--loop", raw.loop,
                  "A station: each port tests board after board as they are plugged in,\n"
                  "until Ctrl+C");
    run->add_flag("--scan", raw.scan,
                  "With --loop: ask for each board's serial number (a scanner's code and\n"
                  "Enter) before testing it");

    std::string refusal;
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend() - 1));
        return {Resolve(raw, run->parsed(), *run), kExitOk, {}};
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return {std::nullopt, kExitOk, {}};
    } catch (const CLI::ParseError& error) {
        refusal = error.what();
    } catch (const UsageError& error) {
        refusal = error.message;
    }
    err << "kel-rftest plan: " << refusal << "\n"
        << kUsage << "Run 'kel-rftest plan --help' for more.\n"
        << std::flush;
    if (std::find(args.begin(), args.end(), "--json") != args.end()) {
        RunFacts facts;
        facts.command = run->parsed() ? "plan run" : "plan check";
        out << JsonLine(FailureObject(facts, refusal, {})) << std::flush;
    }
    return {std::nullopt, kExitUsage, refusal};
}

} // namespace kel::cli
