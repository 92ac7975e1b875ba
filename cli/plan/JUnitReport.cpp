// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/JUnitReport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>

namespace kel::cli {

namespace {

// Seconds to the millisecond, as JUnit readers show them.
std::string Time(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

void Property(pugi::xml_node properties, const char* name, const std::string& value) {
    if (value.empty())
        return;
    pugi::xml_node property = properties.append_child("property");
    property.append_attribute("name") = name;
    property.append_attribute("value") = value.c_str();
}

// Counted as JUnit counts: tests, failures, errors, skipped, time.
struct Counts {
    std::size_t tests = 0, failures = 0, errors = 0, skipped = 0;
    double seconds = 0;

    void Add(const PlanCase& c) {
        ++tests;
        failures += c.kind == PlanCase::Kind::Failed ? 1 : 0;
        errors += c.kind == PlanCase::Kind::Errored ? 1 : 0;
        skipped += c.kind == PlanCase::Kind::Skipped ? 1 : 0;
        seconds += c.seconds;
    }
    void Add(const Counts& other) {
        tests += other.tests, failures += other.failures, errors += other.errors;
        skipped += other.skipped, seconds += other.seconds;
    }
    void Put(pugi::xml_node node) const {
        node.append_attribute("tests") = static_cast<unsigned long long>(tests);
        node.append_attribute("failures") = static_cast<unsigned long long>(failures);
        node.append_attribute("errors") = static_cast<unsigned long long>(errors);
        node.append_attribute("skipped") = static_cast<unsigned long long>(skipped);
        node.append_attribute("time") = Time(seconds).c_str();
    }
};

// The unit a measured point's value is in, for a dashboard's axis.
std::string Unit(const rftest::Measurement& m) {
    return m.kind == rftest::MeasurementKind::Rx ? "%" : "";
}

std::string Number(const std::optional<double>& value) {
    if (!value)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%g", *value);
    return text;
}

void CaseProperties(pugi::xml_node testcase, const PlanCase& c) {
    if (!c.measurement)
        return;
    const rftest::Measurement& m = *c.measurement;
    pugi::xml_node properties = testcase.append_child("properties");
    const bool rx = m.kind == rftest::MeasurementKind::Rx;
    Property(properties, "value", rx ? Number(m.perPercent) : Number(m.value));
    Property(properties, "limit_low", Number(m.limitLow));
    Property(properties, "limit_high", Number(m.limitHigh));
    Property(properties, "unit", Unit(m));
    Property(properties, "attempts", std::to_string(c.attempts));
}

void Case(pugi::xml_node suite, const std::string& classname, const PlanCase& c) {
    pugi::xml_node testcase = suite.append_child("testcase");
    testcase.append_attribute("name") = c.name.c_str();
    // The board: a dashboard tells boards apart by it.
    testcase.append_attribute("classname") = classname.c_str();
    testcase.append_attribute("time") = Time(c.seconds).c_str();
    CaseProperties(testcase, c);
    const char* element = c.kind == PlanCase::Kind::Failed    ? "failure"
                           : c.kind == PlanCase::Kind::Errored ? "error"
                           : c.kind == PlanCase::Kind::Skipped ? "skipped"
                                                               : nullptr;
    if (element == nullptr)
        return;
    pugi::xml_node outcome = testcase.append_child(element);
    outcome.append_attribute("message") = c.message.c_str();
    if (c.kind != PlanCase::Kind::Skipped)
        outcome.append_attribute("type") = c.kind == PlanCase::Kind::Failed ? "limit" : "board";
}

// Each step's cases as any board measured them, in order: a board that did
// not get that far lists them as skipped, so every board has the same cases.
// A step no board measured is one case named after it.
using StepCases = std::vector<std::vector<std::string>>;

StepCases ExpectedCases(const plan::Plan& plan, const std::vector<BoardRow>& rows) {
    StepCases expected(plan.steps.size());
    for (const BoardRow& row : rows) {
        for (const PlanCase& c : row.cases) {
            if (c.step >= expected.size() || c.kind == PlanCase::Kind::Errored)
                continue;
            std::vector<std::string>& names = expected[c.step];
            if (std::find(names.begin(), names.end(), c.name) == names.end())
                names.push_back(c.name);
        }
    }
    for (std::size_t step = 0; step < expected.size(); ++step) {
        if (expected[step].empty())
            expected[step].emplace_back(plan::StepKindName(plan.steps[step].kind));
    }
    return expected;
}

// The board's cases, its handshake first, then step by step with what it
// did not measure as skipped.
std::vector<PlanCase> BoardCases(const BoardRow& row, const StepCases& expected) {
    std::vector<PlanCase> cases;
    for (const PlanCase& c : row.cases) {
        if (c.step == PlanCase::kHandshake)
            cases.push_back(c);
    }
    const std::string why =
        "not run" + (row.outcome.error.empty() ? std::string() : ": " + row.outcome.error);
    for (std::size_t step = 0; step < expected.size(); ++step) {
        std::vector<std::string> had;
        for (const PlanCase& c : row.cases) {
            if (c.step == step && c.kind != PlanCase::Kind::Skipped) {
                cases.push_back(c);
                had.push_back(c.name);
            }
        }
        for (const std::string& name : expected[step]) {
            if (std::find(had.begin(), had.end(), name) == had.end())
                cases.push_back({step, name, PlanCase::Kind::Skipped, why, 0, std::nullopt, 1});
        }
    }
    return cases;
}

bool Save(const pugi::xml_document& document, const std::string& path, std::string& why) {
    errno = 0;
    if (document.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
        return true;
    why = "cannot write the JUnit file " + path + ": " +
          (errno ? std::strerror(errno) : "unknown error");
    return false;
}

pugi::xml_node Suites(pugi::xml_document& document, const std::string& name) {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node suites = document.append_child("testsuites");
    suites.append_attribute("name") = name.c_str();
    return suites;
}

} // namespace

bool WriteJUnit(const std::string& path, const plan::Plan& plan, const std::vector<BoardRow>& rows,
                const JUnitFacts& facts, std::string& why) {
    pugi::xml_document document;
    pugi::xml_node suites = Suites(document, plan.name);
    const StepCases expected = ExpectedCases(plan, rows);
    Counts all;
    for (const BoardRow& row : rows) {
        pugi::xml_node suite = suites.append_child("testsuite");
        suite.append_attribute("name") = row.Name().c_str();
        const std::vector<PlanCase> cases = BoardCases(row, expected);
        Counts counts;
        for (const PlanCase& c : cases)
            counts.Add(c);
        // The board's whole time, its retries and waits included.
        if (row.finished)
            counts.seconds = row.outcome.took.count();
        counts.Put(suite);
        all.Add(counts);
        suite.append_attribute("timestamp") = facts.timestamp.c_str();
        suite.append_attribute("hostname") = facts.station.c_str();
        pugi::xml_node properties = suite.append_child("properties");
        Property(properties, "station", facts.station);
        Property(properties, "plan", plan.name);
        Property(properties, "plan_version", plan.version);
        Property(properties, "port", row.identity.port);
        if (!row.identity.slot.empty())
            Property(properties, "slot", row.identity.slot);
        Property(properties, "tool_version", facts.toolVersion);
        Property(properties, "board_mac", row.mac);
        Property(properties, "dut", row.identity.dut);
        Property(properties, "verdict", std::string(plan::BoardVerdictName(row.outcome.verdict)));
        const std::string classname =
            row.identity.dut.empty() ? row.identity.port : row.identity.dut;
        for (const PlanCase& c : cases)
            Case(suite, classname, c);
    }
    all.Put(suites);
    return Save(document, path, why);
}

bool WriteJUnitRefusal(const std::string& path, const std::string& suiteName,
                       const std::string& message, const JUnitFacts& facts, std::string& why) {
    pugi::xml_document document;
    pugi::xml_node suites = Suites(document, suiteName);
    pugi::xml_node suite = suites.append_child("testsuite");
    suite.append_attribute("name") = suiteName.c_str();
    Counts counts;
    const PlanCase refused{0, "plan run", PlanCase::Kind::Errored, message, 0, std::nullopt, 1};
    counts.Add(refused);
    counts.Put(suite);
    counts.Put(suites);
    suite.append_attribute("timestamp") = facts.timestamp.c_str();
    suite.append_attribute("hostname") = facts.station.c_str();
    Case(suite, "kel-rftest", refused);
    return Save(document, path, why);
}

} // namespace kel::cli
