// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/StationCounters.h"

#include <QCoreApplication>

using kel::plan::BoardVerdict;

void StationCounters::Count(const std::string& serial, BoardVerdict verdict) {
    if (verdict == BoardVerdict::Interrupted)
        return;
    ++tested;
    passed += verdict == BoardVerdict::Pass ? 1 : 0;
    failed += verdict == BoardVerdict::Fail ? 1 : 0;
    errors += verdict == BoardVerdict::Error ? 1 : 0;
    // A board without a serial cannot be known again: each test is a first.
    const bool first = serial.empty() || seen_.insert(serial).second;
    if (!first)
        return;
    ++boards_;
    firstPassed_ += verdict == BoardVerdict::Pass ? 1 : 0;
}

std::optional<double> StationCounters::FirstPassYield() const {
    if (boards_ == 0)
        return std::nullopt;
    return 100.0 * firstPassed_ / boards_;
}

QString StationCounters::Text(std::chrono::steady_clock::duration session) const {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("StationCounters", text);
    };
    const std::optional<double> yield = FirstPassYield();
    const double hours = std::chrono::duration<double>(session).count() / 3600.0;
    // Less than a minute says nothing about a rate.
    const QString rate =
        hours * 60 < 1 ? QStringLiteral("–") : QString::number(tested / hours, 'f', 0);
    return tr("tested %1 · passed %2 · failed %3 · errors %4 · first-pass yield %5 · %6 boards/h")
        .arg(tested)
        .arg(passed)
        .arg(failed)
        .arg(errors)
        .arg(yield ? QString::number(*yield, 'f', 1) + QStringLiteral(" %") : QStringLiteral("–"))
        .arg(rate);
}
