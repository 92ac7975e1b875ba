// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the board says, in one place: the whole reply lines it ends an answer
// with (line feed included, matched byte for byte) and the labels that begin
// the lines carrying a value (matched at the start of a line).

namespace kel {

// Whole lines.
inline constexpr const char kDriverReady[] = "kel driver is ready!\n";
inline constexpr const char kCmdOk[] = "Sending CMD OK!\n";
inline constexpr const char kAck200[] = "<ACK> 200 OK\n";
inline constexpr const char kCmdError[] = "Sending CMD error!\n";
inline constexpr const char kAck400[] = "<ACK> 400 Unknown command\n";
inline constexpr const char kBeginSddDump[] = "begin dump sdd file\n";
inline constexpr const char kEndSddDump[] = "end dump sdd file\n";

// Labels: enable_phy and rate.
inline constexpr const char kPowerLevelLabel[] = "power level:";
// get_mac.
inline constexpr const char kSourceMacLabel[] = "Source mac address";
inline constexpr const char kDestMacLabel[] = "Dest mac address";
inline constexpr const char kBssidLabel[] = "BSSID";
// rx_stop.
inline constexpr const char kTotalLabel[] = "Total:";
inline constexpr const char kAbortErrorLabel[] = "AbortError:";
inline constexpr const char kCrcErrorLabel[] = "CRCError:";
// get_freq_offset and get_sdd_freq_offset.
inline constexpr const char kFreqOffsetLabel[] = "freq offset is";
inline constexpr const char kSddFreqOffsetLabel[] = "Get sdd freq offset";
// get_sdd_power all: one line per rate class.
inline constexpr const char kDsssLabel[] = "DSSS";
inline constexpr const char kBpskLabel[] = "BPSK1/2";
inline constexpr const char kQam64Label[] = "64QAM5/6";
// The SDD dump.
inline constexpr const char kSddLengthLabel[] = "sdd file length:";

} // namespace kel
