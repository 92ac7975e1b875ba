// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of kel-rftest as its arguments ask for it, every value checked:
// the port, the chip model, the global settings and one subcommand.

#include "cli/InstrumentLink.h"
#include "results/StoreSetting.h"
#include "rftest/calibration/Calibration.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kel::cli {

enum class Subcommand {
    Info,
    Tx,
    TxStop,
    Tone,
    ToneStop,
    Rx,
    SweepRx,
    FreqOffsetGet,
    FreqOffsetSet,
    FreqOffsetSave,
    SddPowerGet,
    SddPowerSet,
    SddExport,
    MacGet,
    MacSet,
    SupplyLdo,
    SupplyDcDc,
    Send,
    ToneFreq,
    TxPower,
    CalibrateFreq,
    CalibratePower,
    Sensitivity,
};

// What --csv does with a file that is already there.
enum class CsvMode {
    Create,    // refuse it
    Overwrite, // --force
    Append,    // --append: rows after its own, when its columns are ours
};

struct Invocation {
    std::string portPath; // empty with virtualBoard
    bool virtualBoard = false;
    int chipModelRow = -1;
    std::uint32_t baud = 0;
    bool waitForPort = false;                           // --wait-port
    std::optional<std::chrono::milliseconds> waitBound; // none: for ever
    std::optional<int> channel;
    std::optional<int> rateRow;
    std::optional<std::string> power; // as typed
    bool json = false;
    bool verbose = false;
    // --timeout: every wait for the board gives up after this much silence.
    std::optional<std::chrono::milliseconds> timeout;

    // Where the run and its results are recorded (--results or KEL_RESULTS),
    // what the run names (--station, --operator, --dut), and whether the
    // board's MAC is read after the handshake to name the board (--no-mac).
    results::StoreSetting store;
    std::string station;
    std::string operatorName;
    std::string dut;
    bool readMac = true;

    Subcommand subcommand = Subcommand::Info;
    // What the subcommands take; each uses its own.
    std::string txCount = "0";
    std::string txLength = "0";
    bool fullDuty = false;
    std::optional<std::chrono::milliseconds> duration; // --seconds
    std::optional<std::int64_t> sent;
    std::optional<double> maxPer;
    std::vector<int> channels; // sweep-rx
    std::vector<int> rateRows;
    std::string csvPath;
    CsvMode csvMode = CsvMode::Create;
    // The freq offset; the SDD powers; the source, dest and BSSID addresses.
    std::array<std::string, 3> values;
    std::string path; // sdd-export
    std::string text; // send

    // --instrument with its profile and route; tone-freq and tx-power need it.
    std::optional<InstrumentChoice> instrument;
    std::optional<double> maxPpm; // tone-freq
    std::optional<double> minDbm; // tx-power
    std::optional<double> maxDbm;
    // calibrate-freq, calibrate-power, sensitivity (with --max-dbm).
    rftest::CrystalOptions crystal;
    rftest::PowerOptions powerCalibration;
    rftest::SensitivityOptions sensitivity;
    std::optional<double> maxSensitivityDbm;
};

// The name of the subcommand as typed ("freq-offset get").
const char* SubcommandName(Subcommand subcommand);

} // namespace kel::cli
