// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/CalibrationReader.h"

#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
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

std::vector<instrument::Action> NeededActions(StepKind kind) {
    using instrument::Action;
    switch (kind) {
    case StepKind::CalibrateFreq:
        return {Action::MeasureFrequency};
    case StepKind::CalibratePower:
        return {Action::MeasurePower};
    case StepKind::Sensitivity:
        return {Action::GeneratorFrequency, Action::GeneratorLevel, Action::OutputOn,
                Action::OutputOff, Action::Burst};
    default:
        return {};
    }
}

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

void ReadInstrumentTable(KeyReader& top, Plan& plan) {
    const toml::node* node = top.Node("instrument");
    if (node == nullptr)
        return;
    const toml::table* table = node->as_table();
    if (table == nullptr) {
        top.Error("instrument", "instrument: expected a table [instrument] with url = ...");
        return;
    }
    KeyReader keys(*table, "instrument", top.Errors());
    PlanInstrument instrument;
    instrument.line = keys.Line();
    instrument.url = keys.Text("url", true).value_or("");
    std::string why;
    if (!instrument.url.empty() && instrument.url != "virtual" &&
        !instrument::ParseInstrumentUrl(instrument.url, why))
        keys.Error("url", "url: " + why);
    instrument.profile = keys.Text("profile").value_or(instrument::kDefaultProfile);
    if (const toml::node* routes = keys.Node("routes")) {
        const toml::array* items = routes->as_array();
        for (std::size_t i = 0; items != nullptr && i < items->size(); ++i) {
            const auto route = items->get(i)->value<std::int64_t>();
            if (!route || *route < 1 || *route > 9999) {
                items = nullptr;
                break;
            }
            instrument.routes.push_back(int(*route));
        }
        if (items == nullptr)
            keys.Error("routes", "routes: expected the switch's slots 1 to 9999, one per board, "
                                 "such as [1, 2, 3, 4]");
    }
    keys.RefuseOtherKeys();
    plan.instrument = std::move(instrument);
}

void CheckCalibrationSteps(const toml::table& root, Plan& plan, ErrorList& errors) {
    std::optional<instrument::Profile> profile;
    bool profileRead = false;
    const toml::array* tables = root["step"].as_array();
    for (std::size_t i = 0; i < plan.steps.size() && tables != nullptr; ++i) {
        const Step& step = plan.steps[i];
        if (!step.Calibrates())
            continue;
        // Steps are read in order, so step i came from table i.
        KeyReader keys(*tables->get(i)->as_table(),
                       "step " + std::to_string(i + 1) + " (" +
                           std::string(StepKindName(step.kind)) + ")",
                       errors);
        if (!plan.instrument) {
            keys.Error("measures with an instrument: the plan needs an [instrument] table");
            continue;
        }
        if (!profileRead) {
            profileRead = true;
            std::vector<instrument::ProfileError> problems;
            profile = instrument::LoadProfile(plan.instrument->profile, problems);
            for (const instrument::ProfileError& problem : problems)
                keys.Error("instrument: " + problem.Text());
        }
        if (!profile)
            continue;
        const std::vector<instrument::Action> needed = NeededActions(step.kind);
        for (const instrument::ProfileError& missing :
             instrument::MissingActions(*profile, needed, StepKindName(step.kind)))
            keys.Error(missing.Text());
    }
}

} // namespace kel::plan
