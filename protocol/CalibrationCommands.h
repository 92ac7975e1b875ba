// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calibration commands: the crystal frequency offset of the running
// firmware and the one stored in the board's SDD data, and the three stored
// power levels. Each writes one line in the selected chip model's dialect and
// reads reply lines until "Sending CMD OK!\n" or "<ACK> 200 OK\n".
//
// Results as in RfTestCommands.h. A value read from a reply is stored as the
// decimal text of the number read, and only when its line arrives (for
// get_freq_offset, possibly even when the call then fails).

#include <string>
#include <string_view>

namespace kel {

class CommandContext;

int set_freq_offset(CommandContext& ctx, std::string_view freqOffset);

// Ends only after both the "freq offset is" value line (with a colon) and an
// acknowledgement, in either order; after the value line the acknowledgement
// must come within five lines.
int get_freq_offset(CommandContext& ctx, std::string& freqOffset);

// Reads the "Get sdd freq offset" line that comes before the acknowledgement.
int get_sdd_freq_offset(CommandContext& ctx, std::string& freqOffset);
int set_sdd_freq_offset(CommandContext& ctx, std::string_view freqOffset);

// Fills the texts from the "DSSS", "BPSK1/2" and "64QAM5/6" lines; each value
// sits in the last three characters before the line feed.
int get_sdd_power_all(CommandContext& ctx, std::string& dsss, std::string& bpsk12,
                      std::string& qam64);
// The texts go unchanged into the command, in this order.
int set_sdd_power_all(CommandContext& ctx, std::string_view first, std::string_view second,
                      std::string_view third);

} // namespace kel
