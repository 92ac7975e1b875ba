// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The four chip models and what each one offers. Everything that differs
// between chip models is decided here, by named trait, never by row number.

#include <array>
#include <optional>
#include <string_view>

namespace kel {

// How command lines are written: "netcmd lmac kel <command>" or "kel <command>".
enum class Dialect { Prefixed, Bare };

struct ChipModel {
    const char* name;
    Dialect dialect;
    bool hasCalibration; // frequency offset, live and stored
    bool hasSdd;         // the stored power table and the SDD file export
    bool hasPowerMode;   // the LDO / DC-DC supply switch
    bool hasPer;         // the RX packet error rate read-out
    // The single tone rides on a continuous TX at 65 Mbps; without it the tone
    // goes out alone, with any running TX stopped first.
    bool toneOnTxCarrier;
};

// In the order of the console's Chip Model list: row r is kChipModels[r].
inline constexpr std::array<ChipModel, 4> kChipModels{{
    {"QB201", Dialect::Prefixed, false, false, false, false, true},
    {"QB102", Dialect::Prefixed, false, false, false, false, true},
    {"QB202", Dialect::Bare, true, true, true, true, false},
    {"QB101", Dialect::Bare, true, true, true, true, false},
}};

// The chip model of a row, nullptr for -1 (none chosen) or any other row.
constexpr const ChipModel* ChipModelAt(int row) {
    if (row < 0 || row >= static_cast<int>(kChipModels.size()))
        return nullptr;
    return &kChipModels[static_cast<std::size_t>(row)];
}

// The row of a chip model name, exact and case-sensitive as the list shows it.
constexpr std::optional<int> ChipModelRowOf(std::string_view name) {
    for (std::size_t row = 0; row < kChipModels.size(); ++row) {
        if (name == kChipModels[row].name)
            return static_cast<int>(row);
    }
    return std::nullopt;
}

// A trait of the chip model in a row; false when no chip model is chosen.
constexpr bool ChipModelHas(int row, bool ChipModel::*trait) {
    const ChipModel* model = ChipModelAt(row);
    return model != nullptr && model->*trait;
}

} // namespace kel
