// SPDX-License-Identifier: GPL-3.0-or-later
// The plan reader on arbitrary text: it never fails but with errors it can
// place in the text, and a plan it accepts holds only what a run can send as
// it stands (the console's ranges, the rate table, limits the right way round).

#include "fuzz/FuzzCheck.h"
#include "plan/PlanReader.h"
#include "protocol/ChipModels.h"
#include "rftest/RangeChecks.h"
#include "rftest/RfTables.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::fuzz {
namespace {

bool Ordered(const rftest::Limit& limit) {
    if (limit.low && limit.high && *limit.low > *limit.high)
        return false;
    return !(limit.marginalHigh && limit.high && *limit.marginalHigh > *limit.high);
}

bool KnownRate(int row) {
    return row >= 0 && row < static_cast<int>(rftest::kRates.size());
}

void CheckStep(const plan::Step& step, int modelRow) {
    using plan::StepKind;
    Require(step.retries >= 0 && step.retries <= 100, "retries 0 to 100");
    Require(step.retries == 0 || step.Judged(), "only a judged step is retried");
    Require(Ordered(step.limit), "a limit's bounds the right way round");
    for (const rftest::Limit& limit : step.classLimits)
        Require(Ordered(limit), "a class's bounds the right way round");
    const rftest::TestSettings& settings = step.settings;
    Require(!settings.channel || rftest::IsChannel(*settings.channel), "a channel 1 to 14");
    Require(!settings.rateRow || KnownRate(*settings.rateRow), "a rate of the table");
    Require(!settings.power || rftest::IsPowerLevel(*settings.power), "a power level in range");
    const bool timed = step.kind == StepKind::Rx || step.kind == StepKind::RxSweep ||
                       step.kind == StepKind::Tx || step.kind == StepKind::Tone;
    Require(!timed || step.duration.count() > 0, "a timed step runs for some time");
    Require(!step.sent || *step.sent >= 1, "a tester sends something");
    if (step.kind == StepKind::RxSweep) {
        Require(!step.channels.empty() && !step.rateRows.empty() && step.sent,
                "a sweep has points and a sent count");
        Require(std::all_of(step.channels.begin(), step.channels.end(),
                            [](int channel) { return rftest::IsChannel(channel); }) &&
                    std::all_of(step.rateRows.begin(), step.rateRows.end(), KnownRate),
                "a sweep's points are channels and rates of the tables");
    }
    if (step.kind == StepKind::FreqOffset && step.offsetAction != plan::OffsetAction::Get)
        Require(rftest::IsFreqOffset(step.offset), "an offset set is 0 to 127");
    if (step.sddPowers) {
        for (const std::string& level : *step.sddPowers)
            Require(rftest::IsSddPower(level), "a stored level is 0 to 120");
    }
    Require(rftest::IsTxLength(step.txLength), "a TX length 0 to 4095");
    Require(step.kind != StepKind::Send || !step.text.empty(), "a command to send");
    Require(step.kind != StepKind::SddExport || ChipModelHas(modelRow, &ChipModel::hasSdd),
            "an export only from a model with an SDD file");
}

void Check(std::string_view text) {
    const plan::PlanReading reading = plan::ReadPlan(text, "fuzz.toml");
    Require(reading.plan.has_value() == reading.errors.empty(), "a plan, or errors, never both");
    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const plan::PlanError& error : reading.errors) {
        Require(!error.message.empty(), "every error says something");
        Require(error.line >= 0 && error.line <= lines, "an error within the text");
    }
    if (!reading.plan)
        return;
    const plan::Plan& plan = *reading.plan;
    Require(ChipModelAt(plan.chipModelRow) != nullptr, "a chip model");
    Require(!plan.name.empty() && plan.baud > 0, "a name and a baud rate");
    Require(!plan.steps.empty(), "at least one step");
    for (const plan::Step& step : plan.steps)
        CheckStep(step, plan.chipModelRow);
}

} // namespace
} // namespace kel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kel::fuzz::Check(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
