// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plan texts the plan, kel-rftest and bench programs run: a QB202 plan's
// head, and the steps most of them open with.

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

// A QB202 plan named name: its head (extra keys after the model), then steps.
inline std::string QB202Plan(std::string_view name, std::string_view steps,
                             std::string_view extra = {}) {
    std::string text = "name = \"" + std::string(name) + "\"\nmodel = \"QB202\"\n";
    text += extra;
    return text + std::string(steps);
}

} // namespace kel::test
