// SPDX-License-Identifier: GPL-3.0-or-later
// The subcommands that measure with an instrument: tone-freq and tx-power.

#include "cli/Run.h"
#include "instrument/InstrumentError.h"
#include "rftest/InstrumentSteps.h"

namespace kel::cli {

using rftest::Failure;

bool Run::ConnectInstrument() {
    if (!run_.instrument)
        return true;
    try {
        instrument_ = cli::ConnectInstrument(*run_.instrument, traceStream_);
    } catch (const instrument::InstrumentError& error) {
        report_.Failure(error.what());
        return false;
    }
    report_.Facts().instrument = instrument_->Identity();
    return true;
}

int Run::InstrumentFailed(const std::string& message) {
    report_.Failure(message);
    return kExitFailed;
}

bool Run::SetMeasuringChannel() {
    if (report_.Facts().channel)
        return true;
    if (Failure failure = rftest::SetChannel(ctx_, rftest::kInstrumentChannel))
        return FailedSetting(failure);
    report_.Facts().channel = rftest::kInstrumentChannel;
    return true;
}

int Run::ToneFreq() {
    if (!SetMeasuringChannel())
        return kExitFailed;
    const int channel = *report_.Facts().channel;
    rftest::ToneReading reading;
    try {
        started_ = Test::Tone;
        const Failure failure = rftest::WithTone(ctx_, powerText_, [&] {
            reading = rftest::ReadToneFrequency(*instrument_, run_.instrument->route, channel);
        });
        started_ = Test::None;
        if (failure)
            return Fail(failure);
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        return InstrumentFailed(error.what());
    }
    rftest::Measurement m = rftest::ToneFreqMeasurement(reading, run_.maxPpm);
    TakeSettings(report_.Facts(), m);
    report_.Result({m}, rftest::ToneText(reading));
    return m.verdict == rftest::Verdict::Fail ? kExitPerLimit : kExitOk;
}

int Run::TxPower() {
    if (!SetMeasuringChannel())
        return kExitFailed;
    const int channel = *report_.Facts().channel;
    rftest::PowerReading reading;
    try {
        started_ = Test::Tx;
        const Failure failure = rftest::WithTx(ctx_, [&] {
            reading = rftest::ReadTxPower(*instrument_, run_.instrument->route, channel);
        });
        started_ = Test::None;
        if (failure)
            return Fail(failure);
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        return InstrumentFailed(error.what());
    }
    rftest::Measurement m =
        rftest::TxPowerMeasurement(reading, rftest::Limit{run_.minDbm, run_.maxDbm, std::nullopt});
    TakeSettings(report_.Facts(), m);
    report_.Result({m}, rftest::PowerText(reading));
    return m.verdict == rftest::Verdict::Fail ? kExitPerLimit : kExitOk;
}

} // namespace kel::cli
