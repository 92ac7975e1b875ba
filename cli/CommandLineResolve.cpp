// SPDX-License-Identifier: GPL-3.0-or-later
// The values of the command line checked, each refusal saying what its option
// takes, into the Invocation the run follows.
#include "cli/CommandLine.h"
#include "cli/RecordingPush.h"
#include "protocol/ChipModels.h"
#include "rftest/MacAddresses.h"
#include "rftest/Messages.h"
#include "rftest/ModelFeatures.h"
#include "rftest/PointLists.h"
#include "rftest/RangeChecks.h"

#include <limits>

namespace kel::cli {

namespace {

using namespace rftest;

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::string Checked(const std::string& text, bool (*inRange)(std::string_view),
                    const char* refusal) {
    if (!ReadWhole(text) || !inRange(text))
        throw UsageError{refusal};
    return text;
}

std::string MacAddress(const char* option, const std::string& text) {
    if (!IsAddressWord(text))
        throw UsageError{std::string(option) + " must be a MAC address such as 02:00:00:00:00:01"};
    return text;
}

} // namespace

std::optional<std::string> TraitRefusal(int modelRow, Subcommand subcommand, bool sentGiven) {
    switch (subcommand) {
    case Subcommand::FreqOffsetGet:
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave:
        return MissingFeature(modelRow, kFreqOffsetFeature);
    case Subcommand::SddPowerGet:
    case Subcommand::SddPowerSet:
        return MissingFeature(modelRow, kSddPowerFeature);
    case Subcommand::SddExport:
        return MissingFeature(modelRow, kSddFileFeature);
    case Subcommand::SupplyLdo:
    case Subcommand::SupplyDcDc:
        return MissingFeature(modelRow, kSupplyFeature);
    case Subcommand::SweepRx:
    case Subcommand::Rx:
        if (subcommand == Subcommand::SweepRx || sentGiven)
            return MissingFeature(modelRow, kPerFeature);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

Invocation CommandLine::Resolve() const {
    Invocation run;
    if ((portOption_->count() > 0) == raw.virtualBoard)
        throw UsageError{"give either the port with -p PATH or --virtual for the virtual board"};
    if (portOption_->count() > 0 && raw.port.empty())
        throw UsageError{"--port must name a device, such as ttyUSB0"};
    run.portPath = raw.port;
    run.virtualBoard = raw.virtualBoard;
    if (waitPortOption_->count() > 0) {
        if (run.virtualBoard)
            throw UsageError{"--wait-port waits for a device: give it with -p PATH"};
        run.waitForPort = true;
        // 0 waits for ever; any other value is a time as --timeout takes it.
        try {
            if (ReadDecimal(raw.waitPort) != 0.0)
                run.waitBound = DurationOption("--wait-port", raw.waitPort);
        } catch (const UsageError&) {
            throw UsageError{"--wait-port must be 0 (for ever) or a number of seconds (at most "
                             "1000000)"};
        }
    }
    run.chipModelRow = ChipModelRowOf(raw.model).value_or(-1);
    if (run.chipModelRow < 0)
        throw UsageError{"--model " + raw.model + " is not a chip model"};
    run.baud = static_cast<std::uint32_t>(
        WholeOption("--baud", raw.baud, 1, std::numeric_limits<std::uint32_t>::max()));
    run.json = raw.json;
    run.verbose = raw.verbose;

    if (channelOption_->count() > 0) {
        const std::optional<std::int64_t> channel = ReadWhole(raw.channel);
        if (!channel || !rftest::IsChannel(*channel))
            throw UsageError{"--channel must be 1 to 14"};
        run.channel = static_cast<int>(*channel);
    }
    if (rateOption_->count() > 0) {
        run.rateRow = rftest::RateRowOf(raw.rate);
        if (!run.rateRow)
            throw UsageError{"--rate \"" + raw.rate +
                             "\" is not a rate of the rate list (see --help)"};
    }
    if (powerOption_->count() > 0)
        run.power = Checked(raw.power, rftest::IsPowerLevel, rftest::kInvalidPower);
    if (timeoutOption_->count() > 0)
        run.timeout = DurationOption("--timeout", raw.timeout);
    std::string refusal;
    const auto store = ResultsOption(
        resultsOption_->count() > 0 ? std::optional(raw.results) : std::nullopt, refusal);
    if (!store)
        throw UsageError{refusal};
    run.store = *store;
    run.station = raw.station;
    run.operatorName = raw.operatorName;
    run.dut = raw.dut;
    run.readMac = !raw.noMac;

    run.subcommand = *ChosenSubcommand();
    if (Given(secondsOptions_))
        run.duration = DurationOption("--seconds", raw.seconds);
    if (Given(sentOptions_))
        run.sent = WholeOption("--sent", raw.sent, 1, kInt32Max);
    if (Given(maxPerOptions_))
        run.maxPer = PercentOption("--max-per", raw.maxPer);
    if (auto refusal = TraitRefusal(run.chipModelRow, run.subcommand, run.sent.has_value()))
        throw UsageError{*refusal};

    switch (run.subcommand) {
    case Subcommand::Tx:
        run.txCount = std::to_string(WholeOption("--count", raw.count, 0, kInt32Max));
        run.txLength = Checked(raw.length, rftest::IsTxLength, rftest::kInvalidTxLength);
        run.fullDuty = raw.fullDuty;
        break;
    case Subcommand::SweepRx: {
        std::string why;
        const auto channels = ParseChannelList(raw.channels, why);
        if (!channels)
            throw UsageError{"--channels: " + why};
        const auto rates = ParseRateList(raw.rates, why);
        if (!rates)
            throw UsageError{"--rates: " + why};
        run.channels = *channels;
        run.rateRows = *rates;
        if (csvOption_->count() > 0 && raw.csv.empty())
            throw UsageError{"--csv must name a file"};
        run.csvPath = raw.csv;
        run.csvMode = raw.force    ? CsvMode::Overwrite
                      : raw.append ? CsvMode::Append
                                   : CsvMode::Create;
        break;
    }
    case Subcommand::FreqOffsetSet:
    case Subcommand::FreqOffsetSave:
        run.values[0] = Checked(raw.value, rftest::IsFreqOffset, rftest::kInvalidFreqOffset);
        break;
    case Subcommand::SddPowerSet:
        for (std::size_t i = 0; i < run.values.size(); ++i)
            run.values[i] = Checked(raw.values[i], rftest::IsSddPower, rftest::kInvalidSddPower);
        break;
    case Subcommand::SddExport:
        if (raw.path.empty())
            throw UsageError{"sdd-export: FILE must name a file"};
        run.path = raw.path;
        break;
    case Subcommand::MacSet:
        run.values = {MacAddress("--source", raw.source), MacAddress("--dest", raw.dest),
                      MacAddress("--bssid", raw.bssid)};
        break;
    case Subcommand::SupplyDcDc:
        if (!raw.yes)
            throw UsageError{std::string(rftest::kDcDcQuestion) +
                             "\nGive --yes to confirm that the DC-DC converter is fitted."};
        break;
    case Subcommand::Send:
        for (const std::string& word : raw.words)
            run.text += (run.text.empty() ? "" : " ") + word;
        if (run.text.empty())
            throw UsageError{rftest::kEmptyCommand};
        if (HoldsControlCharacter(run.text))
            throw UsageError{"send: TEXT must be one command line, without a line feed or another "
                             "control character"};
        break;
    default:
        break;
    }
    return run;
}

} // namespace kel::cli
