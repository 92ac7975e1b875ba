// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the exchange fuzzer runs: every command function, the handshake, the
// SDD dump reader and the bare line readers, each as one operation picked by
// the input's header, with the line script after it.
//
// Input: chip model byte (value % 5 - 1, so -1..3), operation byte (value
// % the number of operations), log pane byte (0 empty; else the pane starts
// near its limit, kLogPaneLimit - 128 + value), two bytes of a signed 16-bit
// line limit (big-endian; the bare readers take it), then the line script.

#include "fuzz/ScriptedContext.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kel::fuzz {

// The value an output keeps while no reply line has set it.
inline constexpr char kUnset[] = "unset";

struct ExchangeOutputs {
    std::string power = kUnset;
    std::string srcMac = kUnset, dstMac = kUnset, bssid = kUnset;
    std::string freqOffset = kUnset;
    std::string dsss = kUnset, bpsk12 = kUnset, qam64 = kUnset;
    std::int32_t total = 0, abortErrors = 0, crcErrors = 0;
    bool sddAsked = false;        // get_sdd_file went out and the dump was read
    std::string sddFile;          // what the dump reader left in the file
    std::vector<char> lineBuffer; // the bare reader's buffer: exactly limit + 1 bytes
};

struct ExchangeRun {
    ScriptedContext& ctx;
    int limit; // the header's line limit
    ExchangeOutputs& out;
};

struct ExchangeOp {
    const char* name;
    // Does nothing but return kResultNoChipModel when no chip model is chosen.
    bool needsChipModel;
    // The longest reply line it accepts, line feed included; 0: the header's limit.
    int lineLimit;
    int (*run)(ExchangeRun&);
};

std::span<const ExchangeOp> ExchangeOps();
// The index of the operation of that name.
std::size_t ExchangeOpIndex(std::string_view name);

struct ExchangeInput {
    int chipModel = -1;
    std::size_t op = 0;
    std::size_t prefill = 0;
    int limit = 0;
    std::string_view script;
};

constexpr std::size_t kHeaderSize = 5;

std::optional<ExchangeInput> DecodeExchangeInput(std::string_view bytes);
std::string EncodeExchangeHeader(int chipModel, std::size_t op, int limit = kLineLimit);

// Runs the input's operation on a port that reads the given (loaded) line;
// returns the result with the outputs in run.
int RunExchange(const ExchangeInput& input, ScriptedLine& line, ExchangeOutputs& outputs);

} // namespace kel::fuzz
