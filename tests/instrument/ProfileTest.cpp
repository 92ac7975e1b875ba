// SPDX-License-Identifier: GPL-3.0-or-later
// Instrument profiles: the shipped ones pass the checker, and a wrong one
// gets every error at once with the place it is at.

#include "instrument/ProfileReader.h"

#include <gtest/gtest.h>

namespace kel::test {
namespace {

using namespace kel::instrument;

TEST(InstrumentProfile, ShippedProfilesAreCompleteAndFillTheirPlaceholders) {
    for (const char* name : {"scpi", "virtual-bench"}) {
        std::vector<ProfileError> errors;
        const auto profile =
            ReadProfile(std::string(KEL_SOURCE) + "/instruments/" + name + ".toml", errors);
        ASSERT_TRUE(profile) << (errors.empty() ? "" : errors[0].Text());
        EXPECT_EQ(profile->name, name);
        for (const ActionForm& form : kActions)
            EXPECT_TRUE(profile->Has(form.action)) << name << " " << ActionName(form.action);
    }
    std::vector<ProfileError> errors;
    const auto scpi = ReadProfile(std::string(KEL_SOURCE) + "/instruments/scpi.toml", errors);
    ASSERT_TRUE(scpi);
    EXPECT_EQ(Expand(*scpi, Action::Route, "3"), std::vector<std::string>{"ROUTe:CLOSe (@3)"});
    EXPECT_EQ(Expand(*scpi, Action::GeneratorLevel, FormatDbm(-72.5)),
              std::vector<std::string>{"SOURce:POWer:LEVel -72.50"});
    EXPECT_EQ(Expand(*scpi, Action::GeneratorFrequency, FormatHz(2412e6)),
              std::vector<std::string>{"SOURce:FREQuency 2412000000"});
}

TEST(InstrumentProfile, EveryErrorIsReportedAtItsLineAndColumn) {
    const std::string text = "timeout_ms = 0\n"                   // 1
                             "colour = \"red\"\n"                 // 2
                             "[counter]\n"                        // 3
                             "measure = \"MEAS:FREQ? {dbm}\"\n"   // 4
                             "[power_meter]\n"                    // 5
                             "measure = [\"SENS:FREQ {hz}\"]\n"   // 6
                             "[generator]\n"                      // 7
                             "frequency = \"FREQ {hz}\"\n"        // 8
                             "[switch]\n"                         // 9
                             "route = \"ROUT:CLOS (@{route})\"\n" // 10
                             "open = \"ROUT:OPEN\"\n";            // 11
    std::vector<ProfileError> errors;
    EXPECT_FALSE(ParseProfile(text, "bad.toml", errors));
    std::vector<std::string> texts;
    for (const ProfileError& error : errors)
        texts.push_back(error.Text());
    const std::vector<std::string> expected{
        "bad.toml:1:14: timeout_ms: expected a whole number of milliseconds from 1 to 600000",
        "bad.toml:2:10: unknown key colour (a profile takes name, description, terminator, "
        "timeout_ms, settle_ms and the tables [counter] [generator] [power_meter] [switch])",
        "bad.toml:4:23: counter.measure: {dbm} is not a placeholder here (it takes {hz})",
        "bad.toml:6:12: power_meter.measure: the last line must be a query (ending in ?)",
        "bad.toml:7:1: [generator] lacks level",
        "bad.toml:7:1: [generator] lacks output_on",
        "bad.toml:7:1: [generator] lacks output_off",
        "bad.toml:7:1: [generator] lacks burst",
        "bad.toml:11:8: [switch] has no key open (it takes route)",
    };
    EXPECT_EQ(texts, expected);
}

TEST(InstrumentProfile, AUseNamesTheActionsItNeedsThatTheProfileLacks) {
    std::vector<ProfileError> errors;
    const auto counterOnly =
        ParseProfile("[counter]\nmeasure = \"FETC?\"\n", "counter.toml", errors);
    ASSERT_TRUE(counterOnly);
    const Action needed[] = {Action::MeasureFrequency, Action::MeasurePower};
    const auto missing = MissingActions(*counterOnly, needed, "tx-power");
    ASSERT_EQ(missing.size(), 1u);
    EXPECT_EQ(missing[0].Text(),
              "counter.toml:1:1: tx-power needs power_meter.measure, which the profile lacks");
    EXPECT_FALSE(ParseProfile("name = \"empty\"\n", "empty.toml", errors));
}

} // namespace
} // namespace kel::test
