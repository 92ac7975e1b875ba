// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Invocation.h"

namespace kel::cli {

const char* SubcommandName(Subcommand subcommand) {
    switch (subcommand) {
    case Subcommand::Info:
        return "info";
    case Subcommand::Tx:
        return "tx";
    case Subcommand::TxStop:
        return "tx-stop";
    case Subcommand::Tone:
        return "tone";
    case Subcommand::ToneStop:
        return "tone-stop";
    case Subcommand::Rx:
        return "rx";
    case Subcommand::SweepRx:
        return "sweep-rx";
    case Subcommand::FreqOffsetGet:
        return "freq-offset get";
    case Subcommand::FreqOffsetSet:
        return "freq-offset set";
    case Subcommand::FreqOffsetSave:
        return "freq-offset save";
    case Subcommand::SddPowerGet:
        return "sdd-power get";
    case Subcommand::SddPowerSet:
        return "sdd-power set";
    case Subcommand::SddExport:
        return "sdd-export";
    case Subcommand::MacGet:
        return "mac get";
    case Subcommand::MacSet:
        return "mac set";
    case Subcommand::SupplyLdo:
        return "supply ldo";
    case Subcommand::SupplyDcDc:
        return "supply dcdc";
    case Subcommand::Send:
        return "send";
    case Subcommand::ToneFreq:
        return "tone-freq";
    case Subcommand::TxPower:
        return "tx-power";
    case Subcommand::CalibrateFreq:
        return "calibrate-freq";
    case Subcommand::CalibratePower:
        return "calibrate-power";
    case Subcommand::Sensitivity:
        return "sensitivity";
    }
    return "";
}

} // namespace kel::cli
