// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board's RF test commands, one function per command line: MAC
// addresses, output power, single tone, transmit and receive tests, channel
// and rate. Each writes its line in the selected chip model's dialect and
// reads reply lines until its end line ("Sending CMD OK!\n"; power_level also
// takes "Sending CMD error!\n").
//
// Results: kResultOk; kResultFailed (nothing written, or the line reader gave
// up first); kResultNoChipModel (no chip model selected, nothing written or
// logged). An output is written only when the line carrying it arrives before
// the end line; otherwise it keeps the caller's value.

#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

class CommandContext;

// Fills the texts from the "Source mac address", "Dest mac address" and
// "BSSID" lines: the 17 characters before each line's line feed.
int get_mac(CommandContext& ctx, std::string& srcMac, std::string& dstMac, std::string& bssid);

// The texts go unchanged after "-d", "-s" and "-t", in this order.
int set_mac(CommandContext& ctx, std::string_view first, std::string_view second,
            std::string_view third);

// The power text goes unchanged; the board's error line counts as an answer.
int power_level(CommandContext& ctx, std::string_view powerText);

int tone(CommandContext& ctx);
int tone_stop(CommandContext& ctx);

// Note the argument order: length first, then count. On the wire the options
// stand as " -n <count> -l <length> -f", each left out when its value is 0
// (count 0: bursts until tx_stop; length 0: automatic length). Two give-ups
// of the line reader are passed over, with a 10 ms pause each.
int tx(CommandContext& ctx, std::int32_t length, std::int32_t count, std::int32_t fullDuty);
int tx_stop(CommandContext& ctx);

int rx(CommandContext& ctx);
// Sets the counters from the "Total:", "AbortError:" and "CRCError:" lines.
// A counter whose line does not come keeps its value: preset all three to 0.
int rx_stop(CommandContext& ctx, std::int32_t& total, std::int32_t& abortErrors,
            std::int32_t& crcErrors);

// The channel number 1 to 14, on the 2 GHz band.
int channel(CommandContext& ctx, std::int32_t channelNumber);

// Mode 1, 2 or 5 and the rate in Mbit/s, written with one decimal ("5.5",
// "6.0"). Sets powerText from a "power level:" line, unchanged.
int rate(CommandContext& ctx, int mode, float rateMbps, std::string& powerText);

} // namespace kel
