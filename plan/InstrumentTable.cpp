// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/InstrumentTable.h"

#include "instrument/ProfileLookup.h"

#include <filesystem>

namespace kel::plan {

namespace {

constexpr char kVirtualUrl[] = "virtual";
constexpr std::int64_t kMaxRoute = 9999;

// A profile file named relative to the plan is looked for beside it.
std::string ProfileBesidePlan(const std::string& given, const std::string& planFile) {
    const bool file = given.find('/') != std::string::npos || given.ends_with(".toml");
    if (!file || given.starts_with('/'))
        return given;
    return (std::filesystem::path(planFile).parent_path() / given).string();
}

void ReadRoutes(KeyReader& keys, PlanInstrument& bench) {
    const toml::node* node = keys.Node("routes");
    if (node == nullptr)
        return;
    const toml::array* routes = node->as_array();
    for (std::size_t i = 0; routes != nullptr && i < routes->size(); ++i) {
        const auto route = routes->get(i)->value<std::int64_t>();
        if (!routes->get(i)->is_integer() || *route < 1 || *route > kMaxRoute) {
            routes = nullptr;
            break;
        }
        bench.routes.push_back(static_cast<int>(*route));
    }
    if (routes == nullptr || bench.routes.empty())
        keys.Error("routes", "routes: expected each board's route, such as [1, 2, 3, 4] (1 to " +
                                 std::to_string(kMaxRoute) + ")");
}

} // namespace

void ReadInstrumentTable(KeyReader& top, Plan& plan) {
    const toml::node* node = top.Node("instrument");
    if (node == nullptr)
        return;
    if (!node->is_table()) {
        top.Error("instrument", "instrument: expected a table ([instrument] with url, profile, "
                                "routes)");
        return;
    }
    KeyReader keys(*node->as_table(), "instrument", top.Errors());
    PlanInstrument bench;
    if (const auto url = keys.Text("url", true)) {
        bench.virtualBench = *url == kVirtualUrl;
        std::string why;
        const auto parsed = instrument::ParseInstrumentUrl(*url, why);
        if (parsed)
            bench.url = *parsed;
        else if (!bench.virtualBench)
            keys.Error("url", "url: " + why + ", or \"virtual\" for the virtual boards' bench");
    }
    const std::string name = keys.Text("profile").value_or(instrument::kDefaultProfile);
    std::vector<instrument::ProfileError> problems;
    if (auto profile = instrument::LoadProfile(ProfileBesidePlan(name, plan.file), problems))
        bench.profile = std::move(*profile);
    for (const instrument::ProfileError& problem : problems)
        keys.Error(keys.Has("profile") ? "profile" : "url", "profile: " + problem.Text());
    ReadRoutes(keys, bench);
    keys.RefuseOtherKeys();
    plan.instrument = std::move(bench);
}

std::vector<instrument::Action> NeededActions(StepKind kind) {
    using instrument::Action;
    switch (kind) {
    case StepKind::ToneFreq:
    case StepKind::CalibrateFreq:
        return {Action::MeasureFrequency};
    case StepKind::TxPower:
    case StepKind::CalibratePower:
        return {Action::MeasurePower};
    case StepKind::Sensitivity:
        return {Action::GeneratorFrequency, Action::GeneratorLevel, Action::OutputOn,
                Action::OutputOff, Action::Burst};
    default:
        return {};
    }
}

void CheckInstrumentSteps(const Plan& plan, ErrorList& errors) {
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        const Step& step = plan.steps[i];
        const std::vector<instrument::Action> needed = NeededActions(step.kind);
        if (needed.empty())
            continue;
        toml::source_region at;
        at.begin = {static_cast<toml::source_index>(step.line), 1};
        const std::string context =
            "step " + std::to_string(i + 1) + " (" + std::string(StepKindName(step.kind)) + "): ";
        if (!plan.instrument) {
            errors.Add(at, context + "measures with an instrument: the plan needs an [instrument] "
                                     "table with its url");
            continue;
        }
        // A profile that could not be read has had its errors told.
        const instrument::Profile& profile = plan.instrument->profile;
        for (const instrument::Action action : needed) {
            if (!profile.actions.empty() && !profile.Has(action))
                errors.Add(at, context + "the instrument's profile " + profile.name + " has no " +
                                   instrument::ActionName(action));
        }
    }
}

} // namespace kel::plan
