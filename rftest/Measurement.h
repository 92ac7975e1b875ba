// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One result as every output carries it: a kel-rftest JSON object, a CSV row,
// a row of the results store. The names in field:: are the JSON keys, the CSV
// columns and the store's column names alike; dashboards and scripts read
// them, so they change only on purpose.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel::rftest {

enum class MeasurementKind {
    Rx,
    FreqOffset,
    SddFreqOffset,
    Power,
    SddPower,
    Tx,
    Tone,
    Supply,
    SddExport,
    Mac,
    Send,
    ToneFreq,
    TxPower,
    FreqTrial,
    FreqCal,
    PowerTrial,
    PowerCal,
    SensPoint,
    Sensitivity,
};

// "rx", "freq_offset", "sdd_freq_offset", "power", "sdd_power", "tx",
// "tone", "supply", "sdd_export", "mac", "send", "tone_freq", "tx_power",
// "freq_trial", "freq_cal", "power_trial", "power_cal", "sens_point",
// "sensitivity".
std::string_view KindName(MeasurementKind kind);
std::optional<MeasurementKind> KindNamed(std::string_view name);

enum class Verdict { None, Pass, Marginal, Fail };

// "", "pass", "marginal", "fail".
std::string_view VerdictName(Verdict verdict);
std::optional<Verdict> VerdictNamed(std::string_view name);

// Bounds a value must keep to; any may be absent. Above marginalHigh (and
// within high) a value still passes, marked marginal.
struct Limit {
    std::optional<double> low;
    std::optional<double> high;
    std::optional<double> marginalHigh;

    bool Applies() const { return low || high; }
};

// None when the limit has no bound; Fail when there is a bound but no value
// to compare (a check must not pass blind).
Verdict Judge(std::optional<double> value, const Limit& limit);

struct Measurement {
    MeasurementKind kind = MeasurementKind::Rx;
    std::string at; // UTC, ISO 8601 with milliseconds (UtcNow)

    // The settings it was taken at.
    std::optional<int> channel;
    std::optional<double> rateMbps;
    std::optional<int> powerLevel;

    // Its values: the RX counters and rate, a single number (an offset), or text.
    // A table gives one measurement per row, text naming the row: sdd_power
    // the rate class ("11b", "11gn", "11n_mcs7") with the level in value; mac
    // the role and the address ("source 02:00:00:00:00:01"). send: the reply
    // lines to a free command, one a line, judged by a text one must hold.
    std::optional<std::int64_t> sent;
    std::optional<std::int64_t> total;
    std::optional<std::int64_t> abortErrors;
    std::optional<std::int64_t> crcErrors;
    std::optional<double> perPercent;
    std::optional<double> value;
    std::string text;
    // What an instrument measured: tone_freq the tone's frequency and its
    // error from the channel centre (value: error_ppm), tx_power the
    // carrier's power (value: power_dbm). Calibration: freq_trial and
    // freq_cal the trim code in value with the tone's readings; power_trial
    // and power_cal the rate class in text, the level in power_level and
    // value, the power in power_dbm; sens_point a PER point, the generator's
    // level in value; sensitivity the lowest level passing, in value.
    std::optional<double> freqHz;
    std::optional<double> errorHz;
    std::optional<double> errorPpm;
    std::optional<double> powerDbm;

    // The limit it was judged against, and the verdict.
    std::optional<double> limitLow;
    std::optional<double> limitHigh;
    Verdict verdict = Verdict::None;

    // Records the limit's bounds and the verdict on the given value.
    void JudgeBy(std::optional<double> judged, const Limit& limit);
    // A reading as the board or the user wrote it: value when WholeReading
    // finds a number in it, text otherwise.
    void TakeReading(std::string_view reading);
};

// A level or an offset as the board or the user wrote it ("48", " -3"): the
// number, or nothing when the text is not a whole 32-bit number.
std::optional<std::int64_t> WholeReading(std::string_view text);

// A table gives one measurement per row, its text naming the row: the rate
// classes of the SDD power table and the roles of the MAC addresses.
inline constexpr std::array<const char*, 3> kSddPowerClassNames{"11b", "11gn", "11n_mcs7"};
inline constexpr std::array<const char*, 3> kMacRoleNames{"source", "dest", "bssid"};

// "2026-12-08T13:45:06.123Z": the current time, UTC, to the millisecond.
std::string UtcNow();

namespace field {
inline constexpr char kCommand[] = "command";
inline constexpr char kOk[] = "ok";
inline constexpr char kError[] = "error";
inline constexpr char kReason[] = "reason";
inline constexpr char kTime[] = "time";
inline constexpr char kPort[] = "port";
inline constexpr char kModel[] = "model";
inline constexpr char kBoardMac[] = "board_mac";
inline constexpr char kKind[] = "kind";
inline constexpr char kChannel[] = "channel";
inline constexpr char kRateMbps[] = "rate_mbps";
inline constexpr char kPowerLevel[] = "power_level";
inline constexpr char kSent[] = "sent";
inline constexpr char kTotal[] = "total";
inline constexpr char kAbortErrors[] = "abort_errors";
inline constexpr char kCrcErrors[] = "crc_errors";
inline constexpr char kPerPercent[] = "per_percent";
inline constexpr char kValue[] = "value";
inline constexpr char kText[] = "text";
inline constexpr char kLimitLow[] = "limit_low";
inline constexpr char kLimitHigh[] = "limit_high";
inline constexpr char kVerdict[] = "verdict";
inline constexpr char kFreqHz[] = "freq_hz";
inline constexpr char kErrorHz[] = "error_hz";
inline constexpr char kErrorPpm[] = "error_ppm";
inline constexpr char kPowerDbm[] = "power_dbm";
// Calibration's JSON: a power trial's rate class, a PER point's generator level.
inline constexpr char kRateClass[] = "rate_class";
inline constexpr char kLevelDbm[] = "level_dbm";
// The *IDN? of the instrument a run measured with.
inline constexpr char kInstrument[] = "instrument";

// The results store's own columns: a row's identity, and its run's.
inline constexpr char kId[] = "id";
inline constexpr char kRunId[] = "run_id";
inline constexpr char kSeq[] = "seq";
inline constexpr char kAt[] = "at";
inline constexpr char kStartedAt[] = "started_at";
inline constexpr char kEndedAt[] = "ended_at";
inline constexpr char kTool[] = "tool";
inline constexpr char kVersion[] = "version";
inline constexpr char kStation[] = "station";
inline constexpr char kOperator[] = "operator";
inline constexpr char kChipModel[] = "chip_model";
inline constexpr char kBaud[] = "baud";
inline constexpr char kDut[] = "dut";
inline constexpr char kPlan[] = "plan";
inline constexpr char kPlanVersion[] = "plan_version";
inline constexpr char kSessionLog[] = "session_log";
// The station slot (fixture) a board was tested in, as the station names it.
inline constexpr char kSlot[] = "slot";
// Where a measurement is shown with its run: the run's verdict beside its own.
inline constexpr char kRunVerdict[] = "run_verdict";
// How many measurements a run holds.
inline constexpr char kPoints[] = "points";
} // namespace field

} // namespace kel::rftest
