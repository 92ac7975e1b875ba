// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/ExchangeChecks.h"

#include "protocol/ChipModels.h"
#include "protocol/NumberReading.h"
#include "protocol/ReplyTexts.h"
#include "protocol/SddDump.h"

#include <charconv>
#include <cstring>

namespace kel::fuzz {

namespace {

constexpr std::string_view kReplyEnd = "\r\n";
constexpr std::string_view kProbe{"kel\n\0", 5};
constexpr std::string_view kLengthLabel = kSddLengthLabel;
constexpr std::size_t kMacLength = 17;

std::string_view ReplyBody(const TranscriptEntry& entry) {
    std::string_view text = entry.bytes;
    text.remove_suffix(kReplyEnd.size());
    return text;
}

bool IsUnsetOr(const std::string& text, bool (*isValid)(std::string_view)) {
    return text == kUnset || isValid(text);
}

bool ParsesAsInt32(std::string_view text, int min, int max) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= min && value <= max;
}

void CheckResult(const ExchangeInput& input, const ExchangeOp& op, int result,
                 const ScriptedLine& line) {
    Require(result == kResultOk || result == kResultFailed || result == kResultNoChipModel,
            "a documented result code");
    if (!op.needsChipModel)
        Require(result != kResultNoChipModel, "only commands report a missing chip model");
    if (op.needsChipModel && input.chipModel < 0) {
        Require(result == kResultNoChipModel, "no chip model: kResultNoChipModel");
        Require(line.transcript.empty(), "no chip model: nothing written or logged");
        Require(line.readsTried == 0, "no chip model: nothing read");
    }
    if (line.cancelled || line.hungUp)
        Require(result != kResultOk, "a wait that lost its line or was cancelled fails");
    if (line.writeFailed) {
        Require(result == kResultFailed, "a failed write fails the command");
        Require(line.readsTried == line.readsBeforeWriteFailure,
                "nothing is read after a failed write");
    }
}

void CheckTranscript(const ExchangeInput& input, const ExchangeOp& op, const ScriptedLine& line) {
    const int limit = op.lineLimit > 0 ? op.lineLimit : input.limit;
    const ChipModel* model = ChipModelAt(input.chipModel);
    const bool prefixed = model != nullptr && model->dialect == Dialect::Prefixed;
    for (std::size_t i = 0; i < line.transcript.size(); ++i) {
        const TranscriptEntry& entry = line.transcript[i];
        if (entry.kind == TranscriptEntry::ReplyLine) {
            const std::string_view body = ReplyBody(entry);
            Require(body.find('\n') == std::string_view::npos, "one reply line per log entry");
            Require(static_cast<int>(body.size()) < limit, "a reply line within its limit");
            continue;
        }
        if (entry.kind != TranscriptEntry::Write)
            continue;
        const std::string_view written = entry.bytes;
        // Written first so the board starts on it; the pane follows at once.
        Require(i + 1 < line.transcript.size() &&
                    line.transcript[i + 1].kind == TranscriptEntry::Echo &&
                    line.transcript[i + 1].bytes == written.substr(0, written.find('\0')),
                "every write is echoed to the log pane right after");
        Require(written.ends_with('\n') || written.ends_with(std::string_view("\n\0", 2)),
                "a command is one line");
        const bool inDialect = prefixed
                                   ? written.starts_with("netcmd lmac kel ")
                                   : written.starts_with("kel ") || written.starts_with("gpio ") ||
                                         written.starts_with("prcm ");
        Require(written == kProbe || inDialect, "a command in the chip model's dialect");
    }
}

void CheckOutputs(const ExchangeOutputs& out) {
    const auto isMac = [](std::string_view text) { return text.size() <= kMacLength; };
    Require(IsUnsetOr(out.srcMac, isMac) && IsUnsetOr(out.dstMac, isMac) &&
                IsUnsetOr(out.bssid, isMac),
            "a MAC text is at most 17 characters");
    const auto isPower = [](std::string_view text) {
        return text.find('\n') == std::string_view::npos && text.size() < kLineLimit;
    };
    Require(IsUnsetOr(out.power, isPower), "a power text is one line's rest");
    const auto isNumber = [](std::string_view text) {
        return ParsesAsInt32(text, INT32_MIN, INT32_MAX);
    };
    Require(IsUnsetOr(out.freqOffset, isNumber), "a frequency offset is a decimal number");
    // An SDD power level is read from a line's last four characters: three
    // before the line feed, four when a NUL cut the line feed off.
    const auto isLevel = [](std::string_view text) { return ParsesAsInt32(text, -999, 9999); };
    Require(IsUnsetOr(out.dsss, isLevel) && IsUnsetOr(out.bpsk12, isLevel) &&
                IsUnsetOr(out.qam64, isLevel),
            "an SDD power level has at most four characters");
}

// The length the dump reader took: the first logged line with the label.
std::optional<std::int64_t> AnnouncedLength(const ScriptedLine& line) {
    for (const TranscriptEntry& entry : line.transcript) {
        if (entry.kind != TranscriptEntry::ReplyLine)
            continue;
        const std::string_view body = ReplyBody(entry);
        if (body.starts_with(kLengthLabel))
            return ReadInteger64(body.substr(kLengthLabel.size()));
    }
    return std::nullopt;
}

bool LoggedLine(const ScriptedLine& line, std::string_view text) {
    for (const TranscriptEntry& entry : line.transcript) {
        if (entry.kind == TranscriptEntry::ReplyLine && ReplyBody(entry) == text)
            return true;
    }
    return false;
}

void CheckSddFile(int result, const ScriptedLine& line, const ExchangeOutputs& out) {
    if (!out.sddAsked)
        return;
    const std::string& file = out.sddFile;
    const std::optional<std::int64_t> announced = AnnouncedLength(line);
    if (!announced) {
        Require(result == kResultFailed && file.empty(), "no length line: failure, empty file");
        return;
    }
    Require(file.size() <= kSddDumpMaxLength, "an SDD body within the reader's bound");
    Require(file.empty() || static_cast<std::int64_t>(file.size()) == *announced,
            "the SDD file holds the whole announced body or nothing");
    Require(file.empty() || file == line.patientBytes, "the SDD body is stored byte for byte");
    if (result == kResultNoChipModel)
        Require(*announced == 0 && file.empty(), "-2 only for an announced length of 0");
    if (result != kResultOk)
        return;
    Require(*announced > 0 && static_cast<std::int64_t>(file.size()) == *announced,
            "a dump reported done stored its whole body");
    Require(LoggedLine(line, "end dump sdd file") &&
                line.transcript.back().kind == TranscriptEntry::ReplyLine &&
                ReplyBody(line.transcript.back()) == "Sending CMD OK!",
            "a dump reported done ended with its end line and OK");
}

void CheckBareReaders(const ExchangeInput& input, const ExchangeOp& op, int result,
                      const ScriptedLine& line, const ExchangeOutputs& out) {
    if (op.lineLimit > 0)
        return;
    if (input.limit <= 0) {
        Require(result == kResultFailed && line.readsTried == 0,
                "a limit that is not positive fails at once");
        return;
    }
    if (out.lineBuffer.empty())
        return; // wait_for_line reads into a buffer of its own
    const std::vector<char>& buffer = out.lineBuffer;
    Require(buffer.back() == '\0', "the reply buffer is NUL-terminated after the limit");
    if (result == kResultOk)
        Require(std::memchr(buffer.data(), '\n', static_cast<std::size_t>(input.limit)) != nullptr,
                "an accepted line ends in its line feed");
}

} // namespace

void CheckExchange(const ExchangeInput& input, int result, const ScriptedLine& line,
                   const ExchangeOutputs& out) {
    const ExchangeOp& op = ExchangeOps()[input.op];
    CheckResult(input, op, result, line);
    CheckTranscript(input, op, line);
    CheckOutputs(out);
    CheckSddFile(result, line, out);
    CheckBareReaders(input, op, result, line, out);
}

int RunCheckedExchange(const ExchangeInput& input) {
    ScriptedLine& line = ScriptedLine::Current();
    line.Load(input.script);
    ExchangeOutputs outputs;
    const int result = RunExchange(input, line, outputs);
    CheckExchange(input, result, line, outputs);
    return result;
}

} // namespace kel::fuzz
