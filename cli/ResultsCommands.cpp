// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ResultsCommands.h"

#include "cli/ExitCodes.h"
#include "cli/RecordingPush.h"
#include "results/ExportCsv.h"
#include "results/Queries.h"
#include "results/RowJson.h"
#include "results/RunSource.h"
#include "results/ServerLink.h"
#include "results/Store.h"
#include "results/StoreSetting.h"
#include "results/Yield.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

namespace kel::cli {

namespace {

using namespace results;
using Json = nlohmann::ordered_json;

constexpr char kUsage[] =
    "Usage: kel-rftest [--results PATH|none|postgresql://...] [--json] results SUBCOMMAND ...\n";

struct UsageError {
    std::string message;
};

struct Options {
    std::string results;
    bool resultsGiven = false;
    bool json = false;
    std::string since, until, board, dut, plan, station, runId, format = "csv";
    std::string from = "local";
    std::int64_t limit = 50;
    bool limitGiven = false;
};

template <typename T> Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

std::string JsonLine(const Json& object) {
    return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

// "2026-01-05T10:00:00.123Z" as "2026-01-05 10:00:00Z".
std::string ShownTime(std::string time) {
    if (time.size() >= 19) {
        time[10] = ' ';
        time = time.substr(0, 19) + "Z";
    }
    return time;
}

// Left-aligned columns two spaces apart, as wide as their widest cell.
class Table {
public:
    explicit Table(std::vector<std::string> headings) { rows_.push_back(std::move(headings)); }
    void Add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
    void Print(std::ostream& out) const {
        std::vector<std::size_t> widths(rows_[0].size(), 0);
        for (const auto& row : rows_) {
            for (std::size_t c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], row[c].size());
        }
        for (const auto& row : rows_) {
            std::string line;
            for (std::size_t c = 0; c < row.size(); ++c)
                line += row[c] +
                        std::string(c + 1 < row.size() ? widths[c] - row[c].size() + 2 : 0, ' ');
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            out << line << '\n';
        }
    }

private:
    std::vector<std::vector<std::string>> rows_;
};

std::string Optional(const std::optional<double>& value) {
    return value ? ValueText(*value) : "";
}

std::string Optional(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "";
}

std::string Optional(const std::optional<int>& value) {
    return value ? std::to_string(*value) : "";
}

std::string Percent(std::int64_t part, std::int64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", whole > 0 ? 100.0 * part / whole : 0.0);
    return text;
}

class ResultsCommand {
public:
    ResultsCommand(const Options& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    int Runs();
    int Show();
    int Export();
    int Yield();
    int Sync();

    // Failures of the store or the server: exit 1, said once.
    int Failed(const std::string& command, const std::string& message) {
        err_ << "kel-rftest: " << message << '\n';
        if (options_.json)
            out_ << JsonLine(Json{{"command", command}, {"ok", false}, {"error", message}});
        return kExitFailed;
    }

    StoreSetting setting;

private:
    // Where the answers come from (--from): the local store, or a server;
    // null (with a note) when nothing was recorded locally yet.
    std::unique_ptr<RunSource> Source() {
        if (options_.from == "server")
            return ServerRuns(setting.server);
        if (options_.from.starts_with("postgres"))
            return ServerRuns(options_.from);
        if (!std::filesystem::exists(setting.file)) {
            err_ << "kel-rftest: no results recorded yet in " << setting.file.string() << '\n';
            return nullptr;
        }
        return StoreRuns(setting.file);
    }
    RunFilter Filter() const {
        RunFilter filter;
        filter.since = Bound(options_.since);
        filter.until = Bound(options_.until);
        filter.boardMac = options_.board;
        filter.dut = options_.dut;
        filter.plan = options_.plan;
        filter.station = options_.station;
        return filter;
    }
    static std::string Bound(const std::string& text) {
        return text.empty() ? std::string() : *SinceBound(text);
    }

    const Options& options_;
    std::ostream& out_;
    std::ostream& err_;
};

int ResultsCommand::Runs() {
    const std::unique_ptr<RunSource> source = Source();
    if (!source)
        return kExitOk;
    RunFilter filter = Filter();
    filter.limit = options_.limit;
    const std::vector<RunSummary> runs = source->Runs(filter);
    if (options_.json) {
        for (const RunSummary& summary : runs) {
            Json object = RowObject<Json>(kRunColumns, RunRow(summary.run));
            object[rftest::field::kPoints] = summary.points;
            out_ << JsonLine(object);
        }
        return kExitOk;
    }
    Table table(
        {"time", "station", "slot", "board", "dut", "plan", "tool", "verdict", "points", "run"});
    for (const RunSummary& summary : runs) {
        const RunRecord& run = summary.run;
        table.Add({ShownTime(run.startedAt), run.station, run.slot, run.boardMac, run.dut,
                   run.plan + (run.planVersion.empty() ? "" : " " + run.planVersion), run.tool,
                   run.verdict, std::to_string(summary.points), run.id.substr(0, 8)});
    }
    table.Print(out_);
    return kExitOk;
}

int ResultsCommand::Show() {
    const std::unique_ptr<RunSource> source = Source();
    if (!source)
        return Failed("results show", "no run " + options_.runId);
    const RunRecord run = source->Find(options_.runId);
    const std::vector<StoredMeasurement> measurements = source->Measurements(run.id);
    if (options_.json) {
        for (const StoredMeasurement& stored : measurements)
            out_ << JsonLine(RowObject<Json>(kMeasurementColumns, MeasurementRow(stored)));
        return kExitOk;
    }
    // What the run names, the empty fields left out.
    const std::string plan = run.plan + (run.planVersion.empty() ? "" : " " + run.planVersion);
    out_ << "run " << run.id << "  " << ShownTime(run.startedAt) << "  " << run.tool;
    for (const auto& [label, value] : {std::pair{"station", &run.station},
                                       {"slot", &run.slot},
                                       {"operator", &run.operatorName},
                                       {"plan", &plan},
                                       {"board", &run.boardMac},
                                       {"dut", &run.dut},
                                       {"verdict", &run.verdict}}) {
        if (!value->empty())
            out_ << "  " << label << " " << *value;
    }
    out_ << '\n';
    Table table({"seq", "time", "kind", "channel", "rate", "power", "sent", "total", "abort", "crc",
                 "per", "value", "text", "limit", "verdict"});
    for (const StoredMeasurement& stored : measurements) {
        const rftest::Measurement& m = stored.measurement;
        std::string limit;
        if (m.limitLow || m.limitHigh)
            limit = Optional(m.limitLow) + ".." + Optional(m.limitHigh);
        table.Add({std::to_string(stored.seq), ShownTime(m.at),
                   std::string(rftest::KindName(m.kind)), Optional(m.channel), Optional(m.rateMbps),
                   Optional(m.powerLevel), Optional(m.sent), Optional(m.total),
                   Optional(m.abortErrors), Optional(m.crcErrors), Optional(m.perPercent),
                   Optional(m.value), m.text, limit, std::string(rftest::VerdictName(m.verdict))});
    }
    table.Print(out_);
    return kExitOk;
}

int ResultsCommand::Export() {
    const std::vector<std::string> columns = ExportColumns();
    const bool csv = options_.format == "csv";
    if (csv)
        out_ << ExportCsvHeader();
    const std::unique_ptr<RunSource> source = Source();
    if (!source)
        return kExitOk;
    source->Export(Filter(), [&](const Row& row) {
        out_ << (csv ? ExportCsvLine(row) : JsonLine(RowObject<Json>(columns, row)));
    });
    return kExitOk;
}

int ResultsCommand::Yield() {
    const std::unique_ptr<RunSource> source = Source();
    const YieldSummary yield = source ? results::Yield(*source, Filter()) : YieldSummary{};
    if (options_.json) {
        Json worst = Json::array();
        for (const PointYield& point : yield.worst)
            worst.push_back(Json{{rftest::field::kKind, point.kind},
                                 {rftest::field::kChannel, OrNull(point.channel)},
                                 {rftest::field::kRateMbps, OrNull(point.rateMbps)},
                                 {"measured", point.measured},
                                 {"failed", point.failed},
                                 {"worst_per_percent", OrNull(point.worstPer)}});
        out_ << JsonLine(Json{{"boards", yield.boards},
                              {"first_pass", yield.firstPass},
                              {"final_pass", yield.finalPass},
                              {"failed", yield.failed},
                              {"errored", yield.errored},
                              {"worst", worst}});
        return kExitOk;
    }
    if (yield.boards == 0) {
        out_ << "no board was tested in this selection\n";
        return kExitOk;
    }
    const auto share = [&](std::int64_t part) {
        return Percent(part, yield.boards) + " % (" + std::to_string(part) + " of " +
               std::to_string(yield.boards) + ")\n";
    };
    out_ << "boards tested: " << yield.boards << '\n'
         << "passed first time: " << share(yield.firstPass)
         << "passed in the end: " << share(yield.finalPass) << "failed: " << share(yield.failed)
         << "errored: " << share(yield.errored);
    if (yield.worst.empty())
        return kExitOk;
    out_ << "points that failed most:\n";
    Table table({"  kind", "channel", "rate", "measured", "failed", "worst per"});
    for (const PointYield& point : yield.worst)
        table.Add({"  " + point.kind, Optional(point.channel), Optional(point.rateMbps),
                   std::to_string(point.measured), std::to_string(point.failed),
                   Optional(point.worstPer)});
    table.Print(out_);
    return kExitOk;
}

int ResultsCommand::Sync() {
    const std::string shown = WithoutPassword(setting.server);
    std::size_t pushed = 0;
    std::int64_t waiting = 0;
    if (std::filesystem::exists(setting.file)) {
        Store store(setting.file, Store::Open::Existing);
        ServerLink link(setting.server);
        pushed = link.PushWaiting(store);
        waiting = store.WaitingCount();
    }
    if (options_.json) {
        out_ << JsonLine(Json{{"command", "results sync"},
                              {"server", shown},
                              {"pushed", pushed},
                              {"waiting", waiting},
                              {"ok", true}});
        return kExitOk;
    }
    out_ << pushed << " rows pushed to " << shown << (waiting > 0 ? ", " : "")
         << (waiting > 0 ? std::to_string(waiting) + " still waiting" : "") << '\n';
    return kExitOk;
}

} // namespace

bool IsResultsCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "results")
            return true;
        if (arg == "--results")
            ++i;
        else if (arg != "--json" && !arg.starts_with("--results="))
            return false;
    }
    return false;
}

int RunResultsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    CLI::App app{"Reads the results store: the runs, a run's measurements, an export, the yield; "
                 "sync pushes the rows waiting for the server.",
                 "kel-rftest"};
    app.fallthrough();
    app.add_option("--results", options.results,
                   "The store: a file, or postgresql://... (its local file); default $KEL_RESULTS, "
                   "else ~/.local/share/kelGuiTool/results.sqlite")
        ->option_text("PATH|URI");
    app.add_flag("--json", options.json, "One JSON object per line");
    CLI::App* results = app.add_subcommand("results", "The results store");
    results->require_subcommand(1);
    const auto since = [&](CLI::App* sub) {
        sub->add_option("--since", options.since,
                        "From this UTC date or time on (2026-01-05, "
                        "2026-01-05T13:00)")
            ->option_text("DATE");
        sub->add_option("--from", options.from,
                        "Read the local store (default), the server of --results (server), or\n"
                        "the server at URI")
            ->option_text("local|server|URI");
    };
    CLI::App* runs = results->add_subcommand("runs", "The runs, newest first");
    since(runs);
    runs->add_option("--board", options.board, "Of the board with this MAC address")
        ->option_text("MAC");
    runs->add_option("--dut", options.dut, "Of the board with this label")->option_text("LABEL");
    runs->add_option("--limit", options.limit, "At most N runs (default 50)")
        ->option_text("N")
        ->check(CLI::PositiveNumber);
    CLI::App* show = results->add_subcommand("show", "A run's measurements, in order");
    show->add_option("RUN_ID", options.runId, "The run's id, or its first characters")->required();
    show->add_option("--from", options.from, "As for runs")->option_text("local|server|URI");
    CLI::App* exporting = results->add_subcommand(
        "export", "Every measurement with its run, oldest first, on standard output");
    since(exporting);
    exporting->add_option("--format", options.format, "csv (default) or json (one object a line)")
        ->option_text("csv|json")
        ->check(CLI::IsMember({"csv", "json"}));
    CLI::App* yield = results->add_subcommand(
        "yield", "Boards tested, first-pass and final pass rate, the points that fail most");
    since(yield);
    yield->add_option("--until", options.until, "Runs started before this UTC date or time")
        ->option_text("DATE");
    yield->add_option("--plan", options.plan, "Of this plan only")->option_text("NAME");
    yield->add_option("--station", options.station, "Of this station only")->option_text("NAME");
    CLI::App* sync = results->add_subcommand(
        "sync", "Push the rows waiting in the local store to the server of --results");

    std::string command = "results";
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
        for (const auto& [option, text] :
             {std::pair{"--since ", &options.since}, {"--until ", &options.until}}) {
            if (!text->empty() && !SinceBound(*text))
                throw UsageError{option + *text +
                                 " is not a date: give 2026-01-05 or 2026-01-05T13:00 (UTC)"};
        }
        if (options.from != "local" && options.from != "server" &&
            !options.from.starts_with("postgresql://") && !options.from.starts_with("postgres://"))
            throw UsageError{"--from " + options.from +
                             " names no source: give local, server or postgresql://..."};
    } catch (const CLI::CallForHelp&) {
        out << app.help(); // of the deepest subcommand given, its parents named before it
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "kel-rftest: " << e.what() << '\n' << kUsage;
        return kExitUsage;
    } catch (const UsageError& e) {
        err << "kel-rftest: " << e.message << '\n' << kUsage;
        return kExitUsage;
    }

    ResultsCommand run(options, out, err);
    std::string refusal;
    const std::optional<std::string> given =
        app.get_option("--results")->count() > 0 ? std::optional(options.results) : std::nullopt;
    const auto setting = ResultsOption(given, refusal);
    if (!setting) {
        err << "kel-rftest: " << refusal << '\n';
        return kExitUsage;
    }
    if (!setting->Records()) {
        err << "kel-rftest: --results none names no store to read\n";
        return kExitUsage;
    }
    run.setting = *setting;
    const CLI::App* chosen = results->get_subcommands().front();
    command += " " + chosen->get_name();
    if ((chosen == sync || options.from == "server") &&
        setting->kind != StoreSetting::Kind::Server) {
        err << "kel-rftest: " << command << (chosen == sync ? "" : " --from server")
            << " needs the server: --results postgresql://... or " << kResultsVariable << '\n';
        return kExitUsage;
    }
    try {
        if (chosen == runs)
            return run.Runs();
        if (chosen == show)
            return run.Show();
        if (chosen == exporting)
            return run.Export();
        if (chosen == yield)
            return run.Yield();
        return run.Sync();
    } catch (const std::exception& e) {
        return run.Failed(command, e.what());
    }
}

} // namespace kel::cli
