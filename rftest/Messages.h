// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a front end tells the user when a step is refused or fails: one fixed
// English text per case, naming the command. The console shows them in its
// message boxes, kel-rftest on standard error and in its JSON lines.

namespace kel::rftest {

// nullptr when a step succeeded, else one of the messages below.
using Failure = const char*;

inline constexpr char kOpenFailed[] = "Failed to open uart!";
inline constexpr char kProbeFailed[] = "Failed to send kel cmd!";
inline constexpr char kConnectFailed[] = "Failed to send kel connect cmd!";
inline constexpr char kEnablePhyFailed[] = "Failed to send kel enable phy cmd!";

inline constexpr char kChannelFailed[] = "Failed to send kel channel cmd!";
inline constexpr char kInvalidRate[] = "Invalid rate!";
inline constexpr char kRateFailed[] = "Failed to send kel rate cmd!";
inline constexpr char kInvalidPower[] = "Invalid power value, should be -118 to 120!";
inline constexpr char kPowerFailed[] = "Failed to send kel set power cmd!";
inline constexpr char kNoTxCount[] = "Please enter TX count!";
inline constexpr char kInvalidTxLength[] =
    "Invalid TX length!\nLength should be 0 - 4095(0 for auto length)";
inline constexpr char kTxFailed[] = "Failed to send kel tx cmd!";
inline constexpr char kTxStopFailed[] = "Failed to send kel tx stop cmd!";
inline constexpr char kRxFailed[] = "Failed to send kel rx cmd!";
inline constexpr char kRxStopFailed[] = "Failed to send kel rx stop cmd!";
inline constexpr char kToneFailed[] = "Failed to send kel tone cmd!";
inline constexpr char kToneStopFailed[] = "Failed to send kel tone stop cmd!";
inline constexpr char kGetMacFailed[] = "Failed to send kel get mac cmd!";
inline constexpr char kSetMacFailed[] = "Failed to send kel set mac cmd!";

inline constexpr char kInvalidFreqOffset[] = "Invalid Sdd Freq Offset value, should be 0-127!";
inline constexpr char kSetFreqOffsetFailed[] = "Failed to send kel set freq offset cmd!";
inline constexpr char kGetFreqOffsetFailed[] = "Failed to send kel get freq offset cmd!";
inline constexpr char kSaveFreqOffsetFailed[] = "Failed to send kel set sdd freq offset cmd!";
inline constexpr char kGetSddFreqOffsetFailed[] = "Failed to send kel get sdd freq offset cmd!";
inline constexpr char kInvalidSddPower[] = "Invalid Sdd power value, should be 0-120!";
inline constexpr char kSetSddPowerFailed[] = "Failed to send kel set sdd power all cmd!";
inline constexpr char kGetSddPowerFailed[] = "Failed to send kel get sdd power all cmd!";
inline constexpr char kLdoFailed[] = "Failed to send Switch to LDO Mode cmd!";
inline constexpr char kDcDcFailed[] = "Failed to send Switch to DC-DC Mode cmd!";
inline constexpr char kDcDcQuestion[] =
    "Make sure the DC-DC is attached to the board? Only DC-DC on the board can switch to "
    "DC-DC mode";
inline constexpr char kSddRequestFailed[] = "Failed to send kel get ASCII SDD cmd!";
inline constexpr char kSddDumpFailed[] = "Save sdd data erro!";
inline constexpr char kEmptyCommand[] = "Invalid cmd !";
inline constexpr char kNoAck[] = "Ack Error!";

} // namespace kel::rftest
