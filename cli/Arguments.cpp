// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Arguments.h"

#include "cli/CalibrationOptions.h"
#include "cli/InstrumentOptions.h"
#include "cli/RecordingPush.h"
#include "cli/ResultSchema.h"
#include "protocol/ChipModels.h"
#include "resources/Version.h"
#include "rftest/MacAddresses.h"
#include "rftest/Messages.h"
#include "rftest/ModelFeatures.h"
#include "rftest/PointLists.h"
#include "rftest/RangeChecks.h"
#include "rftest/RfTables.h"
#include "rftest/ValueChecks.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <limits>
#include <map>
#include <ostream>

namespace kel::cli {

namespace {

using namespace rftest;
// A refused value is a refusal of the command line: exit 2, nothing sent.
using UsageError = ValueError;

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
    "  kel-rftest --virtual -m QB201 --channel 7 tx --seconds 10\n";

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::string Checked(const std::string& text, bool (*inRange)(std::string_view),
                    const char* refusal) {
    if (!ReadWhole(text) || !inRange(text))
        throw UsageError{refusal};
    return text;
}

// Why the chip model cannot run the subcommand; nothing when it can.
std::optional<std::string> TraitRefusal(int modelRow, Subcommand subcommand, bool sentGiven) {
    switch (subcommand) {
    case Subcommand::FreqOffsetGet:
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave:
    case Subcommand::CalibrateFreq:
        return MissingFeature(modelRow, kFreqOffsetFeature);
    case Subcommand::SddPowerGet:
    case Subcommand::SddPowerSet:
    case Subcommand::CalibratePower:
        return MissingFeature(modelRow, kSddPowerFeature);
    case Subcommand::Sensitivity:
        return MissingFeature(modelRow, kPerFeature);
    case Subcommand::SddExport:
        return MissingFeature(modelRow, kSddFileFeature);
    case Subcommand::SupplyLdo:
    case Subcommand::SupplyDcDc:
        return MissingFeature(modelRow, kSupplyFeature);
    case Subcommand::SweepRx:
    case Subcommand::Rx:
        if (subcommand == Subcommand::SweepRx || sentGiven)
            return MissingFeature(modelRow, kPerFeature);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::string MacAddress(const char* option, const std::string& text) {
    if (!IsAddressWord(text))
        throw UsageError{std::string(option) + " must be a MAC address such as 02:00:00:00:00:01"};
    return text;
}

// Required, and said so in --help (an option's own text replaces the mark
// CLI11 would add).
CLI::Option* Required(CLI::Option* option) {
    option->required();
    if (!option->get_option_text().empty())
        option->option_text(option->get_option_text() + " REQUIRED");
    return option;
}

// Every option as typed: kel-rftest checks each value itself, so that each
// refusal says what the option takes.
struct Raw {
    std::string port;
    bool virtualBoard = false;
    std::string model;
    std::string baud = std::to_string(rftest::kDefaultBaudRate);
    std::string channel, rate, power, timeout, waitPort;
    bool json = false, verbose = false;
    std::string count = "0", length = "0";
    bool fullDuty = false;
    std::string seconds, sent, maxPer;
    std::string channels, rates, csv;
    bool force = false, append = false;
    std::vector<std::string> values;
    std::string value, path;
    std::string source, dest, bssid;
    std::vector<std::string> words;
    bool yes = false;
    std::string results, station, operatorName, dut;
    bool noMac = false;
};

class CommandLine {
public:
    CommandLine() { Build(); }

    // The help opens with the version line, as --version does.
    CLI::App app{res::VersionLine("kel-rftest") + "\n" + kDescription, "kel-rftest"};
    Raw raw;
    InstrumentOptions instrumentRaw;
    CalibrationOptions calibrationRaw;

    Invocation Resolve() const;
    // The subcommand chosen, as far as the words went.
    std::optional<Subcommand> ChosenSubcommand() const;
    // What a line that names no subcommand, or misses required options, lacks:
    // everything at once. Nothing when the refusal is of another kind.
    std::optional<std::string> WhatIsMissing() const;

private:
    void Build();
    // Named as SubcommandName spells it, the last word under a group.
    CLI::App* Add(CLI::App& parent, Subcommand subcommand, const char* help) {
        const std::string_view name = SubcommandName(subcommand);
        CLI::App* sub = parent.add_subcommand(std::string(name.substr(name.rfind(' ') + 1)), help);
        subcommands_[sub] = subcommand;
        return sub;
    }
    // A word that groups subcommands ("mac get"): one of them must follow.
    CLI::App* Group(const char* name, const char* help) {
        CLI::App* group = app.add_subcommand(name, help);
        group->require_subcommand(1);
        return group;
    }
    void AddSeconds(CLI::App* sub, const char* help, bool required) {
        CLI::Option* option = sub->add_option("--seconds", raw.seconds, help)->option_text("S");
        if (required)
            Required(option);
        secondsOptions_.push_back(option);
    }
    void AddPer(CLI::App* sub, bool sentRequired) {
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
    static bool Given(const std::vector<CLI::Option*>& options) {
        return std::any_of(options.begin(), options.end(),
                           [](const CLI::Option* o) { return o->count() > 0; });
    }
    static CLI::App* Chosen(const CLI::App& parent) {
        const std::vector<CLI::App*> chosen = parent.get_subcommands();
        return chosen.empty() ? nullptr : chosen.front();
    }
    // The deepest subcommand or group given.
    const CLI::App* Deepest() const {
        const CLI::App* at = &app;
        while (const CLI::App* next = Chosen(*at))
            at = next;
        return at;
    }
    std::string UnknownSubcommand(const CLI::App& at) const;

    std::map<const CLI::App*, Subcommand> subcommands_;
    CLI::Option* portOption_ = nullptr;
    CLI::Option* channelOption_ = nullptr;
    CLI::Option* rateOption_ = nullptr;
    CLI::Option* powerOption_ = nullptr;
    CLI::Option* timeoutOption_ = nullptr;
    CLI::Option* waitPortOption_ = nullptr;
    CLI::Option* resultsOption_ = nullptr;
    CLI::Option* csvOption_ = nullptr;
    std::vector<CLI::Option*> secondsOptions_;
    std::vector<CLI::Option*> sentOptions_;
    std::vector<CLI::Option*> maxPerOptions_;
};

void CommandLine::Build() {
    app.require_subcommand(1);
    app.get_formatter()->column_width(24);
    app.fallthrough();
    app.set_version_flag("--version", res::VersionNotice("kel-rftest"),
                         "Print the version and the licence, then exit");

    std::vector<std::string> modelNames;
    for (const ChipModel& model : kChipModels)
        modelNames.emplace_back(model.name);

    portOption_ = app.add_option("-p,--port", raw.port,
                                 "Serial device of the board (a bare ttyUSB0 means /dev/ttyUSB0)")
                      ->option_text("PATH");
    app.add_flag("--virtual", raw.virtualBoard,
                 "Use a virtual board started for this run instead of a port (no hardware\n"
                 "needed)");
    Required(app.add_option("-m,--model", raw.model, "Chip model: QB201, QB102, QB202 or QB101")
                 ->option_text("MODEL"))
        ->transform(CLI::IsMember(modelNames, CLI::ignore_case));
    app.add_option("-b,--baud", raw.baud, "Baud rate of the line (default 115200)")
        ->option_text("BAUD");
    waitPortOption_ = app.add_option("--wait-port", raw.waitPort,
                                     "Wait up to S seconds (0: for ever) for the port to appear "
                                     "and open,\ninstead of exiting 3 at once; Ctrl+C ends the "
                                     "wait")
                          ->option_text("S");
    channelOption_ = app.add_option("--channel", raw.channel, "Set the channel first: 1 to 14")
                         ->option_text("N");
    rateOption_ = app.add_option("--rate", raw.rate,
                                 "Then the rate in Mbit/s: 1, 2, 5.5, 11, 6, 9, 12, 18, 24, 36, "
                                 "48, 54,\n6.5, 13, 19.5, 26, 39, 52, 58.5 or 65")
                      ->option_text("MBPS");
    powerOption_ = app.add_option("--power", raw.power, "Then the output power level: -118 to 120")
                       ->option_text("LEVEL");
    timeoutOption_ = app.add_option("--timeout", raw.timeout,
                                    "Give up on the board after S seconds without a byte from "
                                    "it (shortens the\nbuilt-in bounds: 18 s for the first "
                                    "answer, 7 s for a reply line)")
                         ->option_text("S");
    app.add_flag("--json", raw.json, "One JSON object per result on standard output");
    resultsOption_ = app.add_option("--results", raw.results,
                                    "Record the run in the SQLite file PATH, not at all (none), or "
                                    "also on\nthe PostgreSQL server of URI (postgresql://...); "
                                    "default $KEL_RESULTS, else\n"
                                    "~/.local/share/kelGuiTool/results.sqlite")
                         ->option_text("PATH|none|URI");
    app.add_option("--station", raw.station, "The station the run names (default: the host name)")
        ->option_text("NAME");
    app.add_option("--operator", raw.operatorName, "The operator the run names")
        ->option_text("NAME");
    app.add_option("--dut", raw.dut, "A label for the board: a serial number, a sticker")
        ->option_text("LABEL");
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
    tx->add_option("--length", raw.length, "Packet length 0 to 4095, 0 for automatic (default)")
        ->option_text("N");
    tx->add_option("--count", raw.count, "Packets to send, 0 until stopped (default)")
        ->option_text("N");
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
    Required(sweep->add_option("--channels", raw.channels, "Channels, e.g. 1-13 or 1,6,11")
                 ->option_text("LIST"));
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
    Required(macSet->add_option("--source", raw.source, "Source address")->option_text("MAC"));
    Required(macSet->add_option("--dest", raw.dest, "Destination address")->option_text("MAC"));
    Required(macSet->add_option("--bssid", raw.bssid, "BSSID")->option_text("MAC"));

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
    instrumentRaw.AddToneFreq(*Add(app, Subcommand::ToneFreq,
                                   "Tone on, measure its frequency with the instrument, tone "
                                   "off:\nfreq_hz, error_hz and error_ppm from the channel centre "
                                   "(channel 7\nunless --channel)"));
    instrumentRaw.AddTxPower(*Add(app, Subcommand::TxPower,
                                  "TX at the settings in force, measure its power with the "
                                  "instrument, TX\noff: power_dbm (channel 7 unless --channel)"));
    calibrationRaw.AddCalibrateFreq(*Add(app, Subcommand::CalibrateFreq,
                                         "Trim the crystal with the instrument until the tone is "
                                         "within the\ntolerance; --save stores the code"));
    calibrationRaw.AddCalibratePower(*Add(app, Subcommand::CalibratePower,
                                          "Bring each rate class's TX power to its target with the "
                                          "instrument;\n--save stores the three levels"));
    calibrationRaw.AddSensitivity(*Add(app, Subcommand::Sensitivity,
                                       "The lowest generator level each rate receives at within "
                                       "its PER"));
}

std::optional<Subcommand> CommandLine::ChosenSubcommand() const {
    const auto found = subcommands_.find(Deepest());
    if (found == subcommands_.end())
        return std::nullopt;
    return found->second;
}

std::string CommandLine::UnknownSubcommand(const CLI::App& at) const {
    std::vector<std::string> names;
    for (const CLI::App* sub : at.get_subcommands({}))
        names.push_back(sub->get_name());
    const std::string within = &at == &app ? "" : at.get_name() + " ";
    const std::string choices =
        "; " + (within.empty() ? std::string("the subcommands are ") : within + "takes ") +
        Listed(names, within.empty() ? " and " : " or ");
    // A word that is no subcommand stays over, at the top: the groups fall through.
    for (const std::string& word : app.remaining(true)) {
        if (!word.starts_with('-'))
            return "unknown subcommand " + within + word + choices;
    }
    return (within.empty() ? std::string("no subcommand given") : within + "needs a subcommand") +
           choices;
}

std::optional<std::string> CommandLine::WhatIsMissing() const {
    const CLI::App* deepest = Deepest();
    const std::optional<Subcommand> subcommand = ChosenSubcommand();
    if (!subcommand)
        return UnknownSubcommand(*deepest);
    // A model that cannot run the subcommand makes every other option moot.
    if (const auto row = ChipModelRowOf(raw.model)) {
        if (auto refusal = TraitRefusal(*row, *subcommand, Given(sentOptions_)))
            return refusal;
    }
    std::vector<std::string> missing;
    if (portOption_->count() == 0 && !raw.virtualBoard)
        missing.push_back("-p PATH or --virtual");
    for (const CLI::App* at = &app; at != nullptr; at = Chosen(*at)) {
        for (const CLI::Option* option : at->get_options()) {
            if (option->get_required() && option->count() == 0)
                missing.push_back(option->get_name());
        }
    }
    if (missing.empty())
        return std::nullopt;
    return std::string(SubcommandName(*subcommand)) + " is missing " + Listed(missing);
}

Invocation CommandLine::Resolve() const {
    Invocation run;
    if ((portOption_->count() > 0) == raw.virtualBoard)
        throw UsageError{"give either the port with -p PATH or --virtual for the virtual board"};
    if (portOption_->count() > 0 && raw.port.empty())
        throw UsageError{"--port must name a device, such as ttyUSB0"};
    run.portPath = raw.port;
    run.virtualBoard = raw.virtualBoard;
    if (waitPortOption_->count() > 0) {
        if (run.virtualBoard)
            throw UsageError{"--wait-port waits for a device: give it with -p PATH"};
        run.waitForPort = true;
        // 0 waits for ever; any other value is a time as --timeout takes it.
        try {
            if (ReadDecimal(raw.waitPort) != 0.0)
                run.waitBound = DurationOption("--wait-port", raw.waitPort);
        } catch (const UsageError&) {
            throw UsageError{"--wait-port must be 0 (for ever) or a number of seconds (at most "
                             "1000000)"};
        }
    }
    run.chipModelRow = ChipModelRowOf(raw.model).value_or(-1);
    if (run.chipModelRow < 0)
        throw UsageError{"--model " + raw.model + " is not a chip model"};
    run.baud = static_cast<std::uint32_t>(
        WholeOption("--baud", raw.baud, 1, std::numeric_limits<std::uint32_t>::max()));
    run.json = raw.json;
    run.verbose = raw.verbose;

    if (channelOption_->count() > 0) {
        const std::optional<std::int64_t> channel = ReadWhole(raw.channel);
        if (!channel || !rftest::IsChannel(*channel))
            throw UsageError{"--channel must be 1 to 14"};
        run.channel = static_cast<int>(*channel);
    }
    if (rateOption_->count() > 0) {
        run.rateRow = rftest::RateRowOf(raw.rate);
        if (!run.rateRow)
            throw UsageError{"--rate \"" + raw.rate +
                             "\" is not a rate of the rate list (see --help)"};
    }
    if (powerOption_->count() > 0)
        run.power = Checked(raw.power, rftest::IsPowerLevel, rftest::kInvalidPower);
    if (timeoutOption_->count() > 0)
        run.timeout = DurationOption("--timeout", raw.timeout);
    std::string refusal;
    const auto store = ResultsOption(
        resultsOption_->count() > 0 ? std::optional(raw.results) : std::nullopt, refusal);
    if (!store)
        throw UsageError{refusal};
    run.store = *store;
    run.station = raw.station;
    run.operatorName = raw.operatorName;
    run.dut = raw.dut;
    run.readMac = !raw.noMac;

    run.subcommand = *ChosenSubcommand();
    if (Given(secondsOptions_))
        run.duration = DurationOption("--seconds", raw.seconds);
    if (Given(sentOptions_))
        run.sent = WholeOption("--sent", raw.sent, 1, kInt32Max);
    if (Given(maxPerOptions_))
        run.maxPer = PercentOption("--max-per", raw.maxPer);
    if (auto refusal = TraitRefusal(run.chipModelRow, run.subcommand, run.sent.has_value()))
        throw UsageError{*refusal};
    instrumentRaw.Resolve(run);
    calibrationRaw.Resolve(run);

    switch (run.subcommand) {
    case Subcommand::Tx:
        run.txCount = std::to_string(WholeOption("--count", raw.count, 0, kInt32Max));
        run.txLength = Checked(raw.length, rftest::IsTxLength, rftest::kInvalidTxLength);
        run.fullDuty = raw.fullDuty;
        break;
    case Subcommand::SweepRx: {
        std::string why;
        const auto channels = ParseChannelList(raw.channels, why);
        if (!channels)
            throw UsageError{"--channels: " + why};
        const auto rates = ParseRateList(raw.rates, why);
        if (!rates)
            throw UsageError{"--rates: " + why};
        run.channels = *channels;
        run.rateRows = *rates;
        if (csvOption_->count() > 0 && raw.csv.empty())
            throw UsageError{"--csv must name a file"};
        run.csvPath = raw.csv;
        run.csvMode = raw.force    ? CsvMode::Overwrite
                      : raw.append ? CsvMode::Append
                                   : CsvMode::Create;
        break;
    }
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave:
        run.values[0] = Checked(raw.value, rftest::IsFreqOffset, rftest::kInvalidFreqOffset);
        break;
    case Subcommand::SddPowerSet:
        for (std::size_t i = 0; i < run.values.size(); ++i)
            run.values[i] = Checked(raw.values[i], rftest::IsSddPower, rftest::kInvalidSddPower);
        break;
    case Subcommand::SddExport:
        if (raw.path.empty())
            throw UsageError{"sdd-export: FILE must name a file"};
        run.path = raw.path;
        break;
    case Subcommand::MacSet:
        run.values = {MacAddress("--source", raw.source), MacAddress("--dest", raw.dest),
                      MacAddress("--bssid", raw.bssid)};
        break;
    case Subcommand::SupplyDcDc:
        if (!raw.yes)
            throw UsageError{std::string(rftest::kDcDcQuestion) +
                             "\nGive --yes to confirm that the DC-DC converter is fitted."};
        break;
    case Subcommand::Send:
        for (const std::string& word : raw.words)
            run.text += (run.text.empty() ? "" : " ") + word;
        if (run.text.empty())
            throw UsageError{rftest::kEmptyCommand};
        if (HoldsControlCharacter(run.text))
            throw UsageError{"send: TEXT must be one command line, without a line feed or another "
                             "control character"};
        break;
    default:
        break;
    }
    return run;
}

} // namespace

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
