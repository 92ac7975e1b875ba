// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A broken invariant is a finding like a crash: say which one and abort, so
// libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace kel::fuzz {

inline void Require(bool holds, const char* invariant) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

} // namespace kel::fuzz
