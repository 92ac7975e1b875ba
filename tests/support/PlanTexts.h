// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plan texts the plan, kel-rftest, station and bench programs run: a
// QB202 plan's head, and the steps most of them open with.

#include <string>
#include <string_view>

namespace kel::test {

// The crystal offset judged from 20 to 80, then an RX sweep whose keys
// follow this text.
inline constexpr char kOffsetThenSweep[] = R"([[step]]
do = "freq-offset"
min = 20
max = 80
[[step]]
do = "rx-sweep"
)";

// The crystal offset read (not judged), then an RX sweep whose keys follow
// this text.
inline constexpr char kReadOffsetThenSweep[] = R"([[step]]
do = "freq-offset"
[[step]]
do = "rx-sweep"
)";

// A sweep's keys: channel 6 at 54 Mbit/s, 50 packets in half a second a
// point, a PER up to 20 %.
inline constexpr char kSweepChannel6[] = R"(channels = "6"
rates = "54"
seconds = 0.5
sent = 50
max_per = 20
)";

// A station's plan: every board named by its serial (SN- and six digits),
// the operator asked to close the shield box first.
inline constexpr char kSerialsThenShieldBox[] = R"([dut]
required = true
pattern = "^SN-[0-9]{6}$"
[[step]]
do = "prompt"
text = "Close the shield box"
confirm = true
)";

// A QB202 plan named name: its head (extra keys after the model), then steps.
inline std::string QB202Plan(std::string_view name, std::string_view steps,
                             std::string_view extra = {}) {
    std::string text = "name = \"" + std::string(name) + "\"\nmodel = \"QB202\"\n";
    text += extra;
    return text + std::string(steps);
}

} // namespace kel::test
