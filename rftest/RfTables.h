#pragma once
// The tables both front ends offer: the 20 rates with the modulation mode
// each is sent with, the channels, the baud rates, and the SDD power class
// each rate falls in.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kel::rftest {

struct RateRow {
    float mbps;
    int mode; // modulation mode sent with the rate
};

// In the order of the console's Rate list: row r is kRates[r].
inline constexpr std::array<RateRow, 20> kRates{{
    {1.0f, 1},  {2.0f, 1},  {5.5f, 1},  {11.0f, 1}, {6.0f, 2},  {9.0f, 2},  {12.0f, 2},
    {18.0f, 2}, {24.0f, 2}, {36.0f, 2}, {48.0f, 2}, {54.0f, 2}, {6.5f, 5},  {13.0f, 5},
    {19.5f, 5}, {26.0f, 5}, {39.0f, 5}, {52.0f, 5}, {58.5f, 5}, {65.0f, 5},
}};

// "5.5", "54.0": the rate in Mbit/s with one decimal, as the rate command
// writes it.
std::string RateLabel(const RateRow& row);

// The row of a rate written in Mbit/s, with or without its decimal ("54",
// "54.0", "5.5"); nullopt for a rate the table does not have.
std::optional<int> RateRowOf(std::string_view mbps);

inline constexpr int kFirstChannel = 1;
inline constexpr int kLastChannel = 14;
constexpr bool IsChannel(std::int64_t channel) {
    return channel >= kFirstChannel && channel <= kLastChannel;
}

inline constexpr std::array<std::uint32_t, 6> kBaudRates{9600,    115200,  921600,
                                                         1000000, 1500000, 3000000};
inline constexpr int kDefaultBaudRow = 1;
inline constexpr std::uint32_t kDefaultBaudRate = kBaudRates[kDefaultBaudRow];

// The rows of the SDD power table, one per rate class.
enum class SddPowerClass { Dsss11b, Ofdm11gn, Mcs7 };

// The class whose stored power a rate row's power level is: the DSSS rates,
// the OFDM rates up to 54 and 52 Mbit/s, and 65 Mbit/s. 58.5 Mbit/s has no
// class of its own.
std::optional<SddPowerClass> SddPowerClassOf(int rateRow);

} // namespace kel::rftest
