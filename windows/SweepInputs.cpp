// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/SweepInputs.h"

#include "rftest/RfTables.h"
#include "windows/StateFolder.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

namespace rftest = kel::rftest;

const QString kChannels = QStringLiteral("sweep/channels");
const QString kRates = QStringLiteral("sweep/rates");
const QString kSeconds = QStringLiteral("sweep/seconds");
const QString kSent = QStringLiteral("sweep/sent");
const QString kLimit = QStringLiteral("sweep/limit");
const QString kDut = QStringLiteral("sweep/dut");

// Sorted and without repeats: the sweep goes in table order.
std::vector<int> Ordered(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

SweepInputs::SweepInputs() : rateRows{rftest::RateRowAt(1.0f), rftest::RateRowAt(54.0f)} {}

SweepInputs LoadSweepInputs() {
    const QSettings file(OptionsFile(), QSettings::IniFormat);
    SweepInputs inputs;
    if (file.contains(kChannels)) {
        std::vector<int> channels;
        for (const QString& text : file.value(kChannels).toStringList()) {
            bool ok = false;
            const int channel = text.toInt(&ok);
            if (ok && rftest::IsChannel(channel))
                channels.push_back(channel);
        }
        inputs.channels = Ordered(channels);
    }
    if (file.contains(kRates)) {
        std::vector<int> rows;
        for (const QString& text : file.value(kRates).toStringList()) {
            if (const std::optional<int> row = rftest::RateRowOf(text.toStdString()))
                rows.push_back(*row);
        }
        // Table order, as the check boxes stand.
        inputs.rateRows = Ordered(rows);
    }
    bool ok = false;
    const double seconds = file.value(kSeconds).toDouble(&ok);
    if (ok && seconds > 0 && seconds <= SweepInputs::kLongestSeconds)
        inputs.seconds = seconds;
    const int sent = file.value(kSent).toInt(&ok);
    if (ok && sent > 0)
        inputs.sent = sent;
    inputs.limit = file.value(kLimit, inputs.limit).toString();
    inputs.dut = file.value(kDut).toString();
    return inputs;
}

bool SaveSweepInputs(const SweepInputs& inputs) {
    QSettings file(OptionsFile(), QSettings::IniFormat);
    QStringList channels, rates;
    for (const int channel : inputs.channels)
        channels << QString::number(channel);
    // Rates by value, so a remembered choice survives a change of the table's order.
    for (const int row : inputs.rateRows)
        rates << QString::fromStdString(
            rftest::RateLabel(rftest::kRates[static_cast<std::size_t>(row)]));
    file.setValue(kChannels, channels);
    file.setValue(kRates, rates);
    file.setValue(kSeconds, inputs.seconds);
    file.setValue(kSent, inputs.sent);
    file.setValue(kLimit, inputs.limit);
    file.setValue(kDut, inputs.dut);
    file.sync();
    return file.status() == QSettings::NoError;
}

bool ReadPerLimit(const QString& text, std::optional<double>& limit, QString& why) {
    const QString trimmed = text.trimmed();
    limit.reset();
    if (trimmed.isEmpty())
        return true;
    bool ok = false;
    const double percent = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(percent) || percent < 0 || percent > 100) {
        why = QStringLiteral("The PER limit must be a number from 0 to 100, or empty for none.");
        return false;
    }
    limit = percent;
    return true;
}

std::optional<rftest::SweepPlan> PlanOf(const SweepInputs& inputs, QString& why) {
    if (inputs.channels.empty() || inputs.rateRows.empty()) {
        why = QStringLiteral("Choose at least one channel and one rate to sweep.");
        return std::nullopt;
    }
    rftest::SweepPlan plan;
    plan.channels = inputs.channels;
    plan.rateRows = inputs.rateRows;
    plan.duration = std::chrono::milliseconds(std::llround(inputs.seconds * 1000.0));
    plan.sent = inputs.sent;
    return plan;
}
