// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the RX sweep window asks for, kept between runs in the options file of
// the state folder ([sweep]), and read into the sweep kel-rftest's sweep-rx
// runs: channels and rates in table order (channel-major), the time and the
// packets sent per point, the PER limit and the DUT label.

#include "rftest/RxMeasurement.h"

#include <QString>
#include <optional>
#include <vector>

struct SweepInputs {
    // A point longer than an hour is a mistake, not a test.
    static constexpr double kLongestSeconds = 3600;

    std::vector<int> channels{1, 6, 11};
    std::vector<int> rateRows; // rows of rftest::kRates; 1 and 54 Mbit/s unless remembered
    double seconds = 1.0;
    int sent = 100;     // about what the virtual board counts in a second
    QString limit{"8"}; // PER in percent; empty for none
    QString dut;

    SweepInputs();
};

// The inputs last kept; the defaults for what is missing or unreadable.
SweepInputs LoadSweepInputs();
// False when the options file cannot be written.
bool SaveSweepInputs(const SweepInputs& inputs);

// The limit typed: nullopt for an empty field; false with why when the text
// is no percentage from 0 to 100.
bool ReadPerLimit(const QString& text, std::optional<double>& limit, QString& why);

// The sweep as rftest::SweepRx takes it; nullopt with why when a channel or
// rate is missing.
std::optional<kel::rftest::SweepPlan> PlanOf(const SweepInputs& inputs, QString& why);
