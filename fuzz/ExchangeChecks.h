// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every run of the exchange fuzzer must leave true, beyond what the
// sanitizers watch: result codes, the silence without a chip model, reply
// lines within their limit, every write echoed and in its dialect, outputs
// that only reply lines set, and an SDD file that holds the whole announced
// body or nothing.

#include "fuzz/ExchangeOps.h"

namespace kel::fuzz {

void CheckExchange(const ExchangeInput& input, int result, const ScriptedLine& line,
                   const ExchangeOutputs& out);

// One fuzz input played on the current line: run, then checked; its result.
int RunCheckedExchange(const ExchangeInput& input);

} // namespace kel::fuzz
