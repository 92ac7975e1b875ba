// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A test plan as a production line runs it on every board: the chip model,
// then steps, each doing what the matching kel-rftest subcommand does, some
// judged by limits. PlanReader.h reads one from TOML; every value in a Plan
// has been checked there, so running it refuses nothing of its own.

#include "instrument/InstrumentUrl.h"
#include "instrument/Profile.h"
#include "rftest/CalibrationSteps.h"
#include "rftest/MacAddresses.h"
#include "rftest/Measurement.h"
#include "rftest/RfSteps.h"
#include "rftest/RfTables.h"
#include "rftest/calibration/Calibration.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::plan {

enum class StepKind {
    FreqOffset,
    SddPower,
    Power,
    Rx,
    RxSweep,
    Tx,
    Tone,
    Supply,
    SddExport,
    Mac,
    Send,
    ToneFreq,
    TxPower,
    CalibrateFreq,
    CalibratePower,
    Sensitivity,
    Prompt,
};

// "freq-offset", "sdd-power", "power", "rx", "rx-sweep", "tx", "tone",
// "supply", "sdd-export", "mac", "send", "tone-freq", "tx-power",
// "calibrate-freq", "calibrate-power", "sensitivity", "prompt": what a step's do = says.
std::string_view StepKindName(StepKind kind);
std::optional<StepKind> StepKindNamed(std::string_view name);
// Every name, in the order above, joined for a message: "a, b, ... or k".
std::string StepKindNames();

enum class OffsetAction { Get, Set, Save };

struct Step {
    StepKind kind = StepKind::Send;
    int line = 0; // where its [[step]] begins in the plan file
    // A failing point is measured again up to this many times.
    int retries = 0;
    // Steps naming the same resource run on one board at a time; empty: none.
    std::string shared;

    // rx and tx: the channel, rate and power set first; power: the level.
    rftest::TestSettings settings;
    // rx, rx-sweep, tx, tone: how long it runs (each point of a sweep).
    std::chrono::milliseconds duration{};
    // rx, rx-sweep: the packets the tester sends in that time.
    std::optional<std::int64_t> sent;
    // rx-sweep: each channel, then each rate.
    std::vector<int> channels;
    std::vector<int> rateRows;
    // rx, rx-sweep: the PER's bounds; freq-offset: the offset read;
    // tone-freq: the error in ppm; tx-power: the power in dBm.
    rftest::Limit limit;

    // freq-offset: read, set or store; value as checked.
    OffsetAction offsetAction = OffsetAction::Get;
    std::string offset;
    // sdd-power: bounds per rate class, or the levels to store.
    std::array<rftest::Limit, 3> classLimits;
    std::optional<rftest::SddPowers> sddPowers;

    // tx
    std::string txCount = "0";
    std::string txLength = "0";
    bool fullDuty = false;

    // supply: DC-DC, else LDO.
    bool dcdc = false;
    // mac: the addresses to set (then read back); none: read them.
    std::optional<rftest::MacAddresses> macs;
    // send: the command line as typed, and a text one reply line must hold;
    // prompt: what the operator is told.
    std::string text;
    std::optional<std::string> expect;
    // prompt: wait until the operator confirms (OK or Enter).
    bool confirm = false;

    // calibrate-freq, calibrate-power, sensitivity (max_dbm in limit.high).
    rftest::CrystalOptions crystal;
    rftest::PowerOptions powerCalibration;
    rftest::SensitivityOptions sensitivity;

    // Whether it measures with the plan's instrument.
    bool Calibrates() const;
    // Whether anything in it is judged (and so can fail, and be retried).
    bool Judged() const;
    // How many points it measures, for progress (a sweep's channels x rates).
    std::size_t Points() const;
};

// The [instrument] table: the one instrument every board's tone-freq and
// tx-power steps take turns on, and the switch's route of each board.
struct PlanInstrument {
    // Served by kel-rftest itself on the virtual boards (url = "virtual").
    bool virtualBench = false;
    instrument::InstrumentUrl url;
    instrument::Profile profile;
    // Board i (in the order of the ports or slots) is on routes[i]; none
    // given: board i on route i + 1.
    std::vector<int> routes;

    std::optional<int> RouteOf(std::size_t board) const;
};

// The shared resource the instrument's measurements take turns on.
inline constexpr char kInstrumentResource[] = "instrument";

// [dut]: what a board's serial (its DUT label, scanned at the station) must be.
struct DutRule {
    // The pattern and the serial are capped, and the pattern matched in time
    // linear in the serial (no back-references then), so a plan's pattern
    // cannot hang a station or exhaust its stack.
    static constexpr std::size_t kMaxPattern = 200;
    static constexpr std::size_t kMaxSerial = 64;

    bool required = false;
    std::string pattern; // ECMAScript, matching the whole code; empty: any

    // Why the code cannot be a board's serial ("SN-12 does not match
    // ^SN-[0-9]{6}$"); empty when it can.
    std::string Refusal(const std::string& code) const;
    // Why the pattern cannot be used ("longer than 200 characters", the
    // regular expression's error); empty when it can.
    std::string PatternProblem() const;
};

struct Plan {
    std::string file; // the path it was read from, as given
    std::string name;
    std::string version;
    int chipModelRow = -1;
    std::uint32_t baud = rftest::kDefaultBaudRate;
    DutRule dut;
    std::vector<Step> steps;
    std::optional<PlanInstrument> instrument;

    const char* ModelName() const;
    // Each resource some step names, once, in the order first named.
    std::vector<std::string> SharedResources() const;
};

} // namespace kel::plan
