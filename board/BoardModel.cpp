// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardModel.h"

#include "board/CommandText.h"
#include "board/RadioModel.h"
#include "board/SddFile.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kel::board {

namespace {

constexpr int kRatesMode1[] = {10, 20, 55, 110};
constexpr int kRatesMode2[] = {60, 90, 120, 180, 240, 360, 480, 540};
constexpr int kRatesMode5[] = {65, 130, 195, 260, 390, 520, 585, 650};

// Bounds the firmware accepts; the SDD power levels keep to what a reader of
// the last three characters of their reply lines gets back intact. The
// console's own checks (rftest/RangeChecks.cpp) hold the same figures; this
// copy stays apart on purpose, so the board checks what a front end sends
// independently of the code that sent it.
constexpr std::int64_t kMinPower = -118;
constexpr std::int64_t kMaxPower = 120;
constexpr std::int64_t kMinSddPower = 0;
constexpr std::int64_t kMaxSddPower = 120;
constexpr std::int64_t kMaxFreqOffset = 127;
constexpr std::int64_t kMaxTxLength = 4095;

ReplyPiece Line(std::string_view text) {
    return {std::string(text), true};
}

ReplyPiece Line(const char* format, int value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return {text, true};
}

Reply Ok() {
    return {Line(kCmdOk)};
}
Reply Ack() {
    return {Line(kAck200)};
}
Reply Refused() {
    return {Line(kCmdError)};
}
Reply Unknown() {
    return {Line(kAck400)};
}

} // namespace

std::string Join(const Reply& reply) {
    std::string bytes;
    for (const ReplyPiece& piece : reply)
        bytes += piece.bytes;
    return bytes;
}

int PowerClassOf(int mode, int rateTenths) {
    if (mode == 1)
        return kDsss;
    if (mode == 5 && rateTenths == 650)
        return kMcs7;
    return kOfdm;
}

bool IsKnownRate(int mode, int rateTenths) {
    std::span<const int> rates;
    if (mode == 1)
        rates = kRatesMode1;
    else if (mode == 2)
        rates = kRatesMode2;
    else if (mode == 5)
        rates = kRatesMode5;
    return std::find(rates.begin(), rates.end(), rateTenths) != rates.end();
}

template <bool BoardState::*flag, bool value> Reply BoardModel::Switch(Args) {
    state_.*flag = value;
    return Ok();
}

const BoardModel::Command BoardModel::kCommands[] = {
    {"connect", Needs::Nothing, 0, &BoardModel::Switch<&BoardState::connected, true>},
    {"enable_phy", Needs::Connection, 0, &BoardModel::EnablePhy},
    {"disconnect", Needs::Nothing, 0, &BoardModel::Disconnect},
    {"get_mac", Needs::Phy, 0, &BoardModel::GetMac},
    {"set_mac", Needs::Phy, kAnyArgs, &BoardModel::SetMac},
    {"power_level", Needs::Phy, 1, &BoardModel::PowerLevel},
    {"tone", Needs::Phy, 0, &BoardModel::Switch<&BoardState::toneRunning, true>},
    {"tone_stop", Needs::Phy, 0, &BoardModel::Switch<&BoardState::toneRunning, false>},
    {"tx", Needs::Phy, kAnyArgs, &BoardModel::Tx},
    {"tx_stop", Needs::Phy, 0, &BoardModel::Switch<&BoardState::txRunning, false>},
    {"rx", Needs::Phy, 0, &BoardModel::Rx},
    {"rx_stop", Needs::Phy, 0, &BoardModel::RxStop},
    {"channel", Needs::Phy, 2, &BoardModel::Channel},
    {"rate", Needs::Phy, 4, &BoardModel::Rate},
    {"set_freq_offset", Needs::Phy, 1, &BoardModel::SetFreqOffset},
    {"get_freq_offset", Needs::Phy, 0, &BoardModel::GetFreqOffset},
    {"get_sdd_freq_offset", Needs::Phy, 0, &BoardModel::GetSddFreqOffset},
    {"set_sdd_freq_offset", Needs::Phy, 1, &BoardModel::SetSddFreqOffset},
    {"get_sdd_power", Needs::Phy, 1, &BoardModel::GetSddPower},
    {"set_sdd_power", Needs::Phy, 4, &BoardModel::SetSddPower},
    {"get_sdd_file", Needs::Phy, 1, &BoardModel::GetSddFile},
};

BoardModel::BoardModel(BoardConfig config)
    : config_(std::move(config)),
      character_(DrawCharacter(config_.index, config_.seed, generator_)) {
    if (!config_.clock)
        config_.clock = [] { return std::chrono::steady_clock::now(); };
    state_.sourceMac = character_.mac;
    state_.sddFreqOffset = character_.freqOffset;
    state_.liveFreqOffset = character_.freqOffset;
    state_.rxLevelDbm = config_.rxLevelDbm;
}

Reply BoardModel::Feed(std::string_view bytes) {
    Reply reply;
    for (char c : bytes) {
        const bool afterCr = lastWasCr_;
        lastWasCr_ = c == '\r';
        if (c == '\n' && afterCr)
            continue; // the second half of a CR LF line end
        if (c == '\0' && pending_.empty() && !overlong_)
            continue;
        if (c != '\n' && c != '\r') {
            if (pending_.size() < kMaxLineLength)
                pending_ += c;
            else
                overlong_ = true;
            continue;
        }
        Reply answer = overlong_ ? Unknown() : HandleLine(pending_);
        pending_.clear();
        overlong_ = false;
        reply.insert(reply.end(), answer.begin(), answer.end());
    }
    return reply;
}

Reply BoardModel::HandleLine(std::string_view line) {
    if (line.empty())
        return {}; // an Enter pressed in a terminal: no command
    const std::vector<std::string_view> words = SplitWords(line);
    if (words.size() == 1 && words[0] == "kel")
        return {Line(kDriverReady)};
    if (words.size() >= 4 && words[0] == "netcmd" && words[1] == "lmac" && words[2] == "kel")
        return HandleKelCommand(Args(words).subspan(3));
    if (words.size() >= 2 && words[0] == "kel")
        return HandleKelCommand(Args(words).subspan(1));
    if (!words.empty() && (words[0] == "gpio" || words[0] == "prcm"))
        return HandleSupplyCommand(words);
    return Unknown();
}

Reply BoardModel::HandleKelCommand(Args words) {
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.word == words[0]; });
    if (command == std::end(kCommands))
        return Unknown();
    if (config_.fault.kind == FaultKind::ErrorReplies)
        return Refused();
    if (command->needs == Needs::Connection && !state_.connected)
        return Refused();
    if (command->needs == Needs::Phy && !state_.phyEnabled)
        return Refused();
    const Args args = words.subspan(1);
    if (command->argCount != kAnyArgs && args.size() != static_cast<std::size_t>(command->argCount))
        return Refused();
    // What was received so far was received at the settings until now.
    if (state_.rxRunning)
        CountRxFrames();
    return (this->*command->handler)(args);
}

Reply BoardModel::HandleSupplyCommand(Args words) {
    const auto is = [&](std::initializer_list<std::string_view> expected) {
        return std::equal(words.begin(), words.end(), expected.begin(), expected.end());
    };
    const bool deconfig = is({"gpio", "deconfig", "pa23"});
    const bool config = is({"gpio", "config", "pa23", "m=2", "p=1", "l=1"});
    const bool setLdo = words.size() == 3 && words[0] == "prcm" && words[1] == "set_top_ldo";
    if (!deconfig && !config && !setLdo)
        return Unknown();
    if (config_.fault.kind == FaultKind::ErrorReplies)
        return Refused();
    if (setLdo) {
        const auto tenths = ParseTenths(words[2]);
        if (!tenths || (*tenths != 14 && *tenths != 18))
            return Refused();
        state_.topLdoTenths = *tenths;
        return Ack();
    }
    state_.pa23Configured = config;
    return Ack();
}

Reply BoardModel::EnablePhy(Args) {
    state_.phyEnabled = true;
    return {Line("power level:%d\n", state_.livePower[CurrentPowerClass()]), Line(kCmdOk)};
}

Reply BoardModel::Disconnect(Args) {
    // Leaving test mode ends whatever the radio was doing.
    state_.connected = false;
    state_.phyEnabled = false;
    state_.txRunning = false;
    state_.rxRunning = false;
    state_.toneRunning = false;
    return Ok();
}

Reply BoardModel::GetMac(Args) {
    return {Line("Source mac address: " + state_.sourceMac + "\n"),
            Line("Dest mac address: " + state_.destMac + "\n"),
            Line("BSSID: " + state_.bssid + "\n"), Line(kCmdOk)};
}

Reply BoardModel::SetMac(Args args) {
    std::string_view dest, source, bssid;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || !IsMacAddress(args[i + 1]))
            return Refused();
        if (args[i] == "-d")
            dest = args[i + 1];
        else if (args[i] == "-s")
            source = args[i + 1];
        else if (args[i] == "-t")
            bssid = args[i + 1];
        else
            return Refused();
    }
    if (dest.empty() || source.empty() || bssid.empty())
        return Refused();
    state_.destMac = dest;
    state_.sourceMac = source;
    state_.bssid = bssid;
    return Ok();
}

Reply BoardModel::PowerLevel(Args args) {
    const auto power = ParseInteger(args[0], kMinPower, kMaxPower);
    if (!power)
        return Refused();
    state_.livePower[CurrentPowerClass()] = static_cast<int>(*power);
    return Ok();
}

Reply BoardModel::Tx(Args args) {
    std::int64_t count = 0;
    std::int64_t length = 0;
    bool fullDuty = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-f") {
            fullDuty = true;
            continue;
        }
        if (i + 1 >= args.size())
            return Refused();
        const std::string_view option = args[i];
        const std::string_view value = args[++i];
        if (option == "-n") {
            const auto parsed = ParseInteger(value, 0, std::numeric_limits<std::int32_t>::max());
            if (!parsed)
                return Refused();
            count = *parsed;
            continue;
        }
        if (option != "-l")
            return Refused();
        const auto parsed = ParseInteger(value, 0, kMaxTxLength);
        if (!parsed)
            return Refused();
        length = *parsed;
    }
    state_.txCount = static_cast<std::int32_t>(count);
    state_.txLength = static_cast<std::int32_t>(length);
    state_.txFullDuty = fullDuty;
    // A counted burst ends by itself; only count 0 keeps sending until tx_stop.
    state_.txRunning = count == 0;
    return Ok();
}

Reply BoardModel::Rx(Args) {
    state_.rxRunning = true;
    state_.rxStart = config_.clock();
    state_.rxCounters = {};
    state_.rxFramesCounted = 0;
    return Ok();
}

Reply BoardModel::RxStop(Args) {
    // Counted up to now before this handler ran; with no test running, nothing.
    const RxCounters counters = state_.rxRunning ? state_.rxCounters : RxCounters{};
    state_.rxRunning = false;
    return {Line("Total:%d\n", counters.total), Line("AbortError:%d\n", counters.abortErrors),
            Line("CRCError:%d\n", counters.crcErrors), Line(kCmdOk)};
}

Reply BoardModel::Channel(Args args) {
    if (args[0] != "2GHZ")
        return Refused();
    const auto channel = ParseInteger(args[1], 1, 14);
    if (!channel)
        return Refused();
    state_.channel = static_cast<int>(*channel);
    return Ok();
}

Reply BoardModel::Rate(Args args) {
    if (args[0] != "-m" || args[2] != "-r")
        return Refused();
    const auto mode = ParseInteger(args[1], 0, 9);
    const auto tenths = ParseTenths(args[3]);
    if (!mode || !tenths || !IsKnownRate(static_cast<int>(*mode), *tenths))
        return Refused();
    state_.rateMode = static_cast<int>(*mode);
    state_.rateTenths = *tenths;
    return {Line("power level:%d\n", state_.livePower[CurrentPowerClass()]), Line(kCmdOk)};
}

Reply BoardModel::SetFreqOffset(Args args) {
    return StoreFreqOffset(args[0], state_.liveFreqOffset);
}

Reply BoardModel::GetFreqOffset(Args) {
    return {Line("freq offset is: %d\n", state_.liveFreqOffset), Line(kAck200)};
}

Reply BoardModel::GetSddFreqOffset(Args) {
    return {Line("Get sdd freq offset: %d\n", state_.sddFreqOffset), Line(kAck200)};
}

Reply BoardModel::SetSddFreqOffset(Args args) {
    return StoreFreqOffset(args[0], state_.sddFreqOffset);
}

Reply BoardModel::StoreFreqOffset(std::string_view text, int& field) {
    const auto offset = ParseInteger(text, 0, kMaxFreqOffset);
    if (!offset)
        return Refused();
    field = static_cast<int>(*offset);
    return Ack();
}

Reply BoardModel::GetSddPower(Args args) {
    if (args[0] != "all")
        return Refused();
    // The value fills the last three characters before the line feed, which
    // is all a reader of the last four characters looks at.
    return {Line("DSSS: %3d\n", state_.sddPower[kDsss]),
            Line("BPSK1/2: %3d\n", state_.sddPower[kOfdm]),
            Line("64QAM5/6: %3d\n", state_.sddPower[kMcs7]), Line(kAck200)};
}

Reply BoardModel::SetSddPower(Args args) {
    if (args[0] != "all")
        return Refused();
    std::array<int, 3> power{};
    for (std::size_t i = 0; i < power.size(); ++i) {
        const auto value = ParseInteger(args[i + 1], kMinSddPower, kMaxSddPower);
        if (!value)
            return Refused();
        power[i] = static_cast<int>(*value);
    }
    state_.sddPower = power;
    return Ack();
}

Reply BoardModel::GetSddFile(Args args) {
    if (args[0] != "ascii")
        return Refused();
    std::string body = BuildSddFile(state_);
    const int length = static_cast<int>(body.size());
    return {Line("sdd file length:%d\n", length), Line("begin dump sdd file\n"),
            ReplyPiece{std::move(body), false}, Line("end dump sdd file\n"), Line(kCmdOk)};
}

int BoardModel::CurrentPowerClass() const {
    return PowerClassOf(state_.rateMode, state_.rateTenths);
}

double BoardModel::RxLevelNow() const {
    const double level = state_.generatorLevelDbm.value_or(state_.rxLevelDbm);
    // A level beyond what a board accepts (or none, NaN) counts as the nearest bound.
    if (!(level >= kMinRxLevelDbm))
        return kMinRxLevelDbm;
    return std::min(level, kMaxRxLevelDbm);
}

double BoardModel::FrameLossChanceNow() const {
    double sensitivity = RateSensitivityDbm(state_.rateMode, state_.rateTenths) +
                         ChannelTiltDb(state_.channel) + character_.sensitivityOffsetDb;
    if (config_.fault.kind == FaultKind::WeakRx)
        sensitivity += kWeakRxPenaltyDb;
    return FrameLossChance(RxLevelNow() - sensitivity, state_.rateMode);
}

void BoardModel::CountRxFrames() {
    const auto elapsed = config_.clock() - state_.rxStart;
    const std::int64_t sent =
        FramesSentIn(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed));
    // A clock set back counts nothing: the counters never go down.
    if (sent <= state_.rxFramesCounted)
        return;
    // The generator has replaced the tester: its frames come as bursts.
    if (state_.generatorLevelDbm) {
        state_.rxFramesCounted = sent;
        return;
    }
    const RxCounters more = DrawRxCounts(sent - state_.rxFramesCounted, FrameLossChanceNow(),
                                         UnseenShare(RxLevelNow()), generator_);
    state_.rxFramesCounted = sent;
    AddRxCounts(more);
}

void BoardModel::AddRxCounts(const RxCounters& more) {
    state_.rxCounters.total += more.total;
    state_.rxCounters.abortErrors += more.abortErrors;
    state_.rxCounters.crcErrors += more.crcErrors;
}

void BoardModel::HearGenerator(std::optional<double> levelDbm) {
    if (state_.rxRunning)
        CountRxFrames();
    state_.generatorLevelDbm = levelDbm;
}

void BoardModel::ReceiveBurst(std::int64_t frames) {
    if (!state_.rxRunning || frames <= 0)
        return;
    CountRxFrames();
    // Capped where the board's 32-bit counters end.
    const std::int64_t room =
        std::numeric_limits<std::int32_t>::max() - static_cast<std::int64_t>(state_.rxCounters.total);
    AddRxCounts(DrawRxCounts(std::min(frames, room), FrameLossChanceNow(),
                             UnseenShare(RxLevelNow()), generator_));
}

} // namespace kel::board
