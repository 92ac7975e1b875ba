// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/FaultMode.h"

#include "board/CommandText.h"
#include "board/RadioModel.h"

namespace kel::board {

namespace {

struct Name {
    std::string_view text;
    FaultKind kind;
};

constexpr Name kNames[] = {
    {"none", FaultKind::None},      {"silent", FaultKind::Silent},
    {"crlf", FaultKind::CrLf},      {"noise", FaultKind::Noise},
    {"slow", FaultKind::Slow},      {"stop-after", FaultKind::StopAfter},
    {"hang-up", FaultKind::HangUp}, {"error", FaultKind::ErrorReplies},
    {"weak-rx", FaultKind::WeakRx},
};

// Ten minutes of pause or a gigabyte of bytes is beyond any use.
constexpr std::int64_t kMaxPauseMs = 600000;
constexpr std::int64_t kMaxByteCount = 1 << 30;

std::optional<FaultMode> Fail(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
    return std::nullopt;
}

} // namespace

std::optional<FaultMode> ParseFaultMode(std::string_view text, std::string* error) {
    const std::size_t equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view valueText = hasValue ? text.substr(equals + 1) : std::string_view{};

    const Name* found = nullptr;
    for (const Name& n : kNames) {
        if (n.text == name)
            found = &n;
    }
    if (!found)
        return Fail(error, "unknown fault mode \"" + std::string(text) + "\"");

    FaultMode mode;
    mode.kind = found->kind;
    switch (mode.kind) {
    case FaultKind::Slow: {
        if (!hasValue)
            return mode;
        const auto ms = ParseInteger(valueText, 0, kMaxPauseMs);
        if (!ms)
            return Fail(error, "slow=MS wants a pause of 0 to 600000 milliseconds");
        mode.pause = std::chrono::milliseconds(*ms);
        return mode;
    }
    case FaultKind::StopAfter:
    case FaultKind::HangUp: {
        if (!hasValue && mode.kind == FaultKind::HangUp) {
            mode.byteCount = kDefaultHangUpBytes;
            return mode;
        }
        const auto count = hasValue ? ParseInteger(valueText, 0, kMaxByteCount) : std::nullopt;
        if (!count)
            return Fail(error, std::string(name) + "=N wants a byte count of 0 to 1073741824");
        mode.byteCount = static_cast<std::size_t>(*count);
        return mode;
    }
    default:
        if (hasValue)
            return Fail(error, "fault mode \"" + std::string(name) + "\" takes no value");
        return mode;
    }
}

std::string FaultModeHelp() {
    return "  none           a well-behaved board (the default)\n"
           "  silent         reads every command and answers none\n"
           "  crlf           ends every reply line in CR LF\n"
           "  noise          sends a status line before every reply line\n"
           "  slow[=MS]      pauses MS milliseconds (300) inside every reply line\n"
           "  stop-after=N   sends the first N bytes of its replies, then nothing\n"
           "  hang-up[=N]    closes the line after N bytes of replies (10)\n"
           "  error          answers every command but the probe \"Sending CMD error!\"\n"
           "  weak-rx        receives " +
           std::to_string(static_cast<int>(kWeakRxPenaltyDb)) +
           " dB worse than its peers: fails PER limits at the top rates\n";
}

} // namespace kel::board
