// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/PlanReader.h"

#include "plan/InstrumentTable.h"
#include "plan/StepReader.h"
#include "plan/TomlKeys.h"
#include "protocol/ChipModels.h"
#include "rftest/ValueChecks.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

namespace kel::plan {

namespace {

std::string ModelNames() {
    std::vector<std::string> names;
    for (const ChipModel& model : kChipModels)
        names.emplace_back(model.name);
    return rftest::Listed(names, " or ");
}

// The chip model as -m takes it: its name in any case.
std::optional<int> ModelRow(const std::string& name) {
    for (std::size_t row = 0; row < kChipModels.size(); ++row) {
        const std::string_view model = kChipModels[row].name;
        if (std::equal(model.begin(), model.end(), name.begin(), name.end(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) ==
                       std::toupper(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(row);
    }
    return std::nullopt;
}

void ReadHeader(KeyReader& top, Plan& plan) {
    if (const auto name = top.Text("name", true)) {
        plan.name = *name;
        if (name->empty())
            top.Error("name", "name must not be empty");
    }
    if (const toml::node* version = top.Node("version")) {
        if (version->is_string())
            plan.version = version->as_string()->get();
        else if (version->is_integer())
            plan.version = std::to_string(version->as_integer()->get());
        else
            top.Error("version", "version: expected text or a whole number, found " +
                                     TypeName(version->type()));
    }
    if (const auto model = top.Text("model", true)) {
        plan.chipModelRow = ModelRow(*model).value_or(-1);
        if (plan.chipModelRow < 0)
            top.Error("model", "model \"" + *model + "\" is not a chip model: " + ModelNames());
    }
    if (const auto baud = WholeIn(top, "baud", 1, std::numeric_limits<std::uint32_t>::max()))
        plan.baud = static_cast<std::uint32_t>(*baud);
}

// [dut]: whether each board needs a serial, and what it looks like.
void ReadDut(KeyReader& top, Plan& plan) {
    const toml::node* node = top.Node("dut");
    if (node == nullptr)
        return;
    if (!node->is_table()) {
        top.Error("dut", "dut: expected a table such as [dut] required = true");
        return;
    }
    KeyReader keys(*node->as_table(), "dut", top.Errors());
    plan.dut.required = keys.Flag("required").value_or(false);
    plan.dut.pattern = keys.Text("pattern").value_or("");
    if (const std::string problem = plan.dut.PatternProblem(); !problem.empty())
        keys.Error("pattern", "pattern: " + problem);
    keys.RefuseOtherKeys();
}

void ReadSteps(KeyReader& top, Plan& plan) {
    const toml::node* steps = top.Node("step");
    if (steps == nullptr) {
        top.Error("no [[step]]: a plan needs at least one step");
        return;
    }
    const toml::array* tables = steps->as_array();
    if (tables == nullptr || tables->empty() || !tables->is_array_of_tables()) {
        top.Error("step", "step: expected [[step]] tables, one per step");
        return;
    }
    for (std::size_t i = 0; i < tables->size(); ++i) {
        KeyReader keys(*tables->get(i)->as_table(), "step " + std::to_string(i + 1), top.Errors());
        if (std::optional<Step> step = ReadStep(keys, plan.chipModelRow))
            plan.steps.push_back(std::move(*step));
    }
}

} // namespace

std::string PlanError::Text() const {
    if (line == 0)
        return file + ": " + message;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

PlanReading ReadPlan(std::string_view text, const std::string& fileName) {
    ErrorList errors(fileName);
    toml::table root;
    try {
        root = toml::parse(text, fileName);
    } catch (const toml::parse_error& error) {
        errors.Add(error.source(), "not valid TOML: " + std::string(error.description()));
        return {std::nullopt, errors.Take()};
    }
    Plan plan;
    plan.file = fileName;
    KeyReader top(root, "", errors);
    ReadHeader(top, plan);
    ReadDut(top, plan);
    ReadSteps(top, plan);
    ReadInstrumentTable(top, plan);
    CheckInstrumentSteps(plan, errors);
    top.RefuseOtherKeys();
    if (errors.Empty())
        return {std::move(plan), {}};
    std::vector<PlanError> found = errors.Take();
    std::stable_sort(found.begin(), found.end(), [](const PlanError& a, const PlanError& b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
    return {std::nullopt, std::move(found)};
}

PlanReading ReadPlanFile(const std::string& path) {
    ErrorList errors(path);
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        errors.AddToFile(std::string("cannot read the plan: ") +
                         (errno ? std::strerror(errno) : "unknown error"));
        return {std::nullopt, errors.Take()};
    }
    std::string text(kMaxPlanBytes + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) {
        errors.AddToFile("cannot read the plan: " + std::string(std::strerror(errno)));
        return {std::nullopt, errors.Take()};
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxPlanBytes) {
        errors.AddToFile("larger than 1 MiB: not a plan file");
        return {std::nullopt, errors.Take()};
    }
    return ReadPlan(text, path);
}

} // namespace kel::plan
