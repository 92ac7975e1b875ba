// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/VirtualInstrument.h"

#include "board/BoardModel.h"
#include "board/BoardTray.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kel::board {

namespace {

// A counter's reading scatters this much around the tone (a few dozen Hz at 2.4 GHz).
constexpr double kFrequencyNoisePpm = 0.02;
constexpr double kPowerNoiseDb = 0.05;
// A generator further than this from the board's channel is not heard.
constexpr double kHearingSpanHz = 1e6;
constexpr std::size_t kErrorQueueDepth = 16;
constexpr std::int64_t kMaxBurst = 1000000;

std::string Number(double value, const char* format = "%.6E") {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// A number with an optional unit suffix (HZ, KHZ, MHZ, GHZ, DBM), as SCPI allows.
std::optional<double> ParseValue(std::string_view text) {
    const std::string upper = Upper(text);
    double value = 0;
    const char* begin = upper.data() + (upper.starts_with('+') ? 1 : 0);
    const auto [end, failure] = std::from_chars(begin, upper.data() + upper.size(), value);
    if (failure != std::errc{} || !std::isfinite(value))
        return std::nullopt;
    std::string_view unit(end, static_cast<std::size_t>(upper.data() + upper.size() - end));
    while (unit.starts_with(' '))
        unit.remove_prefix(1);
    if (unit.empty() || unit == "HZ" || unit == "DBM")
        return value;
    if (unit == "KHZ")
        return value * 1e3;
    if (unit == "MHZ")
        return value * 1e6;
    if (unit == "GHZ")
        return value * 1e9;
    return std::nullopt;
}

std::optional<bool> ParseSwitch(std::string_view text) {
    const std::string upper = Upper(text);
    if (upper == "ON" || upper == "1")
        return true;
    if (upper == "OFF" || upper == "0")
        return false;
    return std::nullopt;
}

// "(@3)" or "3": the channel list's single entry.
std::optional<int> ParseChannelList(std::string_view text) {
    if (text.starts_with("(@") && text.ends_with(')'))
        text = text.substr(2, text.size() - 3);
    int channel = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), channel);
    if (text.empty() || failure != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return channel;
}

} // namespace

VirtualInstrument::VirtualInstrument(BoardTray& tray, std::string identity)
    : tray_(tray), identity_(std::move(identity)), noise_(0x5c919ULL) {
    for (std::size_t i = 0; i < tray_.Size(); ++i)
        characters_.push_back(DrawBenchCharacter(tray_.Character(i).seed));
}

std::optional<std::string> VirtualInstrument::HandleLine(std::string_view line) {
    std::optional<std::string> reply;
    for (const ScpiCommand& command : SplitScpiLine(line)) {
        const auto answer = Handle(command);
        if (!answer)
            continue;
        reply = reply ? *reply + ";" + *answer : *answer;
    }
    return reply;
}

std::optional<std::string> VirtualInstrument::Handle(const ScpiCommand& command) {
    if (command.header.starts_with('*'))
        return HandleCommon(command);
    if (HeaderMatches(command.header, "SYSTem:ERRor[:NEXT]") && command.query) {
        if (errors_.empty())
            return "+0,\"No error\"";
        std::string entry = errors_.front();
        errors_.pop_front();
        return entry;
    }
    if (HeaderMatches(command.header, "ROUTe:CLOSe") || HeaderMatches(command.header, "ROUTe:OPEN"))
        return HandleRoute(command);
    if (HeaderMatches(command.header, "MEASure[:SCALar]:FREQuency") ||
        HeaderMatches(command.header, "MEASure[:SCALar]:POWer[:AC]"))
        return HandleMeasure(command);
    if (HeaderMatches(command.header, "TRIGger[:SEQuence][:IMMediate]") && !command.query) {
        Trigger();
        return std::nullopt;
    }
    return HandleSource(command);
}

std::optional<std::string> VirtualInstrument::HandleCommon(const ScpiCommand& command) {
    const std::string header = Upper(command.header);
    if (header == "*IDN" && command.query)
        return identity_;
    if (header == "*OPC" && command.query)
        return "1"; // every action here completes at once
    if (header == "*CLS" && !command.query) {
        errors_.clear();
        return std::nullopt;
    }
    if (header == "*RST" && !command.query) {
        const auto previous = routed_;
        routed_.reset();
        outputOn_ = false;
        burstCount_ = 1;
        CoupleGenerator(previous);
        return std::nullopt;
    }
    PushError(-113, "Undefined header");
    return std::nullopt;
}

std::optional<std::string> VirtualInstrument::HandleRoute(const ScpiCommand& command) {
    const bool close = HeaderMatches(command.header, "ROUTe:CLOSe");
    const auto channel = ParseChannelList(command.parameters);
    if (!channel) {
        PushError(-104, "Data type error;expected a channel list (@N)");
        return command.query ? std::optional<std::string>("0") : std::nullopt;
    }
    const bool known = *channel >= 1 && static_cast<std::size_t>(*channel) <= tray_.Size();
    const std::size_t board = static_cast<std::size_t>(*channel - 1);
    if (command.query)
        return known && routed_ == board ? (close ? "1" : "0") : (close ? "0" : "1");
    if (!known) {
        PushError(-222, "Data out of range;no route " + std::to_string(*channel));
        return std::nullopt;
    }
    const auto previous = routed_;
    if (close)
        routed_ = board;
    else if (routed_ == board)
        routed_.reset();
    CoupleGenerator(previous);
    return std::nullopt;
}

std::optional<std::string> VirtualInstrument::HandleMeasure(const ScpiCommand& command) {
    if (!command.query) {
        PushError(-113, "Undefined header;MEASure is a query");
        return std::nullopt;
    }
    if (HeaderMatches(command.header, "MEASure[:SCALar]:FREQuency"))
        return MeasureFrequency();
    return MeasurePower();
}

std::string VirtualInstrument::MeasureFrequency() {
    if (!routed_)
        return NoValue("no route closed");
    const BoardState state = tray_.State(*routed_);
    if (!state.toneRunning)
        return NoValue("no signal at route " + std::to_string(*routed_ + 1));
    const double ppm = FrequencyErrorPpm(characters_[*routed_], state.liveFreqOffset) +
                       std::normal_distribution<double>(0.0, kFrequencyNoisePpm)(noise_);
    return Number(ChannelCentreHz(state.channel) * (1.0 + ppm * 1e-6), "%.3f");
}

std::string VirtualInstrument::MeasurePower() {
    if (!routed_)
        return NoValue("no route closed");
    const BoardState state = tray_.State(*routed_);
    if (!state.txRunning && !state.toneRunning)
        return NoValue("no signal at route " + std::to_string(*routed_ + 1));
    const int rateClass = PowerClassOf(state.rateMode, state.rateTenths);
    const double dbm = TxPowerDbm(characters_[*routed_], state.livePower[rateClass], rateClass) +
                       std::normal_distribution<double>(0.0, kPowerNoiseDb)(noise_);
    return Number(dbm, "%.3f");
}

std::optional<std::string> VirtualInstrument::HandleSource(const ScpiCommand& command) {
    const std::string& header = command.header;
    if (HeaderMatches(header, "[SOURce]:FREQuency[:CW]")) {
        if (command.query)
            return Number(generatorHz_);
        const auto hz = ParseValue(command.parameters);
        if (!hz || *hz <= 0) {
            PushError(-224, "Illegal parameter value");
            return std::nullopt;
        }
        generatorHz_ = *hz;
        return std::nullopt;
    }
    if (HeaderMatches(header, "[SOURce]:POWer[:LEVel][:IMMediate][:AMPLitude]")) {
        if (command.query)
            return Number(generatorDbm_, "%.2f");
        const auto dbm = ParseValue(command.parameters);
        if (!dbm || *dbm < -140 || *dbm > 20) {
            PushError(-222, "Data out of range;level -140 to 20 dBm");
            return std::nullopt;
        }
        generatorDbm_ = *dbm;
        CoupleGenerator(routed_);
        return std::nullopt;
    }
    if (HeaderMatches(header, "OUTPut[:STATe]")) {
        if (command.query)
            return outputOn_ ? "1" : "0";
        const auto on = ParseSwitch(command.parameters);
        if (!on) {
            PushError(-224, "Illegal parameter value;ON or OFF");
            return std::nullopt;
        }
        outputOn_ = *on;
        CoupleGenerator(routed_);
        return std::nullopt;
    }
    if (HeaderMatches(header, "[SOURce]:BURSt:COUNt")) {
        if (command.query)
            return std::to_string(burstCount_);
        std::int64_t count = 0;
        const std::string& text = command.parameters;
        const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (failure != std::errc{} || end != text.data() + text.size() || count < 1 ||
            count > kMaxBurst) {
            PushError(-222, "Data out of range;burst count 1 to " + std::to_string(kMaxBurst));
            return std::nullopt;
        }
        burstCount_ = count;
        return std::nullopt;
    }
    PushError(-113, "Undefined header");
    return std::nullopt;
}

void VirtualInstrument::Trigger() {
    if (!outputOn_) {
        PushError(-221, "Settings conflict;output is off");
        return;
    }
    if (!routed_) {
        PushError(-221, "Settings conflict;no route closed");
        return;
    }
    const BoardState state = tray_.State(*routed_);
    // Off the board's channel the frames go by unheard.
    if (std::abs(generatorHz_ - ChannelCentreHz(state.channel)) > kHearingSpanHz)
        return;
    tray_.ReceiveBurst(*routed_, burstCount_);
}

void VirtualInstrument::CoupleGenerator(std::optional<std::size_t> previous) {
    if (previous && previous != routed_)
        tray_.HearGenerator(*previous, std::nullopt);
    if (!routed_)
        return;
    tray_.HearGenerator(*routed_, outputOn_ ? std::optional<double>(generatorDbm_) : std::nullopt);
}

void VirtualInstrument::PushError(int code, std::string_view text) {
    if (errors_.size() >= kErrorQueueDepth) {
        errors_.back() = "-350,\"Queue overflow\"";
        return;
    }
    errors_.push_back(std::to_string(code) + ",\"" + std::string(text) + "\"");
}

std::string VirtualInstrument::NoValue(std::string_view why) {
    PushError(-230, "Data corrupt or stale;" + std::string(why));
    return "9.91E37";
}

} // namespace kel::board
