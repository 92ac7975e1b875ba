// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InstrumentCommands.h"

#include "cli/ExitCodes.h"
#include "cli/InstrumentLink.h"
#include "cli/ResultSchema.h"
#include "instrument/InstrumentError.h"
#include "rftest/ValueChecks.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace kel::cli {

namespace {

constexpr char kUsage[] =
    "Usage: kel-rftest [--instrument URL] [--profile NAME|FILE] [--json] [-v]\n"
    "                  instrument idn|send TEXT|check PROFILE\n";

struct Options {
    std::string url, profile = "scpi", checked;
    std::vector<std::string> words;
    bool json = false, verbose = false;
};

class InstrumentCommand {
public:
    InstrumentCommand(const Options& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    int Check();
    // idn, or send with text.
    int Talk(const std::string& command, const std::string& text);

private:
    int Ok(RunFacts facts, const std::string& line, const Fields& extra) {
        if (options_.json)
            out_ << JsonLine(ResultObject(facts, {}, extra)) << std::flush;
        else
            out_ << line << "\n" << std::flush;
        return kExitOk;
    }
    int Failed(const RunFacts& facts, const std::string& message, int code) {
        err_ << "kel-rftest: " << message << "\n" << std::flush;
        if (options_.json)
            out_ << JsonLine(FailureObject(facts, message, {})) << std::flush;
        return code;
    }

    const Options& options_;
    std::ostream& out_;
    std::ostream& err_;
};

int InstrumentCommand::Check() {
    RunFacts facts;
    facts.command = "instrument check";
    try {
        const instrument::Profile profile = LoadProfileOrThrow(options_.checked);
        std::string actions;
        for (const auto& [action, lines] : profile.actions)
            actions += (actions.empty() ? "" : ", ") + instrument::ActionName(action);
        return Ok(facts, profile.path + ": ok (" + actions + ")",
                  Fields{{"profile", profile.path}, {"name", profile.name}});
    } catch (const rftest::ValueError& error) {
        return Failed(facts, error.message, kExitUsage);
    }
}

int InstrumentCommand::Talk(const std::string& command, const std::string& text) {
    RunFacts facts;
    facts.command = command;
    InstrumentChoice choice;
    try {
        if (options_.url.empty())
            throw rftest::ValueError{command + " needs --instrument URL"};
        choice = ResolveInstrument(options_.url, options_.profile, "", {}, command);
    } catch (const rftest::ValueError& error) {
        return Failed(facts, error.message, kExitUsage);
    }
    std::unique_ptr<instrument::Instrument> bench;
    try {
        bench = ConnectInstrument(choice, options_.verbose ? &err_ : nullptr);
    } catch (const instrument::InstrumentError& error) {
        return Failed(facts, error.what(), kExitNoPort);
    }
    facts.instrument = bench->Identity();
    if (text.empty())
        return Ok(facts, bench->Identity(), Fields{{"url", bench->Url()}});
    try {
        const std::string reply = bench->Send(text);
        return Ok(facts, reply, Fields{{"url", bench->Url()}, {"text", text}, {"reply", reply}});
    } catch (const instrument::InstrumentError& error) {
        return Failed(facts, error.what(), kExitFailed);
    }
}

} // namespace

bool IsInstrumentCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--instrument" || arg == "--profile") {
            ++i;
            continue;
        }
        if (arg == "--json" || arg == "-v" || arg == "--verbose" ||
            arg.starts_with("--instrument=") || arg.starts_with("--profile="))
            continue;
        return arg == "instrument";
    }
    return false;
}

int RunInstrumentCommand(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
    Options options;
    CLI::App app{"The instrument alone: its identity, a line of SCPI, a profile checked.",
                 "kel-rftest"};
    app.add_option("--instrument", options.url, "The instrument: tcp://HOST[:PORT]")
        ->option_text("URL");
    app.add_option("--profile", options.profile, "Its profile: a name or a TOML file (scpi)")
        ->option_text("NAME|FILE");
    app.add_flag("--json", options.json, "One JSON object on standard output");
    app.add_flag("-v,--verbose", options.verbose, "Show every SCPI line sent (I>) and read (I<)");
    CLI::App* group = app.add_subcommand("instrument", "The instrument alone");
    group->require_subcommand(1);
    CLI::App* idn = group->add_subcommand("idn", "Connect and print the instrument's *IDN?");
    CLI::App* send = group->add_subcommand(
        "send", "Send TEXT; print the reply of a query, or nothing after a command whose error "
                "queue stayed empty");
    send->add_option("TEXT", options.words, "SCPI text; its words may be given apart")->required();
    CLI::App* check = group->add_subcommand(
        "check", "Check a profile without an instrument: exit 0, or 2 with file:line:column");
    check->add_option("PROFILE", options.checked, "A profile name or file")->required();
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp&) {
        // The help of the subcommand asked about, or of the whole command line.
        out << app.help();
        return kExitOk;
    } catch (const CLI::ParseError& error) {
        err << "kel-rftest: " << error.what() << "\n" << kUsage;
        return kExitUsage;
    }
    InstrumentCommand command(options, out, err);
    if (check->parsed())
        return command.Check();
    if (idn->parsed())
        return command.Talk("instrument idn", "");
    std::string text;
    for (const std::string& word : options.words)
        text += (text.empty() ? "" : " ") + word;
    if (text.empty()) {
        err << "kel-rftest: instrument send: TEXT is empty\n" << kUsage;
        return kExitUsage;
    }
    return command.Talk("instrument send", text);
}

} // namespace kel::cli
