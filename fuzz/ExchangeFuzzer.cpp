// SPDX-License-Identifier: GPL-3.0-or-later
// The whole exchange against a hostile line: one command function, the
// handshake, the SDD dump or a bare line reader per input, the board played
// by the input's bytes (see ExchangeOps.h and ScriptedLine.h).

#include "fuzz/ExchangeChecks.h"
#include "fuzz/ExchangeOps.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kel::fuzz;
    if (const auto input = DecodeExchangeInput({reinterpret_cast<const char*>(data), size}))
        RunCheckedExchange(*input);
    return 0;
}
