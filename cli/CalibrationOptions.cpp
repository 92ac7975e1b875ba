// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CalibrationOptions.h"

#include "rftest/PointLists.h"
#include "rftest/ValueChecks.h"
#include "rftest/calibration/CalibrationValues.h"

namespace kel::cli {

using rftest::ValueError;

namespace {

// Options not typed keep their defaults.
void Take(double& value, const char* option, const std::string& text, double low, double high) {
    if (!text.empty())
        value = rftest::DecimalIn(option, text, low, high);
}

void Take(int& value, const char* option, const std::string& text, int low, int high) {
    if (!text.empty())
        value = int(rftest::WholeOption(option, text, low, high));
}

} // namespace

void CalibrationOptions::AddSubcommands(const AddSubcommand& add) {
    CLI::App& freq =
        add(Subcommand::CalibrateFreq, "Trim the crystal with the instrument until the tone is "
                                       "within the\ntolerance; --save stores the code");
    Valued(freq, "--tolerance-ppm", tolerancePpm,
           "The frequency error to reach, +-P ppm (default 1)", "P");
    Valued(freq, "--max-steps", maxSteps, "Codes tried after the first measurement (default 6)",
           "N");
    freq.add_flag("--save", save,
                  "Store the proven code in the SDD data (set_sdd_freq_offset) and read it back");

    CLI::App& power =
        add(Subcommand::CalibratePower, "Bring each rate class's TX power to its target with the "
                                        "instrument;\n--save stores the three levels");
    Valued(power, "--target-dbm", targetDbm,
           "The power per rate class 11b,11gn,11n_mcs7, or one for all (default 18,16,14)", "LIST");
    Valued(power, "--tolerance-db", toleranceDb,
           "How close each class must come, +-D dB (default 0.5)", "D");
    Valued(power, "--max-steps", powerSteps,
           "Levels tried per class after its first measurement (default 4)", "N");
    power.add_flag("--save", save,
                   "Store the three levels in the SDD data (set_sdd_power all) and read them back");

    CLI::App& sensitivity =
        add(Subcommand::Sensitivity, "The lowest generator level each rate receives at within "
                                     "its PER");
    Valued(sensitivity, "--rates", rates, "Rates in Mbit/s, e.g. 54 or 1,11,54 (default 54)",
           "LIST");
    Valued(sensitivity, "--frames", frames, "Frames the generator sends per point (default 100)",
           "N");
    Valued(sensitivity, "--per-percent", perPercent, "The PER a level must keep to (default 10)",
           "P");
    Valued(sensitivity, "--step-db", stepDb, "The resolution of the result (default 0.5)", "D");
    Valued(sensitivity, "--high-dbm", highDbm, "The top of the span searched (default -40)", "D");
    Valued(sensitivity, "--low-dbm", lowDbm, "The bottom of the span searched (default -100)", "D");
    Valued(sensitivity, "--max-dbm", maxDbm, "Judge the sensitivity: FAIL above D dBm (exit 4)",
           "D");
}

void CalibrationOptions::Resolve(Invocation& run) const {
    if (run.channel) {
        run.crystal.channel = *run.channel;
        run.powerCalibration.channel = *run.channel;
        run.sensitivity.channel = *run.channel;
    }
    switch (run.subcommand) {
    case Subcommand::CalibrateFreq:
        Take(run.crystal.tolerancePpm, "--tolerance-ppm", tolerancePpm, 0.01, 100);
        Take(run.crystal.maxSteps, "--max-steps", maxSteps, 1, 127);
        run.crystal.save = save;
        break;
    case Subcommand::CalibratePower:
        if (!targetDbm.empty())
            run.powerCalibration.targetDbm = rftest::ClassTargets("--target-dbm", targetDbm);
        Take(run.powerCalibration.toleranceDb, "--tolerance-db", toleranceDb, 0.01, 10);
        Take(run.powerCalibration.maxSteps, "--max-steps", powerSteps, 1, 120);
        run.powerCalibration.save = save;
        break;
    case Subcommand::Sensitivity: {
        std::string why;
        const auto rows = rftest::ParseRateList(rates, why);
        if (!rows)
            throw ValueError{"--rates: " + why};
        run.sensitivity.rateRows = *rows;
        if (!frames.empty())
            run.sensitivity.frames = rftest::WholeOption("--frames", frames, 1, 1000000);
        if (!perPercent.empty())
            run.sensitivity.perPercent = rftest::PercentOption("--per-percent", perPercent);
        Take(run.sensitivity.stepDb, "--step-db", stepDb, 0.01, 20);
        Take(run.sensitivity.highDbm, "--high-dbm", highDbm, -140, 20);
        Take(run.sensitivity.lowDbm, "--low-dbm", lowDbm, -140, 20);
        if (run.sensitivity.lowDbm >= run.sensitivity.highDbm)
            throw ValueError{"--low-dbm must be below --high-dbm"};
        if (!maxDbm.empty())
            run.maxSensitivityDbm = rftest::DecimalIn("--max-dbm", maxDbm, -140, 20);
        break;
    }
    default:
        break;
    }
}

} // namespace kel::cli
