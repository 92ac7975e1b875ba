// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/StepReader.h"

#include "plan/CalibrationReader.h"
#include "rftest/Messages.h"
#include "rftest/ModelFeatures.h"
#include "rftest/PointLists.h"
#include "rftest/RangeChecks.h"
#include "rftest/ValueChecks.h"

#include <limits>

namespace kel::plan {

namespace {

using rftest::ValueError;

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// More attempts than this would hide a board that is simply bad.
constexpr std::int64_t kMaxRetries = 100;

// A whole number checked as the console checks what is typed; its text goes
// to the board.
std::optional<std::string> ConsoleValue(KeyReader& keys, std::string_view key, bool required,
                                        bool (*inRange)(std::string_view), const char* refusal) {
    const std::optional<std::int64_t> value = keys.Whole(key, required);
    if (!value)
        return std::nullopt;
    const std::string text = std::to_string(*value);
    if (!inRange(text)) {
        keys.Error(key, std::string(key) + ": " + refusal);
        return std::nullopt;
    }
    return text;
}

std::optional<std::chrono::milliseconds> Seconds(KeyReader& keys, bool required) {
    const std::optional<double> seconds = keys.Number("seconds", required);
    if (!seconds)
        return std::nullopt;
    try {
        return rftest::DurationOption("seconds", rftest::DecimalText(*seconds));
    } catch (const ValueError& error) {
        keys.Error("seconds", error.message);
        return std::nullopt;
    }
}

std::optional<double> Percent(KeyReader& keys, std::string_view key) {
    const std::optional<double> percent = keys.Number(key);
    if (!percent)
        return std::nullopt;
    try {
        return rftest::PercentOption(std::string(key).c_str(), rftest::DecimalText(*percent));
    } catch (const ValueError& error) {
        keys.Error(key, error.message);
        return std::nullopt;
    }
}

std::optional<int> Channel(KeyReader& keys) {
    const std::optional<std::int64_t> channel = keys.Whole("channel");
    if (!channel)
        return std::nullopt;
    if (!rftest::IsChannel(*channel)) {
        keys.Error("channel", "channel must be " + std::to_string(rftest::kFirstChannel) + " to " +
                                  std::to_string(rftest::kLastChannel));
        return std::nullopt;
    }
    return static_cast<int>(*channel);
}

std::string RateList() {
    std::vector<std::string> rates;
    for (const rftest::RateRow& row : rftest::kRates)
        rates.push_back(rftest::DecimalText(row.mbps));
    return rftest::Listed(rates, " or ");
}

std::optional<int> Rate(KeyReader& keys) {
    const std::optional<double> mbps = keys.Number("rate");
    if (!mbps)
        return std::nullopt;
    const std::optional<int> row = rftest::RateRowOf(rftest::DecimalText(*mbps));
    if (!row)
        keys.Error("rate", "rate " + rftest::DecimalText(*mbps) +
                               " is not a rate of the rate list: " + RateList());
    return row;
}

// "1,6,11" or [1, 6, 11] as the list's text; a range only in the text form.
std::optional<std::string> ListText(KeyReader& keys, std::string_view key) {
    const toml::node* node = keys.Node(key);
    if (node == nullptr) {
        keys.Error(std::string(key) + " is missing (a list such as \"1,6,11\" or [1, 6, 11])");
        return std::nullopt;
    }
    if (node->is_string())
        return node->as_string()->get();
    const toml::array* items = node->as_array();
    std::string text;
    for (std::size_t i = 0; items != nullptr && i < items->size(); ++i) {
        const toml::node& item = *items->get(i);
        if (!item.is_number()) {
            items = nullptr;
            break;
        }
        text += (i == 0 ? "" : ",") + (item.is_integer()
                                           ? std::to_string(item.as_integer()->get())
                                           : rftest::DecimalText(item.as_floating_point()->get()));
    }
    if (items == nullptr) {
        keys.Error(key, std::string(key) + ": expected a list such as \"1,6,11\" or [1, 6, 11]");
        return std::nullopt;
    }
    return text;
}

template <typename Parse>
std::vector<int> List(KeyReader& keys, std::string_view key, Parse parse) {
    const std::optional<std::string> text = ListText(keys, key);
    if (!text)
        return {};
    std::string why;
    const std::optional<std::vector<int>> values = parse(*text, why);
    if (!values) {
        keys.Error(key, std::string(key) + ": " + why);
        return {};
    }
    return *values;
}

// low and high bound the value; neither above the other.
rftest::Limit Bounds(KeyReader& keys, std::string_view lowKey, std::string_view highKey) {
    rftest::Limit limit{keys.Number(lowKey), keys.Number(highKey), std::nullopt};
    if (limit.low && limit.high && *limit.low > *limit.high)
        keys.Error(lowKey, std::string(lowKey) + " must not be above " + std::string(highKey) + "");
    return limit;
}

rftest::Limit PerLimit(KeyReader& keys) {
    rftest::Limit limit{std::nullopt, Percent(keys, "max_per"), Percent(keys, "marginal_per")};
    if (keys.Has("marginal_per") && !keys.Has("max_per"))
        keys.Error("marginal_per", "marginal_per needs max_per (above it a point fails)");
    if (limit.marginalHigh && limit.high && *limit.marginalHigh > *limit.high)
        keys.Error("marginal_per", "marginal_per must not be above max_per");
    return limit;
}

// The channel, rate and power set before the test, in that order.
void Settings(KeyReader& keys, Step& step) {
    step.settings.channel = Channel(keys);
    step.settings.rateRow = Rate(keys);
    step.settings.power =
        ConsoleValue(keys, "power", false, rftest::IsPowerLevel, rftest::kInvalidPower);
}

void ReadFreqOffset(KeyReader& keys, Step& step) {
    const auto set =
        ConsoleValue(keys, "set", false, rftest::IsFreqOffset, rftest::kInvalidFreqOffset);
    const auto save =
        ConsoleValue(keys, "save", false, rftest::IsFreqOffset, rftest::kInvalidFreqOffset);
    step.limit = Bounds(keys, "min", "max");
    const bool setting = keys.Has("set") || keys.Has("save");
    if (keys.Has("set") && keys.Has("save"))
        keys.Error("save", "give set or save, not both");
    if (setting && (keys.Has("min") || keys.Has("max")))
        keys.Error(keys.Has("min") ? "min" : "max",
                   "min and max judge the offset read: not with set or save");
    step.offsetAction = keys.Has("save")  ? OffsetAction::Save
                        : keys.Has("set") ? OffsetAction::Set
                                          : OffsetAction::Get;
    step.offset = save.value_or(set.value_or(""));
}

void ReadSddPower(KeyReader& keys, Step& step) {
    bool limited = false;
    for (std::size_t i = 0; i < rftest::kSddPowerClassNames.size(); ++i) {
        const char* name = rftest::kSddPowerClassNames[i];
        const toml::node* node = keys.Node(name);
        if (node == nullptr)
            continue;
        limited = true;
        if (!node->is_table()) {
            keys.Error(name, std::string(name) +
                                 ": expected a table such as { min = 50, max = 70 }"
                                 ", found " +
                                 TypeName(node->type()));
            continue;
        }
        KeyReader bounds(*node->as_table(), keys.Context() + ": " + name, keys.Errors());
        step.classLimits[i] = Bounds(bounds, "min", "max");
        bounds.RefuseOtherKeys();
    }
    const toml::node* set = keys.Node("set");
    if (set == nullptr)
        return;
    if (limited)
        keys.Error("set", "set stores the levels; limits judge the levels read: not both");
    const toml::array* levels = set->as_array();
    rftest::SddPowers powers;
    for (std::size_t i = 0; levels != nullptr && i < levels->size() && i < powers.size(); ++i) {
        const toml::node& level = *levels->get(i);
        powers[i] = level.is_integer() ? std::to_string(level.as_integer()->get()) : "";
        if (!rftest::IsSddPower(powers[i])) {
            keys.Error("set", std::string("set: ") + rftest::kInvalidSddPower);
            return;
        }
    }
    if (levels == nullptr || levels->size() != powers.size()) {
        keys.Error("set", "set: expected the three levels of 11b, 11g/n and 11n MCS7, such as "
                          "[64, 56, 48]");
        return;
    }
    step.sddPowers = powers;
}

void ReadRx(KeyReader& keys, Step& step, bool sweep) {
    if (sweep) {
        step.channels = List(keys, "channels", rftest::ParseChannelList);
        step.rateRows = List(keys, "rates", rftest::ParseRateList);
    } else {
        Settings(keys, step);
    }
    step.duration = Seconds(keys, true).value_or(std::chrono::milliseconds{});
    step.sent = WholeIn(keys, "sent", 1, kInt32Max, sweep);
    step.limit = PerLimit(keys);
    if (keys.Has("max_per") && !keys.Has("sent"))
        keys.Error("max_per", "max_per needs sent (the packets the tester sends)");
}

void ReadTx(KeyReader& keys, Step& step) {
    Settings(keys, step);
    step.duration = Seconds(keys, true).value_or(std::chrono::milliseconds{});
    if (const auto count = WholeIn(keys, "count", 0, kInt32Max))
        step.txCount = std::to_string(*count);
    step.txLength =
        ConsoleValue(keys, "length", false, rftest::IsTxLength, rftest::kInvalidTxLength)
            .value_or("0");
    step.fullDuty = keys.Flag("full_duty").value_or(false);
}

void ReadSupply(KeyReader& keys, Step& step) {
    const std::optional<std::string> mode = keys.Text("mode", true);
    const bool confirmed = keys.Flag("yes").value_or(false);
    if (!mode)
        return;
    if (*mode != "ldo" && *mode != "dcdc") {
        keys.Error("mode", "mode must be \"ldo\" or \"dcdc\"");
        return;
    }
    step.dcdc = *mode == "dcdc";
    if (step.dcdc && !confirmed)
        keys.Error("mode", "mode = \"dcdc\" needs yes = true in the same step (write yes = true "
                           "once the DC-DC converter is known to be fitted): " +
                               std::string(rftest::kDcDcQuestion));
}

void ReadMac(KeyReader& keys, Step& step) {
    rftest::MacAddresses macs;
    std::size_t given = 0;
    for (std::size_t i = 0; i < macs.size(); ++i) {
        const char* role = rftest::kMacRoleNames[i];
        const std::optional<std::string> mac = keys.Text(role);
        if (!mac)
            continue;
        ++given;
        macs[i] = *mac;
        if (!rftest::IsAddressWord(*mac))
            keys.Error(role,
                       std::string(role) + " must be a MAC address such as 02:00:00:00:00:01");
    }
    if (given > 0 && given < macs.size())
        keys.Error("source, dest and bssid are set together: give all three, or none to read them");
    if (given == macs.size())
        step.macs = macs;
}

// One line for the board, or one text to find in a reply line.
std::optional<std::string> OneLine(KeyReader& keys, std::string_view key, bool required) {
    const std::optional<std::string> text = keys.Text(key, required);
    if (!text)
        return std::nullopt;
    if (text->empty() || rftest::HoldsControlCharacter(*text)) {
        keys.Error(key, std::string(key) +
                            " must be one line of text, without a line feed or another "
                            "control character");
        return std::nullopt;
    }
    return text;
}

void ReadSend(KeyReader& keys, Step& step) {
    step.text = OneLine(keys, "text", true).value_or("");
    step.expect = OneLine(keys, "expect", false);
}

// Told to the operator, never sent to the board.
void ReadPrompt(KeyReader& keys, Step& step) {
    step.text = OneLine(keys, "text", true).value_or("");
    step.confirm = keys.Flag("confirm").value_or(false);
}

// What the kind needs of the chip model.
std::optional<rftest::ModelFeature> FeatureOf(const Step& step) {
    switch (step.kind) {
    case StepKind::FreqOffset:
    case StepKind::CalibrateFreq:
        return rftest::kFreqOffsetFeature;
    case StepKind::SddPower:
    case StepKind::CalibratePower:
        return rftest::kSddPowerFeature;
    case StepKind::Sensitivity:
        return rftest::kPerFeature;
    case StepKind::SddExport:
        return rftest::kSddFileFeature;
    case StepKind::Supply:
        return rftest::kSupplyFeature;
    case StepKind::RxSweep:
        return rftest::kPerFeature;
    default:
        return std::nullopt;
    }
}

void ReadKeysOf(KeyReader& keys, Step& step) {
    switch (step.kind) {
    case StepKind::FreqOffset:
        return ReadFreqOffset(keys, step);
    case StepKind::SddPower:
        return ReadSddPower(keys, step);
    case StepKind::Power:
        step.settings.power =
            ConsoleValue(keys, "level", true, rftest::IsPowerLevel, rftest::kInvalidPower);
        return;
    case StepKind::Rx:
    case StepKind::RxSweep:
        return ReadRx(keys, step, step.kind == StepKind::RxSweep);
    case StepKind::Tx:
        return ReadTx(keys, step);
    case StepKind::Tone:
        step.duration = Seconds(keys, true).value_or(std::chrono::milliseconds{});
        return;
    case StepKind::Supply:
        return ReadSupply(keys, step);
    case StepKind::SddExport:
        return;
    case StepKind::Mac:
        return ReadMac(keys, step);
    case StepKind::Send:
        return ReadSend(keys, step);
    case StepKind::ToneFreq: {
        step.settings.channel = Channel(keys);
        const std::optional<double> maxPpm = keys.Number("max_ppm");
        if (maxPpm && *maxPpm < 0)
            keys.Error("max_ppm", "max_ppm must not be negative");
        else if (maxPpm)
            step.limit = {-*maxPpm, *maxPpm, std::nullopt};
        return;
    }
    case StepKind::TxPower:
        Settings(keys, step);
        step.limit = Bounds(keys, "min_dbm", "max_dbm");
        return;
    case StepKind::CalibrateFreq:
    case StepKind::CalibratePower:
    case StepKind::Sensitivity:
        return ReadCalibrationKeys(keys, step);
    case StepKind::Prompt:
        return ReadPrompt(keys, step);
    }
}

} // namespace

std::optional<std::int64_t> WholeIn(KeyReader& keys, std::string_view key, std::int64_t low,
                                    std::int64_t high, bool required) {
    const std::optional<std::int64_t> value = keys.Whole(key, required);
    if (!value)
        return std::nullopt;
    try {
        return rftest::WholeOption(std::string(key).c_str(), std::to_string(*value), low, high);
    } catch (const ValueError& error) {
        keys.Error(key, error.message);
        return std::nullopt;
    }
}

std::optional<Step> ReadStep(KeyReader& keys, int chipModelRow) {
    const std::optional<std::string> name = keys.Text("do", true);
    if (!name)
        return std::nullopt;
    const std::optional<StepKind> kind = StepKindNamed(*name);
    if (!kind) {
        keys.Error("do", "do = \"" + *name + "\" is not a step: " + StepKindNames());
        return std::nullopt;
    }
    Step step;
    step.kind = *kind;
    step.line = keys.Line();
    keys.SetContext(keys.Context() + " (" + *name + ")");
    ReadKeysOf(keys, step);
    step.retries = static_cast<int>(WholeIn(keys, "retries", 0, kMaxRetries).value_or(0));
    step.shared = OneLine(keys, "shared", false).value_or("");
    if (step.kind == StepKind::Prompt && !step.shared.empty())
        keys.Error("shared", "shared: a prompt waits for the operator, not for a resource");
    if (keys.Has("retries") && !step.Judged())
        keys.Error("retries", "retries: this step judges nothing, so nothing is measured again");
    if (const auto feature = FeatureOf(step)) {
        if (auto missing = rftest::MissingFeature(chipModelRow, *feature))
            keys.Error("do", *missing);
    }
    // An rx step counts without a PER on such a model: only sent is wrong.
    if (step.kind == StepKind::Rx && step.sent) {
        if (auto missing = rftest::MissingFeature(chipModelRow, rftest::kPerFeature))
            keys.Error("sent", "sent: " + *missing +
                                   "; remove sent (and max_per, marginal_per) to read the "
                                   "board's RX counters only");
    }
    keys.RefuseOtherKeys();
    return step;
}

} // namespace kel::plan
