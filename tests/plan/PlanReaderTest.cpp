// SPDX-License-Identifier: GPL-3.0-or-later
// Plan files read and checked without a board: what a good plan holds, and
// every kind of mistake told with its file, line and column.

#include "plan/PlanReader.h"

#include "tests/support/PlanTexts.h"

#include <gtest/gtest.h>

namespace kel::plan {
namespace {

std::vector<std::string> ErrorTexts(const PlanReading& reading) {
    std::vector<std::string> texts;
    for (const PlanError& error : reading.errors)
        texts.push_back(error.Text());
    return texts;
}

TEST(PlanReader, AGoodPlanHoldsEveryStepAsChecked) {
    const PlanReading reading = ReadPlan(R"(name = "QB202 line test"
version = 3
model = "qb202"
baud = 921600

)" + std::string(test::kOffsetThenSweep) +
                                             R"(channels = "1,6,11"
rates = [1, 5.5, 54]
seconds = 0.5
sent = 50
max_per = 8.0
marginal_per = 6
retries = 2

[[step]]
do = "tx"
channel = 7
rate = 65
power = -16
seconds = 5
shared = "analyser"

[[step]]
do = "send"
text = "kel get_mac"
expect = "source"
)",
                                         "line.toml");
    ASSERT_TRUE(reading.plan) << ::testing::PrintToString(ErrorTexts(reading));
    const Plan& plan = *reading.plan;
    EXPECT_EQ(plan.name, "QB202 line test");
    EXPECT_EQ(plan.version, "3");
    EXPECT_STREQ(plan.ModelName(), "QB202");
    EXPECT_EQ(plan.baud, 921600u);
    ASSERT_EQ(plan.steps.size(), 4u);

    const Step& offset = plan.steps[0];
    EXPECT_EQ(offset.kind, StepKind::FreqOffset);
    EXPECT_EQ(offset.offsetAction, OffsetAction::Get);
    EXPECT_EQ(offset.limit.low, 20.0);
    EXPECT_EQ(offset.limit.high, 80.0);

    const Step& sweep = plan.steps[1];
    EXPECT_EQ(sweep.line, 10);
    EXPECT_EQ(sweep.channels, (std::vector<int>{1, 6, 11}));
    EXPECT_EQ(sweep.rateRows, (std::vector<int>{rftest::RateRowAt(1.0f), rftest::RateRowAt(5.5f),
                                                rftest::RateRowAt(54.0f)}));
    EXPECT_EQ(sweep.duration, std::chrono::milliseconds(500));
    EXPECT_EQ(sweep.sent, 50);
    EXPECT_EQ(sweep.limit.high, 8.0);
    EXPECT_EQ(sweep.limit.marginalHigh, 6.0);
    EXPECT_EQ(sweep.retries, 2);
    EXPECT_EQ(sweep.Points(), 9u);

    const Step& tx = plan.steps[2];
    EXPECT_EQ(tx.settings.channel, 7);
    EXPECT_EQ(tx.settings.rateRow, rftest::RateRowAt(65.0f));
    EXPECT_EQ(tx.settings.power, "-16");
    EXPECT_EQ(tx.shared, "analyser");
    EXPECT_EQ(tx.txCount, "0");
    EXPECT_FALSE(tx.Judged());

    EXPECT_EQ(plan.steps[3].expect, "source");
    EXPECT_EQ(plan.SharedResources(), std::vector<std::string>{"analyser"});
}

TEST(PlanReader, EveryMistakeIsToldWithItsPositionAndWhatWasExpected) {
    const PlanReading reading = ReadPlan(R"(name = "bad"
model = "QB201"
colour = "red"

[[step]]
do = "rx"
channel = 15
seconds = "2"
max_per = 8

[[step]]
do = "tx"
power = 121
seconds = 1
retries = 1

[[step]]
do = "sdd-export"

[[step]]
do = "rx-sweep"
chanels = "1"
rates = "1,7"
seconds = 1
sent = 100

[[step]]
do = "warp"
)",
                                         "bad.toml");
    EXPECT_FALSE(reading.plan);
    EXPECT_EQ(
        ErrorTexts(reading),
        (std::vector<std::string>{
            "bad.toml:3:1: unknown key \"colour\"; expected one of: name, version, model, baud, "
            "dut, step, instrument",
            "bad.toml:7:11: step 1 (rx): channel must be 1 to 14",
            "bad.toml:8:11: step 1 (rx): seconds: expected a number, found text",
            "bad.toml:9:11: step 1 (rx): max_per needs sent (the packets the tester sends)",
            "bad.toml:13:9: step 2 (tx): power: Invalid power value, should be -118 to 120!",
            "bad.toml:15:11: step 2 (tx): retries: this step judges nothing, so nothing is "
            "measured again",
            "bad.toml:18:6: step 3 (sdd-export): QB201 has no SDD file (QB202 and QB101 have)",
            "bad.toml:20:1: step 4 (rx-sweep): channels is missing (a list such as \"1,6,11\" or "
            "[1, 6, 11])",
            "bad.toml:21:6: step 4 (rx-sweep): QB201 has no RX packet error rate (QB202 and "
            "QB101 have)",
            "bad.toml:22:1: step 4 (rx-sweep): unknown key \"chanels\"; expected one of: do, "
            "channels, rates, seconds, sent, max_per, marginal_per, retries, shared",
            "bad.toml:23:9: step 4 (rx-sweep): rates: \"7\" is not a rate of the rate list or a "
            "range of them",
            "bad.toml:28:6: step 5: do = \"warp\" is not a step: freq-offset, sdd-power, power, "
            "rx, rx-sweep, tx, tone, supply, sdd-export, mac, send, tone-freq, tx-power, "
            "calibrate-freq, calibrate-power, sensitivity or prompt",
        }));

    const PlanReading broken = ReadPlan("name = \"x\"\nmodel = \"QB202\n", "broken.toml");
    ASSERT_EQ(broken.errors.size(), 1u);
    EXPECT_EQ(broken.errors[0].line, 2);
    EXPECT_EQ(broken.errors[0].Text().rfind("broken.toml:2:", 0), 0u) << broken.errors[0].Text();
}

TEST(PlanReader, RefusalsNameTheKeyAndWhatToWrite) {
    const PlanReading sent = ReadPlan(R"(name = "x"
model = "QB201"
[[step]]
do = "rx"
seconds = 1
sent = 100
)",
                                      "sent.toml");
    ASSERT_EQ(ErrorTexts(sent).size(), 1u);
    EXPECT_TRUE(ErrorTexts(sent)[0].starts_with(
        "sent.toml:6:8: step 1 (rx): sent: QB201 has no RX packet error rate"))
        << ErrorTexts(sent)[0];
    EXPECT_NE(ErrorTexts(sent)[0].find("remove sent"), std::string::npos);

    const PlanReading dcdc = ReadPlan(R"(name = "x"
model = "QB202"
[[step]]
do = "supply"
mode = "dcdc"
)",
                                      "dcdc.toml");
    ASSERT_EQ(ErrorTexts(dcdc).size(), 1u);
    EXPECT_TRUE(ErrorTexts(dcdc)[0].starts_with(
        "dcdc.toml:5:8: step 1 (supply): mode = \"dcdc\" needs yes = true"))
        << ErrorTexts(dcdc)[0];
}

TEST(PlanReader, AStationPlanNamesItsBoardsBySerialAndPromptsTheOperator) {
    const PlanReading reading =
        ReadPlan(test::QB202Plan("line", test::kSerialsThenShieldBox), "station.toml");
    ASSERT_TRUE(reading.plan) << ::testing::PrintToString(ErrorTexts(reading));
    const Plan& plan = *reading.plan;
    ASSERT_EQ(plan.steps.size(), 1u);
    EXPECT_EQ(plan.steps[0].kind, StepKind::Prompt);
    EXPECT_EQ(plan.steps[0].text, "Close the shield box");
    EXPECT_TRUE(plan.steps[0].confirm);
    EXPECT_EQ(plan.dut.Refusal("SN-000123"), "");
    EXPECT_EQ(plan.dut.Refusal("SN-12"), "SN-12 does not match ^SN-[0-9]{6}$");
    EXPECT_EQ(plan.dut.Refusal(""), "the plan needs each board's serial number");

    const PlanReading bad = ReadPlan(R"(name = "line"
model = "QB202"
[dut]
pattern = "^SN-[0-9"
serial = 1
[[step]]
do = "prompt"
shared = "box"
)",
                                     "bad.toml");
    const std::vector<std::string> errors = ErrorTexts(bad);
    ASSERT_EQ(errors.size(), 4u) << ::testing::PrintToString(errors);
    EXPECT_EQ(errors[0].rfind("bad.toml:4:11: dut: pattern: not a regular expression (", 0), 0u);
    EXPECT_EQ(errors[1], "bad.toml:5:1: dut: unknown key \"serial\"; expected one of: required, "
                         "pattern");
    EXPECT_EQ(errors[2], "bad.toml:6:1: step 1 (prompt): text is missing (text)");
    EXPECT_EQ(errors[3], "bad.toml:8:10: step 1 (prompt): shared: a prompt waits for the "
                         "operator, not for a resource");
}

TEST(PlanReader, AHostilePatternOrSerialCannotHangTheStation) {
    // Too long a pattern is refused where it stands.
    const std::string longPattern(DutRule::kMaxPattern + 1, 'a');
    const PlanReading tooLong = ReadPlan("name = \"line\"\nmodel = \"QB202\"\n[dut]\npattern = \"" +
                                             longPattern + "\"\n[[step]]\ndo = \"freq-offset\"\n",
                                         "long.toml");
    ASSERT_EQ(ErrorTexts(tooLong).size(), 1u);
    EXPECT_EQ(ErrorTexts(tooLong)[0], "long.toml:4:11: dut: pattern: longer than 200 characters");

    // A pattern that backtracks exponentially answers at once, a
    // back-reference is refused, and so is too long a serial.
    DutRule rule;
    rule.pattern = "(a+)+$";
    EXPECT_EQ(rule.PatternProblem(), "");
    const std::string code = std::string(40, 'a') + "!";
    EXPECT_EQ(rule.Refusal(code), code + " does not match (a+)+$");
    EXPECT_EQ(rule.Refusal(std::string(DutRule::kMaxSerial + 1, 'a')),
              "a serial number is at most 64 characters");
    rule.pattern = "(a)\\1";
    EXPECT_EQ(rule.PatternProblem().rfind("too complex to check safely (", 0), 0u)
        << rule.PatternProblem();
}

} // namespace
} // namespace kel::plan
