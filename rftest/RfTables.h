// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tables both front ends offer: the 20 rates with the modulation mode
// each is sent with and the SDD power class each falls in, the channels and
// the baud rates. Code names a row by what it holds (RateRowAt(65.0f)),
// never by its number.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel::rftest {

// The rows of the SDD power table, one per rate class, in the table's order.
enum class SddPowerClass { Dsss11b, Ofdm11gn, Mcs7 };

struct RateRow {
    float mbps;
    int mode; // modulation mode sent with the rate
    // The class whose stored power a power level set at this rate is.
    std::optional<SddPowerClass> sddPowerClass;
};

// In the order of the console's Rate list: row r is kRates[r]. The DSSS
// rates, the OFDM rates up to 54 and 52 Mbit/s, and 65 Mbit/s each have an
// SDD power class; 58.5 Mbit/s has none of its own.
inline constexpr std::array<RateRow, 20> kRates{{
    {1.0f, 1, SddPowerClass::Dsss11b},
    {2.0f, 1, SddPowerClass::Dsss11b},
    {5.5f, 1, SddPowerClass::Dsss11b},
    {11.0f, 1, SddPowerClass::Dsss11b},
    {6.0f, 2, SddPowerClass::Ofdm11gn},
    {9.0f, 2, SddPowerClass::Ofdm11gn},
    {12.0f, 2, SddPowerClass::Ofdm11gn},
    {18.0f, 2, SddPowerClass::Ofdm11gn},
    {24.0f, 2, SddPowerClass::Ofdm11gn},
    {36.0f, 2, SddPowerClass::Ofdm11gn},
    {48.0f, 2, SddPowerClass::Ofdm11gn},
    {54.0f, 2, SddPowerClass::Ofdm11gn},
    {6.5f, 5, SddPowerClass::Ofdm11gn},
    {13.0f, 5, SddPowerClass::Ofdm11gn},
    {19.5f, 5, SddPowerClass::Ofdm11gn},
    {26.0f, 5, SddPowerClass::Ofdm11gn},
    {39.0f, 5, SddPowerClass::Ofdm11gn},
    {52.0f, 5, SddPowerClass::Ofdm11gn},
    {58.5f, 5, std::nullopt},
    {65.0f, 5, SddPowerClass::Mcs7},
}};

// The first row of a table that holds the value, in the given field; -1 when
// none does.
template <typename Table, typename Value, typename Field>
constexpr int RowHolding(const Table& table, const Value& value, Field field) {
    for (std::size_t row = 0; row < table.size(); ++row) {
        if (field(table[row]) == value)
            return static_cast<int>(row);
    }
    return -1;
}

// The row of a rate the table has, by its value in Mbit/s; -1 for any other.
constexpr int RateRowAt(float mbps) {
    return RowHolding(kRates, mbps, [](const RateRow& row) { return row.mbps; });
}

// The carrier a single tone rides on, where it rides on one, runs at 65 Mbit/s.
inline constexpr int kToneRateRow = RateRowAt(65.0f);
static_assert(kToneRateRow >= 0);

// "5.5", "54.0": the rate in Mbit/s with one decimal, as the rate command
// writes it.
std::string RateLabel(const RateRow& row);
// "5.5Mbps", "11.0Mbps": how the console's rate lists show a row.
std::string RateListText(const RateRow& row);

// The row of a rate written in Mbit/s, with or without its decimal ("54",
// "54.0", "5.5"); nullopt for a rate the table does not have.
std::optional<int> RateRowOf(std::string_view mbps);

inline constexpr int kFirstChannel = 1;
inline constexpr int kLastChannel = 14;
constexpr bool IsChannel(std::int64_t channel) {
    return channel >= kFirstChannel && channel <= kLastChannel;
}
// The Channel list holds the channels in order: row 0 is kFirstChannel.
constexpr int ChannelAtRow(int row) {
    return kFirstChannel + row;
}
constexpr int RowOfChannel(int channel) {
    return channel - kFirstChannel;
}

inline constexpr std::array<std::uint32_t, 6> kBaudRates{9600,    115200,  921600,
                                                         1000000, 1500000, 3000000};
inline constexpr std::uint32_t kDefaultBaudRate = 115200;
inline constexpr int kDefaultBaudRow =
    RowHolding(kBaudRates, kDefaultBaudRate, [](std::uint32_t baud) { return baud; });
static_assert(kDefaultBaudRow >= 0);

// The SDD power class of a rate row; none for 58.5 Mbit/s or a row the table
// does not have.
std::optional<SddPowerClass> SddPowerClassOf(int rateRow);

} // namespace kel::rftest
