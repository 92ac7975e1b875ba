// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/CalibrationReader.h"

#include "plan/StepReader.h"
#include "rftest/PointLists.h"
#include "rftest/ValueChecks.h"
#include "rftest/calibration/CalibrationValues.h"

namespace kel::plan {

namespace {

using rftest::ValueError;

// A number within [low, high] into value; an absent key keeps the default.
void Decimal(KeyReader& keys, std::string_view key, double low, double high, double& value) {
    const std::optional<double> number = keys.Number(key);
    if (!number)
        return;
    try {
        value =
            rftest::DecimalIn(std::string(key).c_str(), rftest::DecimalText(*number), low, high);
    } catch (const ValueError& error) {
        keys.Error(key, error.message);
    }
}

void Channel(KeyReader& keys, int& channel) {
    if (const auto value = WholeIn(keys, "channel", 1, 14))
        channel = int(*value);
}

void Steps(KeyReader& keys, int& maxSteps, int high) {
    if (const auto value = WholeIn(keys, "max_steps", 1, high))
        maxSteps = int(*value);
}

void ReadCrystal(KeyReader& keys, rftest::CrystalOptions& options) {
    Channel(keys, options.channel);
    Decimal(keys, "tolerance_ppm", 0.01, 100, options.tolerancePpm);
    Steps(keys, options.maxSteps, 127);
    options.save = keys.Flag("save").value_or(false);
}

void ReadPower(KeyReader& keys, rftest::PowerOptions& options) {
    Channel(keys, options.channel);
    if (const toml::node* node = keys.Node("target_dbm")) {
        std::string text;
        if (const toml::array* items = node->as_array()) {
            for (std::size_t i = 0; i < items->size(); ++i) {
                const auto value = items->get(i)->value<double>();
                text += (i ? "," : "") + (value ? rftest::DecimalText(*value) : "?");
            }
        } else if (const auto value = node->value<double>()) {
            text = rftest::DecimalText(*value);
        }
        try {
            options.targetDbm = rftest::ClassTargets("target_dbm", text);
        } catch (const ValueError& error) {
            keys.Error("target_dbm", error.message);
        }
    }
    Decimal(keys, "tolerance_db", 0.01, 10, options.toleranceDb);
    Steps(keys, options.maxSteps, 120);
    options.save = keys.Flag("save").value_or(false);
}

void ReadSensitivity(KeyReader& keys, Step& step) {
    rftest::SensitivityOptions& options = step.sensitivity;
    Channel(keys, options.channel);
    options.rateRows = {rftest::RateRowAt(54.0f)};
    if (const toml::node* rates = keys.Node("rates")) {
        std::string text;
        if (const toml::array* items = rates->as_array()) {
            for (std::size_t i = 0; i < items->size(); ++i)
                text += (i ? "," : "") + rftest::DecimalText(items->get(i)->value_or(-1.0));
        } else {
            text = rates->value_or(std::string());
        }
        std::string why;
        if (const auto rows = rftest::ParseRateList(text, why))
            options.rateRows = *rows;
        else
            keys.Error("rates", "rates: " + why);
    }
    if (const auto frames = WholeIn(keys, "frames", 1, 1000000))
        options.frames = *frames;
    Decimal(keys, "per_percent", 0, 100, options.perPercent);
    Decimal(keys, "step_db", 0.01, 20, options.stepDb);
    Decimal(keys, "high_dbm", -140, 20, options.highDbm);
    Decimal(keys, "low_dbm", -140, 20, options.lowDbm);
    if (options.lowDbm >= options.highDbm)
        keys.Error("low_dbm", "low_dbm must be below high_dbm");
    double maxDbm = 0;
    if (keys.Has("max_dbm")) {
        Decimal(keys, "max_dbm", -140, 20, maxDbm);
        step.limit.high = maxDbm;
    }
}

} // namespace

void ReadCalibrationKeys(KeyReader& keys, Step& step) {
    switch (step.kind) {
    case StepKind::CalibrateFreq:
        return ReadCrystal(keys, step.crystal);
    case StepKind::CalibratePower:
        return ReadPower(keys, step.powerCalibration);
    case StepKind::Sensitivity:
        return ReadSensitivity(keys, step);
    default:
        return;
    }
}

} // namespace kel::plan
