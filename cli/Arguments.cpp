#include "cli/Arguments.h"

#include "cli/PointLists.h"
#include "protocol/ChipModels.h"
#include "protocol/NumberReading.h"
#include "rftest/Messages.h"
#include "rftest/RangeChecks.h"
#include "rftest/RfTables.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <ostream>
#include <regex>

namespace kel::cli {

namespace {

constexpr char kUsageLine[] =
    "Usage: kel-rftest (-p PATH [--wait-port S] | --virtual) -m MODEL [-b BAUD] [--channel N]\n"
    "                  [--rate MBPS] [--power LEVEL] [--json] [-v] SUBCOMMAND ...\n";

constexpr char kDescription[] =
    "Runs the RF tests of a Wi-Fi test board over its serial line, for scripts and\n"
    "production lines. Each run opens the port, connects to the board's RF test\n"
    "firmware (probe, connect, enable_phy), applies --channel, --rate and --power\n"
    "in this order, runs one subcommand and disconnects.";

constexpr char kFooter[] =
    "\nOutput: readable lines on standard output, or with --json one JSON object per\n"
    "result. Failures and progress go to standard error.\n"
    "\n"
    "Exit codes:\n"
    "  0    success\n"
    "  1    the board refused or did not answer (the message says which command)\n"
    "  2    bad usage: nothing was sent\n"
    "  3    the port could not be opened (the reason is given), or not within --wait-port\n"
    "  4    a --max-per limit was exceeded (every point was measured and reported)\n"
    "  130  interrupted (Ctrl+C or SIGTERM): a test this run started was stopped\n"
    "\n"
    "Examples:\n"
    "  kel-rftest -p ttyUSB0 -m QB202 info\n"
    "  kel-rftest -p ttyUSB0 -m QB202 --channel 6 --rate 54 rx --seconds 5 --sent 1000\n"
    "  kel-rftest -p ttyUSB0 -m QB202 --json sweep-rx --channels 1,6,11 --rates 1,54 \\\n"
    "      --seconds 2 --sent 1000 --max-per 8 --csv per.csv\n"
    "  kel-rftest --virtual -m QB201 --channel 7 tx --seconds 10\n";

std::string ModelsWith(bool ChipModel::*trait) {
    std::string names;
    for (const ChipModel& model : kChipModels) {
        if (!(model.*trait))
            continue;
        names += names.empty() ? "" : " and ";
        names += model.name;
    }
    return names;
}

// An error that sends nothing: says why and where to read more.
struct UsageError {
    std::string message;
};

// A whole decimal number, optionally signed, with nothing around it.
bool IsWholeNumber(const std::string& text) {
    static const std::regex kNumber("[+-]?[0-9]+");
    return std::regex_match(text, kNumber);
}

std::string Checked(const std::string& text, bool (*inRange)(std::string_view),
                    const char* refusal) {
    if (!IsWholeNumber(text) || !inRange(text))
        throw UsageError{refusal};
    return text;
}

void RequireTrait(int modelRow, bool ChipModel::*trait, const std::string& what) {
    if (ChipModelHas(modelRow, trait))
        return;
    throw UsageError{std::string(kChipModels[static_cast<std::size_t>(modelRow)].name) +
                     " has no " + what + " (" + ModelsWith(trait) + " have)"};
}

std::chrono::milliseconds Duration(double seconds) {
    return std::chrono::milliseconds(std::max<long long>(1, std::llround(seconds * 1000.0)));
}

// The options every subcommand shares the meaning of.
struct Raw {
    std::string port;
    bool virtualBoard = false;
    std::string model;
    std::uint32_t baud = rftest::kDefaultBaudRate;
    double waitPort = 0;
    std::string channel, rate, power;
    bool json = false, verbose = false;
    std::string count = "0", length = "0";
    bool fullDuty = false;
    double seconds = 0;
    std::int64_t sent = 0;
    double maxPer = 0;
    std::string channels, rates, csv;
    std::vector<std::string> values;
    std::string value, path;
    std::vector<std::string> words;
    bool yes = false;
};

class CommandLine {
public:
    CommandLine() { Build(); }

    CLI::App app{kDescription, "kel-rftest"};
    Raw raw;
    std::map<const CLI::App*, Subcommand> subcommands;

    Invocation Resolve() const;

private:
    void Build();
    // Named as SubcommandName spells it, the last word under a group.
    CLI::App* Add(CLI::App& parent, Subcommand subcommand, const char* help) {
        const std::string_view name = SubcommandName(subcommand);
        CLI::App* sub = parent.add_subcommand(std::string(name.substr(name.rfind(' ') + 1)), help);
        subcommands[sub] = subcommand;
        return sub;
    }
    // A word that groups subcommands ("mac get"): one of them must follow.
    CLI::App* Group(const char* name, const char* help) {
        CLI::App* group = app.add_subcommand(name, help);
        group->require_subcommand(1);
        return group;
    }
    void AddSeconds(CLI::App* sub, const char* help, bool required) {
        CLI::Option* option = sub->add_option("--seconds", raw.seconds, help)
                                  ->check(CLI::PositiveNumber)
                                  ->option_text("S");
        if (required)
            option->required();
        secondsOptions_.push_back(option);
    }
    void AddPer(CLI::App* sub, bool sentRequired) {
        CLI::Option* sent = sub->add_option("--sent", raw.sent,
                                            "Packets the tester sends during each RX window; "
                                            "gives the packet error rate")
                                ->check(CLI::Range(std::int64_t{1}, std::int64_t{INT32_MAX}))
                                ->option_text("N");
        if (sentRequired)
            sent->required();
        CLI::Option* maxPer = sub->add_option("--max-per", raw.maxPer,
                                              "Exit 4 when a packet error rate (in %) is above P")
                                  ->check(CLI::NonNegativeNumber)
                                  ->option_text("P")
                                  ->needs(sent);
        sentOptions_.push_back(sent);
        maxPerOptions_.push_back(maxPer);
    }
    bool Given(const std::vector<CLI::Option*>& options) const {
        return std::any_of(options.begin(), options.end(),
                           [](const CLI::Option* o) { return o->count() > 0; });
    }
    CLI::App* Chosen(const CLI::App& parent) const {
        const std::vector<CLI::App*> chosen = parent.get_subcommands();
        return chosen.empty() ? nullptr : chosen.front();
    }

    std::vector<CLI::Option*> secondsOptions_;
    std::vector<CLI::Option*> sentOptions_;
    std::vector<CLI::Option*> maxPerOptions_;
    CLI::Option* waitPortOption_ = nullptr;
};

void CommandLine::Build() {
    app.require_subcommand(1);
    app.get_formatter()->column_width(24);
    app.fallthrough();

    std::vector<std::string> modelNames;
    for (const ChipModel& model : kChipModels)
        modelNames.emplace_back(model.name);

    app.add_option("-p,--port", raw.port,
                   "Serial device of the board (a bare ttyUSB0 means /dev/ttyUSB0)")
        ->option_text("PATH");
    app.add_flag("--virtual", raw.virtualBoard,
                 "Use a virtual board started for this run instead of a port (no hardware\n"
                 "needed)");
    app.add_option("-m,--model", raw.model, "Chip model: QB201, QB102, QB202 or QB101")
        ->required()
        ->option_text("MODEL")
        ->transform(CLI::IsMember(modelNames, CLI::ignore_case));
    app.add_option("-b,--baud", raw.baud, "Baud rate of the line (default 115200)")
        ->option_text("BAUD")
        ->check(CLI::Range(1u, std::numeric_limits<std::uint32_t>::max()));
    waitPortOption_ =
        app.add_option("--wait-port", raw.waitPort,
                       "Wait up to S seconds (0: for ever) for the port to appear and open,\n"
                       "instead of exiting 3 at once; Ctrl+C ends the wait")
            ->option_text("S")
            ->check(CLI::Range(0.0, 1e7));
    app.add_option("--channel", raw.channel, "Set the channel first: 1 to 14")->option_text("N");
    app.add_option("--rate", raw.rate,
                   "Then the rate in Mbit/s: 1, 2, 5.5, 11, 6, 9, 12, 18, 24, 36, 48, 54,\n"
                   "6.5, 13, 19.5, 26, 39, 52, 58.5 or 65")
        ->option_text("MBPS");
    app.add_option("--power", raw.power, "Then the output power level: -118 to 120")
        ->option_text("LEVEL");
    app.add_flag("--json", raw.json, "One JSON object per result on standard output");
    app.add_flag("-v,--verbose", raw.verbose,
                 "Show every command line sent (>) and reply line read (<) on standard error");

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
    sweep->add_option("--channels", raw.channels, "Channels, e.g. 1-13 or 1,6,11")
        ->required()
        ->option_text("LIST");
    sweep
        ->add_option("--rates", raw.rates,
                     "Rates in Mbit/s, e.g. 1,2,5.5,11 or 6-54 (a range runs along the "
                     "rate list)")
        ->required()
        ->option_text("LIST");
    AddSeconds(sweep, "How long to receive at each point", true);
    AddPer(sweep, true);
    sweep->add_option("--csv", raw.csv, "Also write the points to FILE as CSV")
        ->option_text("FILE");

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
    Add(*mac, Subcommand::MacSet, "Set them (the board checks their form)")
        ->add_option("SRC DST BSSID", raw.values, "Addresses")
        ->expected(3)
        ->required();

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
}

Invocation CommandLine::Resolve() const {
    Invocation run;
    if (raw.port.empty() == !raw.virtualBoard)
        throw UsageError{"give either the port with -p PATH or --virtual for the virtual board"};
    run.portPath = raw.port;
    run.virtualBoard = raw.virtualBoard;
    if (waitPortOption_->count() > 0) {
        if (run.virtualBoard)
            throw UsageError{"--wait-port waits for a device: give it with -p PATH"};
        run.waitForPort = true;
        if (raw.waitPort > 0)
            run.waitBound = Duration(raw.waitPort);
    }
    run.chipModelRow = ChipModelRowOf(raw.model).value_or(-1);
    if (run.chipModelRow < 0)
        throw UsageError{"--model " + raw.model + " is not a chip model"};
    run.baud = raw.baud;
    run.json = raw.json;
    run.verbose = raw.verbose;

    if (!raw.channel.empty()) {
        if (!IsWholeNumber(raw.channel) || !rftest::IsChannel(ReadInteger64(raw.channel)))
            throw UsageError{"--channel must be 1 to 14"};
        run.channel = static_cast<int>(ReadInteger64(raw.channel));
    }
    if (!raw.rate.empty()) {
        run.rateRow = rftest::RateRowOf(raw.rate);
        if (!run.rateRow)
            throw UsageError{"--rate " + raw.rate + " is not a rate of the rate list (see --help)"};
    }
    if (!raw.power.empty())
        run.power = Checked(raw.power, rftest::IsPowerLevel, rftest::kInvalidPower);

    const CLI::App* chosen = Chosen(app);
    while (chosen != nullptr && !subcommands.contains(chosen))
        chosen = Chosen(*chosen);
    run.subcommand = subcommands.at(chosen);

    if (Given(secondsOptions_))
        run.duration = Duration(raw.seconds);
    if (Given(sentOptions_))
        run.sent = raw.sent;
    if (Given(maxPerOptions_))
        run.maxPer = raw.maxPer;
    if (run.sent)
        RequireTrait(run.chipModelRow, &ChipModel::hasPer, "RX packet error rate");

    switch (run.subcommand) {
    case Subcommand::Tx:
        if (!IsWholeNumber(raw.count) || !FitsInt32(raw.count))
            throw UsageError{"--count must be a whole number"};
        run.txCount = raw.count;
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
        run.csvPath = raw.csv;
        break;
    }
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave:
        run.values[0] = Checked(raw.value, rftest::IsFreqOffset, rftest::kInvalidFreqOffset);
        [[fallthrough]];
    case Subcommand::FreqOffsetGet:
        RequireTrait(run.chipModelRow, &ChipModel::hasCalibration, "frequency-offset calibration");
        break;
    case Subcommand::SddPowerSet:
        for (std::size_t i = 0; i < run.values.size(); ++i)
            run.values[i] = Checked(raw.values[i], rftest::IsSddPower, rftest::kInvalidSddPower);
        [[fallthrough]];
    case Subcommand::SddPowerGet:
        RequireTrait(run.chipModelRow, &ChipModel::hasSdd, "SDD power table");
        break;
    case Subcommand::SddExport:
        RequireTrait(run.chipModelRow, &ChipModel::hasSdd, "SDD file");
        run.path = raw.path;
        break;
    case Subcommand::MacSet:
        std::copy(raw.values.begin(), raw.values.end(), run.values.begin());
        break;
    case Subcommand::SupplyDcDc:
        if (!raw.yes)
            throw UsageError{std::string(rftest::kDcDcQuestion) +
                             "\nGive --yes to confirm that the DC-DC converter is fitted."};
        [[fallthrough]];
    case Subcommand::SupplyLdo:
        RequireTrait(run.chipModelRow, &ChipModel::hasPowerMode, "supply switch");
        break;
    case Subcommand::Send:
        for (const std::string& word : raw.words)
            run.text += (run.text.empty() ? "" : " ") + word;
        if (run.text.empty())
            throw UsageError{rftest::kEmptyCommand};
        break;
    default:
        break;
    }
    return run;
}

void ExplainUsage(std::ostream& err, const std::string& message) {
    err << "kel-rftest: " << message << "\n"
        << kUsageLine << "Run 'kel-rftest --help' (or 'kel-rftest SUBCOMMAND --help') for more.\n";
}

} // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err) {
    CommandLine line;
    try {
        line.app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
        return {line.Resolve(), kExitOk};
    } catch (const CLI::CallForHelp&) {
        // The help of the subcommand asked about, or of the whole program.
        out << line.app.help();
        return {std::nullopt, kExitOk};
    } catch (const CLI::ParseError& error) {
        ExplainUsage(err, error.what());
    } catch (const UsageError& error) {
        ExplainUsage(err, error.message);
    }
    return {std::nullopt, kExitUsage};
}

} // namespace kel::cli
