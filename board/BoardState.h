// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the virtual board remembers: what the console sets reads back
// from here, and the SDD file is built from the stored part of it.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace kel::board {

// The three power classes that both the live power and the SDD table keep.
enum PowerClass : int { kDsss = 0, kOfdm = 1, kMcs7 = 2 };

enum class SupplyMode { Ldo, DcDc, Switching };

// What a receive test has counted: every frame seen, failed ones included.
struct RxCounters {
    std::int32_t total = 0;
    std::int32_t abortErrors = 0;
    std::int32_t crcErrors = 0;

    bool operator==(const RxCounters&) const = default;
};

// What a tester's signal reaches a board with on a typical bench.
inline constexpr double kDefaultRxLevelDbm = -65.0;

struct BoardState {
    // Handshake: connect opens the test mode, enable_phy powers the radio.
    bool connected = false;
    bool phyEnabled = false;

    std::string sourceMac = "02:4b:45:4c:00:01";
    std::string destMac = "ff:ff:ff:ff:ff:ff";
    std::string bssid = "02:4b:45:4c:00:00";

    int channel = 1;
    int rateMode = 1;
    int rateTenths = 10; // Mbit/s times ten: 5.5 is 55

    // Stored in the SDD file; the live values start from them.
    int sddFreqOffset = 48;
    std::array<int, 3> sddPower{64, 56, 48};
    int liveFreqOffset = 48;
    std::array<int, 3> livePower{64, 56, 48};
    // Comment lines the SDD file carries after its header: a board with a
    // larger file, for benchmarks of the dump.
    std::string sddNotes;

    // Supply: LDO is pa23 released and the top LDO at 1.8 V, DC-DC is pa23
    // driven and the top LDO at 1.4 V.
    bool pa23Configured = false;
    int topLdoTenths = 18;

    bool txRunning = false;
    bool rxRunning = false;
    bool toneRunning = false;
    std::int32_t txCount = 0;
    std::int32_t txLength = 0;
    bool txFullDuty = false;
    std::chrono::steady_clock::time_point rxStart{};
    // The signal the board hears while receiving, in dBm.
    double rxLevelDbm = kDefaultRxLevelDbm;
    // While the bench's generator is routed to the board with its output on:
    // its level, which replaces the tester's signal, and only its bursts count.
    std::optional<double> generatorLevelDbm;
    // The current or last receive test: its counters so far and the frames
    // the tester has sent in it that they account for.
    RxCounters rxCounters;
    std::int64_t rxFramesCounted = 0;

    SupplyMode Supply() const {
        if (!pa23Configured && topLdoTenths == 18)
            return SupplyMode::Ldo;
        if (pa23Configured && topLdoTenths == 14)
            return SupplyMode::DcDc;
        return SupplyMode::Switching;
    }
};

} // namespace kel::board
