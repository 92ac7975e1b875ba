// SPDX-License-Identifier: GPL-3.0-or-later
// The steps that measure with the plan's instrument: the board's tone or TX
// goes on without it; the instrument is held (its shared turn) only while it
// routes and measures, so the other boards interleave on it.

#include "instrument/InstrumentError.h"
#include "plan/BoardSession.h"
#include "rftest/InstrumentSteps.h"
#include "rftest/RxMeasurement.h"

namespace kel::plan {

using rftest::Measurement;

namespace {

// The instrument's reading, at the settings in force on the board.
Measurement AtSettings(Measurement reading, const Measurement& settings) {
    reading.channel = settings.channel;
    reading.rateMbps = settings.rateMbps;
    reading.powerLevel = settings.powerLevel;
    return reading;
}

} // namespace

std::optional<int> BoardSession::Route() const {
    const auto found = settings_.routes.find(board_.port);
    if (found == settings_.routes.end())
        return std::nullopt;
    return found->second;
}

bool BoardSession::WithInstrument(const std::function<void(instrument::Instrument&)>& measure) {
    if (settings_.instrument == nullptr) {
        stepError_ = "no instrument: the plan's [instrument] is not connected";
        return false;
    }
    std::optional<RunControl::Turn> turn = control_.TakeTurn(kInstrumentResource);
    if (!turn)
        return false; // cancelled: the caller's next wait says so
    try {
        measure(*settings_.instrument);
        return true;
    } catch (const instrument::InstrumentError& error) {
        stepError_ = error.what();
        return false;
    }
}

BoardSession::Failure BoardSession::StoppedAfter(Failure failure, bool measured) {
    // A failure or a cancel may have cut the stop short: the test stays
    // marked, and the clean-up stops it.
    if (failure)
        return failure;
    if (!measured && control_.Cancelled())
        return rftest::kInterrupted;
    started_ = rftest::RunningTest::None;
    return nullptr;
}

BoardSession::Failure BoardSession::ToneFreq(const Step& step) {
    const int channel = step.settings.channel.value_or(rftest::kInstrumentChannel);
    if (Failure failure = ApplySettings({channel, std::nullopt, std::nullopt}))
        return failure;
    return Retried([&]() -> Failure {
        rftest::ToneReading reading;
        bool measured = false;
        started_ = rftest::RunningTest::Tone;
        const Failure failure = rftest::WithTone(ctx_, powerText_, [&] {
            measured = WithInstrument([&](instrument::Instrument& bench) {
                reading = rftest::ReadToneFrequency(bench, Route(), channel);
            });
        });
        if (Failure ended = StoppedAfter(failure, measured); ended || !measured)
            return ended;
        Measurement m = AtSettings(rftest::ToneFreqMeasurement(reading, std::nullopt),
                                   Measured(rftest::MeasurementKind::ToneFreq));
        m.JudgeBy(reading.errorPpm, step.limit);
        Reported(step, {m});
        return nullptr;
    });
}

BoardSession::Failure BoardSession::TxPower(const Step& step) {
    rftest::TestSettings settings = step.settings;
    settings.channel = settings.channel.value_or(rftest::kInstrumentChannel);
    if (Failure failure = ApplySettings(settings))
        return failure;
    return Retried([&]() -> Failure {
        rftest::PowerReading reading;
        bool measured = false;
        started_ = rftest::RunningTest::Tx;
        const Failure failure = rftest::WithTx(ctx_, [&] {
            measured = WithInstrument([&](instrument::Instrument& bench) {
                reading = rftest::ReadTxPower(bench, Route(), *settings.channel);
            });
        });
        if (Failure ended = StoppedAfter(failure, measured); ended || !measured)
            return ended;
        const Measurement m = AtSettings(rftest::TxPowerMeasurement(reading, step.limit),
                                         Measured(rftest::MeasurementKind::TxPower));
        Reported(step, {m});
        return nullptr;
    });
}

} // namespace kel::plan
