// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measurements an instrument takes of a board: the frequency of its
// single tone against the channel centre, and the power of its TX. The
// board's part (tone or TX on, then off) and the instrument's part (route,
// measure) are apart, so a plan holds the instrument only while it measures
// and several boards interleave on one.
//
// Instrument faults come as instrument::InstrumentError; the board's as the
// step's Failure. Whatever failed, a tone or TX these steps started is
// stopped before they return.

#include "instrument/Instrument.h"
#include "rftest/Measurement.h"
#include "rftest/Messages.h"

#include <functional>
#include <optional>
#include <string>

namespace kel {
class CommandContext;
}

namespace kel::rftest {

// tone-freq and tx-power measure here unless a channel is given.
inline constexpr int kInstrumentChannel = 7;

struct ToneReading {
    double centreHz = 0;
    double freqHz = 0;
    double errorHz = 0;
    double errorPpm = 0;
};

struct PowerReading {
    double centreHz = 0;
    double powerDbm = 0;
};

// The channel's centre frequency in hertz: 2407 + 5 ch MHz, 2484 MHz for 14.
double ChannelCentreHz(int channel);

// Tone on (StartTone), measure, tone off. powerText takes the level of a
// tone's carrier rate where the chip model has one.
Failure WithTone(CommandContext& ctx, std::string& powerText, const std::function<void()>& measure);
// A continuous TX at the settings in force, measure, TX off.
Failure WithTx(CommandContext& ctx, const std::function<void()>& measure);

// Route (when given), then the instrument's reading.
ToneReading ReadToneFrequency(instrument::Instrument& bench, std::optional<int> route, int channel);
PowerReading ReadTxPower(instrument::Instrument& bench, std::optional<int> route, int channel);

// As results: tone_freq judged on |error_ppm| <= maxPpm, tx_power on its
// bounds. The settings (channel, rate, power level) are the caller's to fill.
Measurement ToneFreqMeasurement(const ToneReading& reading, std::optional<double> maxPpm);
Measurement TxPowerMeasurement(const PowerReading& reading, const Limit& limit);

// "2442000312 Hz, error +312 Hz (+0.13 ppm)", "17.84 dBm".
std::string ToneText(const ToneReading& reading);
std::string PowerText(const PowerReading& reading);

} // namespace kel::rftest
