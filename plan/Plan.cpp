// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/Plan.h"

#include "protocol/ChipModels.h"
#include "rftest/NameTable.h"
#include "rftest/ValueChecks.h"

#include <algorithm>
#include <regex>
#include <utility>

namespace kel::plan {

namespace {

using rftest::MeasurementKind;

// A step named after the kind of measurement it records bears the name the
// results store gives that kind, with '-' for '_'; the others have their own.
struct StepNaming {
    StepKind kind;
    std::optional<MeasurementKind> namedAfter;
    std::string_view ownName;
};

constexpr std::array<StepNaming, 17> kStepNaming{{
    {StepKind::FreqOffset, MeasurementKind::FreqOffset, {}},
    {StepKind::SddPower, MeasurementKind::SddPower, {}},
    {StepKind::Power, MeasurementKind::Power, {}},
    {StepKind::Rx, MeasurementKind::Rx, {}},
    {StepKind::RxSweep, std::nullopt, "rx-sweep"},
    {StepKind::Tx, MeasurementKind::Tx, {}},
    {StepKind::Tone, MeasurementKind::Tone, {}},
    {StepKind::Supply, MeasurementKind::Supply, {}},
    {StepKind::SddExport, MeasurementKind::SddExport, {}},
    {StepKind::Mac, MeasurementKind::Mac, {}},
    {StepKind::Send, MeasurementKind::Send, {}},
    {StepKind::ToneFreq, MeasurementKind::ToneFreq, {}},
    {StepKind::TxPower, MeasurementKind::TxPower, {}},
    {StepKind::CalibrateFreq, std::nullopt, "calibrate-freq"},
    {StepKind::CalibratePower, std::nullopt, "calibrate-power"},
    {StepKind::Sensitivity, MeasurementKind::Sensitivity, {}},
    {StepKind::Prompt, std::nullopt, "prompt"},
}};

using StepNames = std::array<std::pair<StepKind, std::string>, kStepNaming.size()>;

const StepNames& Names() {
    static const StepNames names = [] {
        StepNames made;
        std::transform(kStepNaming.begin(), kStepNaming.end(), made.begin(), [](const auto& step) {
            if (!step.namedAfter)
                return std::pair(step.kind, std::string(step.ownName));
            std::string name(rftest::KindName(*step.namedAfter));
            std::replace(name.begin(), name.end(), '_', '-');
            return std::pair(step.kind, std::move(name));
        });
        return made;
    }();
    return names;
}

} // namespace

std::string_view StepKindName(StepKind kind) {
    return rftest::NameIn(Names(), kind);
}

std::optional<StepKind> StepKindNamed(std::string_view name) {
    return rftest::KeyIn<StepKind>(Names(), name);
}

std::string StepKindNames() {
    std::vector<std::string> names;
    for (const auto& [kind, name] : Names())
        names.push_back(name);
    return rftest::Listed(names, " or ");
}

namespace {

// libstdc++'s backtracking matcher recurses per character and may take
// exponential time on a pattern such as (a+)+$; its automaton matcher is
// linear in the input and refuses back-references instead.
#if defined(__GLIBCXX__)
constexpr auto kLinearMatch = std::regex_constants::__polynomial;
#else
constexpr auto kLinearMatch = std::regex_constants::syntax_option_type{};
#endif

std::regex Compiled(const std::string& pattern) {
    if (pattern.size() > DutRule::kMaxPattern)
        throw std::regex_error(std::regex_constants::error_space);
    return std::regex(pattern, std::regex_constants::ECMAScript | kLinearMatch);
}

std::string PatternError(const std::regex_error& error) {
    switch (error.code()) {
    case std::regex_constants::error_space:
    case std::regex_constants::error_complexity:
    case std::regex_constants::error_stack:
        return "too complex to check safely (" + std::string(error.what()) + ")";
    default:
        return "not a regular expression (" + std::string(error.what()) + ")";
    }
}

} // namespace

std::string DutRule::Refusal(const std::string& code) const {
    if (code.empty())
        return required ? "the plan needs each board's serial number" : "";
    if (rftest::HoldsControlCharacter(code))
        return "a serial number is one line of text";
    if (pattern.empty())
        return "";
    if (code.size() > kMaxSerial)
        return "a serial number is at most " + std::to_string(kMaxSerial) + " characters";
    // The checker compiled the pattern already; a plan made in code may not.
    try {
        if (!std::regex_match(code, Compiled(pattern)))
            return code + " does not match " + pattern;
    } catch (const std::regex_error& error) {
        return "the plan's pattern is " + PatternError(error);
    }
    return "";
}

std::string DutRule::PatternProblem() const {
    if (pattern.size() > kMaxPattern)
        return "longer than " + std::to_string(kMaxPattern) + " characters";
    try {
        Compiled(pattern);
    } catch (const std::regex_error& error) {
        return PatternError(error);
    }
    return "";
}

bool Step::Judged() const {
    const auto applies = [](const rftest::Limit& limit) { return limit.Applies(); };
    return limit.Applies() || std::any_of(classLimits.begin(), classLimits.end(), applies) ||
           expect.has_value() || Calibrates();
}

bool Step::Calibrates() const {
    return kind == StepKind::CalibrateFreq || kind == StepKind::CalibratePower ||
           kind == StepKind::Sensitivity;
}

std::size_t Step::Points() const {
    if (kind == StepKind::RxSweep)
        return channels.size() * rateRows.size();
    return kind == StepKind::Prompt ? 0 : 1;
}

std::optional<int> PlanInstrument::RouteOf(std::size_t board) const {
    if (routes.empty())
        return static_cast<int>(board) + 1;
    if (board < routes.size())
        return routes[board];
    return std::nullopt;
}

const char* Plan::ModelName() const {
    const ChipModel* model = ChipModelAt(chipModelRow);
    return model ? model->name : "";
}

std::vector<std::string> Plan::SharedResources() const {
    std::vector<std::string> names;
    for (const Step& step : steps) {
        if (!step.shared.empty() &&
            std::find(names.begin(), names.end(), step.shared) == names.end())
            names.push_back(step.shared);
    }
    return names;
}

} // namespace kel::plan
