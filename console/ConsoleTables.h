#pragma once
// The console's fixed tables: chip models, rates, baud rates and channels,
// and the version and About texts.

#include <array>
#include <cstdint>
#include <string>

namespace kel {

inline constexpr char kVersionText[] = "1.0.8g";
// Second line of the About box.
inline constexpr char kAboutNotice[] = "RF test bench console";

// Row r of the Chip Model list; rows 0 and 1 speak the prefixed dialect.
inline constexpr std::array<const char*, 4> kChipModels{"QB201", "QB102", "QB202", "QB101"};
// Chip model rows that use the bare dialect and have the calibration controls.
constexpr bool HasCalibration(int chipModelIndex) {
    return chipModelIndex == 2 || chipModelIndex == 3;
}

struct RateRow {
    float mbps;
    int mode; // modulation mode sent with the rate
};

inline constexpr std::array<RateRow, 20> kRates{{
    {1.0f, 1},  {2.0f, 1},  {5.5f, 1},  {11.0f, 1}, {6.0f, 2},  {9.0f, 2},  {12.0f, 2},
    {18.0f, 2}, {24.0f, 2}, {36.0f, 2}, {48.0f, 2}, {54.0f, 2}, {6.5f, 5},  {13.0f, 5},
    {19.5f, 5}, {26.0f, 5}, {39.0f, 5}, {52.0f, 5}, {58.5f, 5}, {65.0f, 5},
}};

inline constexpr std::array<std::uint32_t, 6> kBaudRates{9600,    115200,  921600,
                                                         1000000, 1500000, 3000000};
inline constexpr int kDefaultBaudRow = 1; // 115200

// Channel list row r stands for channel r + 1.
inline constexpr int kChannelCount = 14;

// "5.5Mbps", "11.0Mbps": how the Rate list shows a row.
std::string RateText(const RateRow& row);
// "KEL GUI Tool(Version:1.0.8g)": the console's caption and the About box's line.
std::string VersionCaption();

} // namespace kel
