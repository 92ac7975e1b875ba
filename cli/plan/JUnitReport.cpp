// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan/JUnitReport.h"

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

void Case(pugi::xml_node suite, const plan::Plan& plan, const PlanCase& c) {
    pugi::xml_node testcase = suite.append_child("testcase");
    testcase.append_attribute("name") = c.name.c_str();
    // "line test.2 rx-sweep": the plan, then the step, as CI groups cases.
    const std::string step = std::to_string(c.step + 1) + " " +
                             std::string(plan::StepKindName(plan.steps[c.step].kind));
    testcase.append_attribute("classname") = (plan.name + "." + step).c_str();
    testcase.append_attribute("time") = Time(c.seconds).c_str();
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

} // namespace

bool WriteJUnit(const std::string& path, const plan::Plan& plan,
                const std::vector<BoardRow>& rows, const JUnitFacts& facts, std::string& why) {
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node suites = document.append_child("testsuites");
    suites.append_attribute("name") = plan.name.c_str();
    Counts all;
    for (const BoardRow& row : rows) {
        pugi::xml_node suite = suites.append_child("testsuite");
        suite.append_attribute("name") = row.Name().c_str();
        Counts counts;
        for (const PlanCase& c : row.cases)
            counts.Add(c);
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
        for (const PlanCase& c : row.cases)
            Case(suite, plan, c);
    }
    all.Put(suites);
    errno = 0;
    if (!document.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8)) {
        why = "cannot write the JUnit file " + path + ": " +
              (errno ? std::strerror(errno) : "unknown error");
        return false;
    }
    return true;
}

} // namespace kel::cli
