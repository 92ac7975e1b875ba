// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Closed-loop calibration of one board with an instrument: the crystal's
// trim code, the TX power level of each SDD rate class, and the receiver's
// sensitivity. Each trial is handed to the caller as it is measured; the
// board's SDD data is written only after a result has been proven, and a
// tone or TX these start is stopped whatever ends them (InstrumentSteps.h).
//
// Board faults come back as the Failure; instrument faults as
// instrument::InstrumentError naming the instrument and the route.

#include "rftest/InstrumentSteps.h"
#include "rftest/RxMeasurement.h"
#include "rftest/calibration/BenchLink.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

struct CrystalOptions {
    int channel = kInstrumentChannel;
    double tolerancePpm = 1.0;
    // Codes tried after the first measurement.
    int maxSteps = 6;
    bool save = false;
};

struct CrystalResult {
    int code = 0;        // the proven code, or the closest one reached
    ToneReading reading; // measured at that code
    int measurements = 0;
    bool reached = false;
    bool saved = false;
};

using CrystalTrialSeen = std::function<void(int code, const ToneReading& reading)>;

Failure CalibrateCrystal(CommandContext& ctx, const BenchLink& link, const CrystalOptions& options,
                         const CrystalTrialSeen& seen, CrystalResult& result);

// Stores a proven code in the SDD data and reads it back.
Failure StoreFreqOffset(CommandContext& ctx, int code);

// The rate each SDD rate class is measured at: 11, 54 and 65 Mbit/s.
extern const std::array<int, 3> kPowerClassRateRows;

struct PowerOptions {
    int channel = kInstrumentChannel;
    // Per rate class (11b, 11g/n, 11n MCS7): the stored defaults' powers.
    std::array<double, 3> targetDbm{18.0, 16.0, 14.0};
    double toleranceDb = 0.5;
    int maxSteps = 4; // levels tried per class after its first measurement
    bool save = false;
};

struct PowerClassResult {
    int level = 0;
    double powerDbm = 0;
    int measurements = 0;
    bool reached = false;
};

struct PowerResult {
    std::array<PowerClassResult, 3> classes;
    bool saved = false;
    bool Reached() const;
};

// Stores the three classes' levels in the SDD data and reads them back.
Failure StoreSddPowers(CommandContext& ctx, const PowerResult& result);

using PowerTrialSeen =
    std::function<void(std::size_t powerClass, int level, const PowerReading& reading)>;

Failure CalibratePower(CommandContext& ctx, const BenchLink& link, const PowerOptions& options,
                       const PowerTrialSeen& seen, PowerResult& result);

struct SensitivityOptions {
    int channel = kInstrumentChannel;
    std::vector<int> rateRows;
    std::int64_t frames = 100; // a burst
    double perPercent = 10.0;
    double stepDb = 0.5;
    // The span searched: highDbm is taken to pass, lowDbm to fail.
    double highDbm = -40.0;
    double lowDbm = -100.0;
};

struct SensitivityResult {
    int rateRow = 0;
    std::optional<double> levelDbm; // none: not even highDbm passed
    int points = 0;
};

using SensitivityPointSeen = std::function<void(double levelDbm, const RxPoint& point)>;

Failure MeasureSensitivity(CommandContext& ctx, const BenchLink& link,
                           const SensitivityOptions& options, const SensitivityPointSeen& seen,
                           std::vector<SensitivityResult>& results);

} // namespace kel::rftest
