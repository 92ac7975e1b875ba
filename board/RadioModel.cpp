// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/RadioModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <span>

namespace kel::board {

namespace {

struct RateSensitivity {
    int rateTenths;
    double dbm;
};

// Each mode's rates from slowest to fastest, in the usual 802.11b/g/n ballpark.
constexpr RateSensitivity kDsssRates[] = {{10, -94}, {20, -91}, {55, -89}, {110, -87}};
constexpr RateSensitivity kOfdmRates[] = {{60, -90},  {90, -89},  {120, -87}, {180, -85},
                                          {240, -82}, {360, -79}, {480, -75}, {540, -74}};
constexpr RateSensitivity kHtRates[] = {{65, -89},  {130, -86}, {195, -84}, {260, -81},
                                        {390, -78}, {520, -75}, {585, -74}, {650, -73}};

// Logistic slopes per dB. Shallow enough that a board 8 dB down at the
// default level still counts most frames at 54 Mbit/s, steep enough that the
// top rates lose a few percent there and most frames at -80 dBm.
constexpr double kDsssSlope = 0.3;
constexpr double kOfdmSlope = 0.4;

// Preamble detection: half the frames found at this level, whatever the rate.
constexpr double kDetectionFloorDbm = -95.0;
constexpr double kDetectionSlope = 0.3;
// Even well above that floor some lost frames go unseen (a header lost to
// the same noise that breaks a payload).
constexpr double kUnseenBase = 0.2;
constexpr double kAbortedShare = 0.25;

double Logistic(double x) {
    return 1.0 / (1.0 + std::exp(-x));
}

std::int64_t Binomial(std::int64_t trials, double chance, std::mt19937_64& generator) {
    if (trials <= 0 || !(chance > 0.0))
        return 0;
    if (chance >= 1.0)
        return trials;
    return std::binomial_distribution<std::int64_t>(trials, chance)(generator);
}

} // namespace

std::int32_t FramesSentIn(std::chrono::milliseconds elapsed) {
    const std::int64_t ms = std::max<std::int64_t>(0, elapsed.count());
    // Whole frames only, and no overflow for any duration a clock gives.
    const std::int64_t frames = ms / (1000 / kFramesPerSecond);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(frames, std::numeric_limits<std::int32_t>::max()));
}

double RateSensitivityDbm(int mode, int rateTenths) {
    std::span<const RateSensitivity> table = kOfdmRates;
    if (mode == 1)
        table = kDsssRates;
    else if (mode == 5)
        table = kHtRates;
    for (const RateSensitivity& row : table) {
        if (row.rateTenths == rateTenths)
            return row.dbm;
    }
    return table.back().dbm;
}

double ChannelTiltDb(int channel) {
    const double fromMiddle = (channel - 7) / 6.0;
    return std::min(1.0, fromMiddle * fromMiddle);
}

double FrameLossChance(double marginDb, int mode) {
    const double slope = mode == 1 ? kDsssSlope : kOfdmSlope;
    return Logistic(-slope * marginDb);
}

double UnseenShare(double levelDbm) {
    const double missedPreamble = Logistic(-kDetectionSlope * (levelDbm - kDetectionFloorDbm));
    return kUnseenBase + (1.0 - kUnseenBase) * missedPreamble;
}

RxCounters DrawRxCounts(std::int64_t frames, double lossChance, double unseenShare,
                        std::mt19937_64& generator) {
    const std::int64_t lost = Binomial(frames, lossChance, generator);
    const std::int64_t unseen = Binomial(lost, unseenShare, generator);
    const std::int64_t aborted = Binomial(lost - unseen, kAbortedShare, generator);
    // frames fits 32 bits (FramesSentIn caps it), so every part does too.
    return {static_cast<std::int32_t>(frames - unseen), static_cast<std::int32_t>(aborted),
            static_cast<std::int32_t>(lost - unseen - aborted)};
}

} // namespace kel::board
