// SPDX-License-Identifier: GPL-3.0-or-later
#include "rftest/InstrumentSteps.h"

#include "rftest/RfSteps.h"

#include <cstdio>

namespace kel::rftest {

namespace {

// Runs measure between start and stop; stop runs also when measure throws.
Failure Between(Failure started, const std::function<void()>& measure,
                const std::function<Failure()>& stop) {
    if (started)
        return started;
    try {
        measure();
    } catch (...) {
        stop();
        throw;
    }
    return stop();
}

} // namespace

double ChannelCentreHz(int channel) {
    if (channel == 14)
        return 2484e6;
    return (2407.0 + 5.0 * channel) * 1e6;
}

Failure WithTone(CommandContext& ctx, std::string& powerText,
                 const std::function<void()>& measure) {
    return Between(StartTone(ctx, powerText), measure, [&] { return StopTone(ctx); });
}

Failure WithTx(CommandContext& ctx, const std::function<void()>& measure) {
    return Between(StartTx(ctx, "0", "0", 0), measure, [&] { return StopTx(ctx); });
}

ToneReading ReadToneFrequency(instrument::Instrument& bench, std::optional<int> route,
                              int channel) {
    if (route)
        bench.Route(*route);
    ToneReading reading;
    reading.centreHz = ChannelCentreHz(channel);
    reading.freqHz = bench.MeasureFrequency(reading.centreHz);
    reading.errorHz = reading.freqHz - reading.centreHz;
    reading.errorPpm = reading.errorHz / reading.centreHz * 1e6;
    return reading;
}

PowerReading ReadTxPower(instrument::Instrument& bench, std::optional<int> route, int channel) {
    if (route)
        bench.Route(*route);
    PowerReading reading;
    reading.centreHz = ChannelCentreHz(channel);
    reading.powerDbm = bench.MeasurePower(reading.centreHz);
    return reading;
}

Measurement ToneFreqMeasurement(const ToneReading& reading, std::optional<double> maxPpm) {
    Measurement m;
    m.kind = MeasurementKind::ToneFreq;
    m.at = UtcNow();
    m.freqHz = reading.freqHz;
    m.errorHz = reading.errorHz;
    m.errorPpm = reading.errorPpm;
    if (maxPpm)
        m.JudgeBy(reading.errorPpm, Limit{-*maxPpm, *maxPpm, std::nullopt});
    m.value = reading.errorPpm;
    return m;
}

Measurement TxPowerMeasurement(const PowerReading& reading, const Limit& limit) {
    Measurement m;
    m.kind = MeasurementKind::TxPower;
    m.at = UtcNow();
    m.powerDbm = reading.powerDbm;
    m.JudgeBy(reading.powerDbm, limit);
    m.value = reading.powerDbm;
    return m;
}

std::string ToneText(const ToneReading& reading) {
    char text[128];
    std::snprintf(text, sizeof text, "%.0f Hz, error %+.0f Hz (%+.3f ppm)", reading.freqHz,
                  reading.errorHz, reading.errorPpm);
    return text;
}

std::string PowerText(const PowerReading& reading) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f dBm", reading.powerDbm);
    return text;
}

} // namespace kel::rftest
