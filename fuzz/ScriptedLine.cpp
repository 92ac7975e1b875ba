// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/ScriptedLine.h"

#include <utility>

namespace kel::fuzz {

namespace {
// The event a marker byte stands for; any other byte stands for itself.
LineEvent MarkedEvent(std::uint8_t marker) {
    constexpr std::pair<char, LineEvent::Kind> kMarkers[] = {
        {'S', LineEvent::SliceEnd},
        {'F', LineEvent::ReadFails},
        {'C', LineEvent::Cancel},
        {'W', LineEvent::WriteFails},
    };
    for (const auto& [byte, kind] : kMarkers) {
        if (marker == static_cast<std::uint8_t>(byte))
            return {kind};
    }
    return {LineEvent::Byte, marker};
}
} // namespace

ScriptedLine& ScriptedLine::Current() {
    static ScriptedLine line;
    return line;
}

void ScriptedLine::Load(std::string_view script) {
    *this = ScriptedLine{};
    for (std::size_t i = 0; i < script.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(script[i]);
        if (byte != kMarker || i + 1 == script.size()) {
            events_.push_back({LineEvent::Byte, byte});
            continue;
        }
        const auto next = static_cast<std::uint8_t>(script[++i]);
        events_.push_back(MarkedEvent(next));
    }
}

LineEvent ScriptedLine::NextRead() {
    ++readsTried;
    while (!events_.empty() && events_.front().kind == LineEvent::WriteFails)
        events_.pop_front();
    if (events_.empty()) {
        hungUp = true;
        return {LineEvent::ReadFails};
    }
    const LineEvent event = events_.front();
    events_.pop_front();
    cancelled = cancelled || event.kind == LineEvent::Cancel;
    hungUp = hungUp || event.kind == LineEvent::ReadFails;
    return event;
}

bool ScriptedLine::TakeWriteFailure() {
    if (events_.empty() || events_.front().kind != LineEvent::WriteFails)
        return false;
    events_.pop_front();
    if (!writeFailed)
        readsBeforeWriteFailure = readsTried;
    writeFailed = true;
    return true;
}

void ScriptedLine::RecordWrite(const std::uint8_t* bytes, std::size_t count) {
    const std::string_view written(reinterpret_cast<const char*>(bytes), count);
    transcript.push_back({TranscriptEntry::Write, std::string(written)});
    if (!responder)
        return;
    for (const char c : responder(written))
        events_.push_back({LineEvent::Byte, static_cast<std::uint8_t>(c)});
}

void ScriptedLine::RecordRead(std::uint8_t byte, bool patient) {
    bytesRead.push_back(static_cast<char>(byte));
    if (patient)
        patientBytes.push_back(static_cast<char>(byte));
}

void ScriptedLine::RecordLog(TranscriptEntry::Kind kind, std::string text) {
    transcript.push_back({kind, std::move(text)});
}

std::string EscapeBytes(std::string_view bytes) {
    std::string script;
    for (const char c : bytes) {
        script.push_back(c);
        if (static_cast<std::uint8_t>(c) == kMarker)
            script.push_back(c);
    }
    return script;
}

} // namespace kel::fuzz
