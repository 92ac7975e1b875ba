// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The RF test steps as both front ends take them: each checks what the user
// gave, sends its command and gives the message of what was refused or
// failed (Messages.h), nullptr on success. A refused value sends nothing.

#include "rftest/Messages.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// The channel number 1 to 14.
Failure SetChannel(CommandContext& ctx, int channel);
// A row of kRates; powerText takes the level the board reports for it.
Failure SetRate(CommandContext& ctx, int rateRow, std::string& powerText);
// Checked on the number typed, sent as typed.
Failure SetPower(CommandContext& ctx, std::string_view powerText);

// The channel, rate and power a run asks for, or a session had set, each
// optional.
struct TestSettings {
    std::optional<int> channel;
    std::optional<int> rateRow;
    std::optional<std::string> power; // as typed
};

enum class SettingStep { Channel, Rate, Power };

// Sets them in this order, stopping at the first that fails; onDone hears of
// each step that succeeded. powerText takes the level the board reports for
// the rate, then the power set.
Failure ApplySettings(CommandContext& ctx, const TestSettings& settings, std::string& powerText,
                      const std::function<void(SettingStep done)>& onDone = {});

// The count (empty is refused; any number goes, 0 meaning until stopped) and
// the length (checked; empty means automatic) as typed.
Failure StartTx(CommandContext& ctx, std::string_view countText, std::string_view lengthText,
                std::int32_t fullDuty);
// A TX of this count runs until tx_stop; any other ends on the board by itself.
bool IsContinuousTx(std::string_view countText);
Failure StopTx(CommandContext& ctx);

struct RxCounters {
    std::int32_t total = 0;
    std::int32_t abortErrors = 0;
    std::int32_t crcErrors = 0;
};

Failure StartRx(CommandContext& ctx);
// A counter line the board leaves out counts as 0.
Failure StopRx(CommandContext& ctx, RxCounters& counters);

// From a board where no test runs: a chip model whose tone rides on a TX
// carrier gets the rate set to 65 Mbit/s (powerText takes its level) and a
// continuous TX first; the others get the tone alone.
Failure StartTone(CommandContext& ctx, std::string& powerText);
// The tone, and on a chip model with a carrier the TX under it.
Failure StopTone(CommandContext& ctx);

// The pieces of the two above, for a front end that runs them in an order of
// its own (the console's Tone button): the tone command, its stop command,
// and the continuous TX a tone rides on, with a length already checked.
Failure ToneCommand(CommandContext& ctx);
Failure ToneStopCommand(CommandContext& ctx);
Failure StartToneCarrier(CommandContext& ctx, std::int32_t length, std::int32_t fullDuty);

Failure GetMac(CommandContext& ctx, std::string& source, std::string& dest, std::string& bssid);
// The console's Set MAC: its three fields go as typed after -d, -s and -t in
// this order, as the button has always sent them (the board stores -d as the
// destination and -s as the source). The board checks them.
Failure SetMac(CommandContext& ctx, std::string_view first, std::string_view second,
               std::string_view third);
// Each address where GetMac reads it back.
Failure SetMacAddresses(CommandContext& ctx, std::string_view source, std::string_view dest,
                        std::string_view bssid);

} // namespace kel::rftest
