// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/WireTrace.h"

#include "serial/SessionLog.h"

namespace kel::cli {

namespace {
// A reply that never ends its line still shows, in pieces this long.
constexpr std::size_t kLongestLine = 4096;
} // namespace

void WireTrace::Saw(Traffic direction, const std::uint8_t* bytes, std::size_t count) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    if (direction == Traffic::Sent) {
        EndReceivedLine(); // a reply left without its line feed came first
        Line("> ", std::string(text, count));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        received_ += text[i];
        if (text[i] == '\n' || received_.size() >= kLongestLine)
            EndReceivedLine();
    }
}

void WireTrace::Line(const char* mark, std::string bytes) {
    if (bytes.ends_with('\n'))
        bytes.pop_back();
    err_ << mark << EscapeBytes(bytes) << '\n' << std::flush;
}

void WireTrace::EndReceivedLine() {
    if (received_.empty())
        return;
    Line("< ", std::move(received_));
    received_.clear();
}

} // namespace kel::cli
