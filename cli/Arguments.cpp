// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Arguments.h"

#include "cli/CommandLine.h"
#include "cli/ResultSchema.h"
#include "cli/TextChecks.h"
#include "protocol/ChipModels.h"
#include "resources/Version.h"

#include <ostream>

namespace kel::cli {

namespace {

constexpr char kUsageLine[] =
    "Usage: kel-rftest (-p PATH [--wait-port S] | --virtual) -m MODEL [-b BAUD] [--channel N]\n"
    "                  [--rate MBPS] [--power LEVEL] [--timeout S] [--json] [-v]\n"
    "                  [--results PATH|none|URI] [--station NAME] [--operator NAME]\n"
    "                  [--dut LABEL] [--no-mac] SUBCOMMAND ...\n"
    "       kel-rftest [--results PATH|URI] [--json] results runs|show|export|yield|sync ...\n"
    "       kel-rftest plan check|run PLAN.toml ...\n"
    "       kel-rftest [--instrument URL] [--profile NAME|FILE] instrument idn|send|check ...\n";

constexpr char kDescription[] =
    "Runs the RF tests of a Wi-Fi test board over its serial line, for scripts and\n"
    "production lines. Each run opens the port, connects to the board's RF test\n"
    "firmware (probe, connect, enable_phy), applies --channel, --rate and --power\n"
    "in this order, runs one subcommand and disconnects.";

constexpr char kFooter[] =
    "\nOutput: readable lines on standard output, or with --json one JSON object per\n"
    "result (command, ok, time, port, model, board_mac when read, the settings in\n"
    "force, the values, limit_high and verdict under a limit). Failures and progress\n"
    "go to standard error.\n"
    "\n"
    "Exit codes:\n"
    "  0    success\n"
    "  1    the board refused or did not answer (the message says which command), or\n"
    "       the instrument reported an error (its own text)\n"
    "  2    bad usage: nothing was sent (a wrong --instrument or --profile too)\n"
    "  3    the port could not be opened (the reason is given), or not within --wait-port,\n"
    "       or the instrument could not be reached (before the board was touched)\n"
    "  4    a --max-per, --max-ppm, --min-dbm or --max-dbm limit was exceeded (every\n"
    "       point was measured and reported)\n"
    "  5    tested, not recorded: the results store could not take the run (said why)\n"
    "  130  interrupted (Ctrl+C, SIGTERM, or the reader of the output went away): a\n"
    "       test this run started was stopped\n"
    "\n"
    "Results: every run and every result it reports are recorded in\n"
    "~/.local/share/kelGuiTool/results.sqlite (or --results / KEL_RESULTS); see\n"
    "'kel-rftest results --help' for reading them back.\n"
    "\n"
    "Plans: 'kel-rftest plan run PLAN.toml -p PORT -p PORT ...' runs a test plan\n"
    "with limits on many boards at once; see 'kel-rftest plan --help'.\n"
    "\n"
    "Examples:\n"
    "  kel-rftest -p ttyUSB0 -m QB202 info\n"
    "  kel-rftest -p ttyUSB0 -m QB202 --channel 6 --rate 54 rx --seconds 5 --sent 1000\n"
    "  kel-rftest -p ttyUSB0 -m QB202 --json sweep-rx --channels 1,6,11 --rates 1,54 \\\n"
    "      --seconds 2 --sent 1000 --max-per 8 --csv per.csv --append\n"
    "  kel-rftest -p ttyUSB0 -m QB202 mac set --source 02:00:00:00:00:01 \\\n"
    "      --dest 02:00:00:00:00:02 --bssid 02:00:00:00:00:03\n"
    "  kel-rftest --virtual -m QB201 --channel 7 tx --seconds 10\n"
    "\n"
    "Every subcommand's options: 'man kel-rftest'; plan files: 'man 5 kel-rftest-plan'.\n";

} // namespace

// The help opens with the version line, as --version does.
CommandLine::CommandLine()
    : app{res::VersionLine("kel-rftest") + "\n" + kDescription, "kel-rftest"} {
    Build();
}

CLI::App* CommandLine::Add(CLI::App& parent, Subcommand subcommand, const char* help) {
    const std::string_view name = SubcommandName(subcommand);
    CLI::App* sub = parent.add_subcommand(std::string(name.substr(name.rfind(' ') + 1)), help);
    subcommands_[sub] = subcommand;
    return sub;
}

CLI::App* CommandLine::Group(const char* name, const char* help) {
    CLI::App* group = app.add_subcommand(name, help);
    group->require_subcommand(1);
    return group;
}

void CommandLine::AddSeconds(CLI::App* sub, const char* help, bool required) {
    CLI::Option* option = sub->add_option("--seconds", raw.seconds, help)->option_text("S");
    if (required)
        Required(option);
    secondsOptions_.push_back(option);
}

void CommandLine::AddPer(CLI::App* sub, bool sentRequired) {
    CLI::Option* sent = sub->add_option("--sent", raw.sent,
                                        "Packets the tester sends during each RX window; "
                                        "gives the packet error rate")
                            ->option_text("N");
    if (sentRequired)
        Required(sent);
    CLI::Option* maxPer =
        sub->add_option("--max-per", raw.maxPer,
                        "Judge each packet error rate (in %) against P: PASS or FAIL, exit 4 "
                        "when one is above P or cannot be computed")
            ->option_text("P")
            ->needs(sent);
    sentOptions_.push_back(sent);
    maxPerOptions_.push_back(maxPer);
}

void CommandLine::Build() {
    app.require_subcommand(1);
    app.get_formatter()->column_width(24);
    app.fallthrough();
    app.set_version_flag("--version", res::VersionNotice("kel-rftest"),
                         "Print the version and the licence, then exit");

    std::vector<std::string> modelNames;
    for (const ChipModel& model : kChipModels)
        modelNames.emplace_back(model.name);

    portOption_ = Valued(app, "-p,--port", raw.port,
                         "Serial device of the board (a bare ttyUSB0 means /dev/ttyUSB0)", "PATH");
    app.add_flag("--virtual", raw.virtualBoard,
                 "Use a virtual board started for this run instead of a port (no hardware\n"
                 "needed)");
    Required(
        Valued(app, "-m,--model", raw.model, "Chip model: QB201, QB102, QB202 or QB101", "MODEL"))
        ->transform(CLI::IsMember(modelNames, CLI::ignore_case));
    Valued(app, "-b,--baud", raw.baud, "Baud rate of the line (default 115200)", "BAUD");
    waitPortOption_ = Valued(app, "--wait-port", raw.waitPort,
                             "Wait up to S seconds (0: for ever) for the port to appear "
                             "and open,\ninstead of exiting 3 at once; Ctrl+C ends the "
                             "wait",
                             "S");
    channelOption_ = Valued(app, "--channel", raw.channel, "Set the channel first: 1 to 14", "N");
    rateOption_ = Valued(app, "--rate", raw.rate,
                         "Then the rate in Mbit/s: 1, 2, 5.5, 11, 6, 9, 12, 18, 24, 36, "
                         "48, 54,\n6.5, 13, 19.5, 26, 39, 52, 58.5 or 65",
                         "MBPS");
    powerOption_ =
        Valued(app, "--power", raw.power, "Then the output power level: -118 to 120", "LEVEL");
    timeoutOption_ = Valued(app, "--timeout", raw.timeout,
                            "Give up on the board after S seconds without a byte from "
                            "it (shortens the\nbuilt-in bounds: 18 s for the first "
                            "answer, 7 s for a reply line)",
                            "S");
    app.add_flag("--json", raw.json, "One JSON object per result on standard output");
    resultsOption_ = Valued(app, "--results", raw.results,
                            "Record the run in the SQLite file PATH, not at all (none), or "
                            "also on\nthe PostgreSQL server of URI (postgresql://...); "
                            "default $KEL_RESULTS, else\n"
                            "~/.local/share/kelGuiTool/results.sqlite",
                            "PATH|none|URI");
    Valued(app, "--station", raw.station, "The station the run names (default: the host name)",
           "NAME");
    Valued(app, "--operator", raw.operatorName, "The operator the run names", "NAME");
    Valued(app, "--dut", raw.dut, "A label for the board: a serial number, a sticker", "LABEL");
    app.add_flag("--no-mac", raw.noMac,
                 "Do not read the board's MAC address after connecting (it names the\n"
                 "board in the results)");
    app.add_flag("-v,--verbose", raw.verbose,
                 "Show every line sent (>) and read (<) on standard error, control\n"
                 "characters as \\r \\0 \\xNN");

    instrumentRaw.AddGlobal(app);
    Add(app, Subcommand::Info,
        "Connect and show the power level (QB202/QB101: also the frequency "
        "offset and the SDD power table)");

    CLI::App* tx = Add(app, Subcommand::Tx,
                       "Start a TX test. Without --seconds it keeps running after the program "
                       "ends (for an instrument); stop it with tx-stop");
    Valued(*tx, "--length", raw.length, "Packet length 0 to 4095, 0 for automatic (default)", "N");
    Valued(*tx, "--count", raw.count, "Packets to send, 0 until stopped (default)", "N");
    tx->add_flag("--full-duty", raw.fullDuty, "Full duty cycle");
    AddSeconds(tx, "Stop the TX after S seconds", false);
    Add(app, Subcommand::TxStop, "Stop a running TX test");

    CLI::App* tone = Add(app, Subcommand::Tone,
                         "Start a single tone (QB201/QB102: on a TX at 65 Mbit/s). Without "
                         "--seconds it keeps running; stop it with tone-stop");
    AddSeconds(tone, "Stop the tone after S seconds", false);
    Add(app, Subcommand::ToneStop, "Stop a single tone (and its TX carrier)");

    CLI::App* rx = Add(app, Subcommand::Rx, "Receive for S seconds, then print the counters");
    AddSeconds(rx, "How long to receive", true);
    AddPer(rx, false);

    CLI::App* sweep = Add(app, Subcommand::SweepRx,
                          "RX at each channel, then each rate: counters and packet error rate "
                          "per point");
    Required(Valued(*sweep, "--channels", raw.channels, "Channels, e.g. 1-13 or 1,6,11", "LIST"));
    Required(sweep
                 ->add_option("--rates", raw.rates,
                              "Rates in Mbit/s, e.g. 1,2,5.5,11 or 6-13 (a range holds the "
                              "rates of its ends' kinds between them: 6, 6.5, 9, 12, 13)")
                 ->option_text("LIST"));
    AddSeconds(sweep, "How long to receive at each point", true);
    AddPer(sweep, true);
    csvOption_ = sweep
                     ->add_option("--csv", raw.csv,
                                  "Also write the points to FILE as CSV (a new file, unless "
                                  "--force or --append)")
                     ->option_text("FILE");
    CLI::Option* force = sweep->add_flag("--force", raw.force, "Replace the CSV file if it exists")
                             ->needs(csvOption_);
    sweep
        ->add_flag("--append", raw.append,
                   "Add the rows to the CSV file if it exists (its columns must be these)")
        ->needs(csvOption_)
        ->excludes(force);

    CLI::App* freq = Group("freq-offset", "The crystal frequency offset");
    Add(*freq, Subcommand::FreqOffsetGet, "Read the offset of the running firmware");
    Add(*freq, Subcommand::FreqOffsetSet, "Set the offset of the running firmware: 0 to 127")
        ->add_option("N", raw.value, "Offset")
        ->required();
    Add(*freq, Subcommand::FreqOffsetSave, "Store the offset in the board's SDD data: 0 to 127")
        ->add_option("N", raw.value, "Offset")
        ->required();

    CLI::App* sdd = Group("sdd-power", "The power levels stored in the SDD data");
    Add(*sdd, Subcommand::SddPowerGet, "Read the levels of 11b, 11g/n and 11n MCS7");
    Add(*sdd, Subcommand::SddPowerSet, "Store the levels of 11b, 11g/n and 11n MCS7: each 0 to 120")
        ->add_option("A B C", raw.values, "Levels")
        ->expected(3)
        ->required();
    Add(app, Subcommand::SddExport, "Save the board's SDD file (ASCII dump) to FILE")
        ->add_option("FILE", raw.path, "Where to save it")
        ->required();

    CLI::App* mac = Group("mac", "The MAC addresses");
    Add(*mac, Subcommand::MacGet, "Read the source, destination and BSSID addresses");
    CLI::App* macSet = Add(*mac, Subcommand::MacSet,
                           "Set the three addresses (the board checks their form), then read "
                           "back what the board holds");
    Required(Valued(*macSet, "--source", raw.source, "Source address", "MAC"));
    Required(Valued(*macSet, "--dest", raw.dest, "Destination address", "MAC"));
    Required(Valued(*macSet, "--bssid", raw.bssid, "BSSID", "MAC"));

    CLI::App* supply = Group("supply", "Switch the board's supply");
    Add(*supply, Subcommand::SupplyLdo, "LDO mode");
    Add(*supply, Subcommand::SupplyDcDc,
        "DC-DC mode; only a board with the DC-DC converter fitted survives it")
        ->add_flag("--yes", raw.yes, "Confirm that the DC-DC converter is fitted");

    // Set last: subcommands would take it over as their own.
    app.footer(kFooter);

    Add(app, Subcommand::Send,
        "Send TEXT as typed (dialect prefix included) and a line feed; print "
        "the reply")
        ->add_option("TEXT", raw.words, "The command; its words may also be given apart")
        ->required();
    const AddSubcommand add = [this](Subcommand subcommand, const char* help) -> CLI::App& {
        return *Add(app, subcommand, help);
    };
    instrumentRaw.AddSubcommands(add);
    calibrationRaw.AddSubcommands(add);
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err) {
    CommandLine line;
    std::string refusal;
    try {
        line.app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
        return {line.Resolve(), kExitOk};
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << std::flush;
        return {std::nullopt, kExitOk};
    } catch (const CLI::CallForHelp&) {
        // The help of the subcommand asked about, or of the whole program.
        out << line.app.help();
        return {std::nullopt, kExitOk};
    } catch (const CLI::RequiredError& error) {
        refusal = line.WhatIsMissing().value_or(error.what());
    } catch (const CLI::ExtrasError& error) {
        refusal = line.ChosenSubcommand() ? error.what() : *line.WhatIsMissing();
    } catch (const CLI::ParseError& error) {
        refusal = error.what();
    } catch (const UsageError& error) {
        refusal = error.message;
    }
    err << "kel-rftest: " << refusal << "\n"
        << kUsageLine << "Run 'kel-rftest --help' (or 'kel-rftest SUBCOMMAND --help') for more.\n"
        << std::flush;
    // --json is looked for as typed: the refused line may not have been read that far.
    if (std::find(args.begin(), args.end(), "--json") != args.end()) {
        RunFacts facts;
        if (const std::optional<Subcommand> subcommand = line.ChosenSubcommand())
            facts.command = SubcommandName(*subcommand);
        out << JsonLine(FailureObject(facts, refusal, {})) << std::flush;
    }
    return {std::nullopt, kExitUsage};
}

} // namespace kel::cli
