// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the results tests share: RX points as a sweep takes them, a warning
// sink, and a store setting for a file.

#include "results/BackgroundPush.h"
#include "results/StoreSetting.h"
#include "rftest/Measurement.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace kel::test {

// An RX point judged against an 8 % PER limit.
inline rftest::Measurement RxPoint(int channel, double rateMbps, std::int64_t total,
                                   std::int64_t crcErrors) {
    rftest::Measurement m;
    m.kind = rftest::MeasurementKind::Rx;
    m.channel = channel;
    m.rateMbps = rateMbps;
    m.powerLevel = 16;
    m.sent = 1000;
    m.total = total;
    m.abortErrors = 0;
    m.crcErrors = crcErrors;
    m.perPercent = 100.0 * static_cast<double>(1000 - total + crcErrors) / 1000.0;
    m.JudgeBy(m.perPercent, rftest::Limit{std::nullopt, 8.0, std::nullopt});
    return m;
}

// Told from the test's thread and from a push thread alike.
class Warnings {
public:
    results::Warn Sink() {
        return [this](const std::string& message) {
            std::lock_guard lock(mutex_);
            messages_.push_back(message);
        };
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

inline results::StoreSetting FileSetting(const std::filesystem::path& file) {
    results::StoreSetting setting;
    setting.file = file;
    return setting;
}

} // namespace kel::test
