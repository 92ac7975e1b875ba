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

std::optional<int> Run::WithInstrument(const std::function<void()>& step) {
    try {
        step();
    } catch (const instrument::InstrumentError& error) {
        started_ = Test::None;
        report_.Failure(error.what());
        return kExitFailed;
    }
    return std::nullopt;
}

bool Run::SetMeasuringChannel() {
    if (report_.Facts().channel)
        return true;
    if (Failure failure = rftest::SetChannel(ctx_, rftest::kInstrumentChannel))
        return FailedSetting(failure);
    report_.Facts().channel = rftest::kInstrumentChannel;
    return true;
}

std::optional<int> Run::ReadWhileRunning(Test test, const std::function<void(int)>& read) {
    if (!SetMeasuringChannel())
        return kExitFailed;
    const int channel = *report_.Facts().channel;
    const auto readAtChannel = [&] { read(channel); };
    Failure failure = nullptr;
    if (const std::optional<int> failed = WithInstrument([&] {
            started_ = test;
            failure = test == Test::Tone ? rftest::WithTone(ctx_, powerText_, readAtChannel)
                                         : rftest::WithTx(ctx_, readAtChannel);
            started_ = Test::None;
        }))
        return failed;
    if (failure)
        return Fail(failure);
    return std::nullopt;
}

int Run::JudgedReading(rftest::Measurement m, const std::string& text) {
    TakeSettings(report_.Facts(), m);
    report_.Result({m}, text);
    return m.verdict == rftest::Verdict::Fail ? kExitPerLimit : kExitOk;
}

int Run::ToneFreq() {
    rftest::ToneReading reading;
    if (const std::optional<int> failed = ReadWhileRunning(Test::Tone, [&](int channel) {
            reading = rftest::ReadToneFrequency(*instrument_, run_.instrument->route, channel);
        }))
        return *failed;
    return JudgedReading(rftest::ToneFreqMeasurement(reading, run_.maxPpm),
                         rftest::ToneText(reading));
}

int Run::TxPower() {
    rftest::PowerReading reading;
    if (const std::optional<int> failed = ReadWhileRunning(Test::Tx, [&](int channel) {
            reading = rftest::ReadTxPower(*instrument_, run_.instrument->route, channel);
        }))
        return *failed;
    const rftest::Limit limit{run_.minDbm, run_.maxDbm, std::nullopt};
    return JudgedReading(rftest::TxPowerMeasurement(reading, limit), rftest::PowerText(reading));
}

} // namespace kel::cli
