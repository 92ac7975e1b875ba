// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/BenchInstrument.h"

#include "console/StateFolder.h"
#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"

#include <QSettings>
#include <cstdlib>

namespace instrument = kel::instrument;
namespace rftest = kel::rftest;

BenchInstrument::BenchInstrument() {
    const QSettings file(OptionsFile(), QSettings::IniFormat);
    url_ = file.value(QStringLiteral("instrument/url")).toString().toStdString();
    profile_ = file.value(QStringLiteral("instrument/profile"),
                          QString::fromLatin1(instrument::kDefaultProfile))
                   .toString()
                   .toStdString();
    bool ok = false;
    const int route = file.value(QStringLiteral("instrument/route")).toInt(&ok);
    if (ok && route > 0)
        route_ = route;
    if (const char* variable = std::getenv(kInstrumentVariable))
        url_ = variable;
}

BenchInstrument::~BenchInstrument() = default;

instrument::Instrument* BenchInstrument::Connected(std::string& error) {
    if (instrument_)
        return instrument_.get();
    const auto url = instrument::ParseInstrumentUrl(url_, error);
    if (!url)
        return nullptr;
    std::vector<instrument::ProfileError> problems;
    auto profile = instrument::LoadProfile(profile_, problems);
    if (!profile) {
        error = problems.empty() ? "no profile" : problems.front().Text();
        return nullptr;
    }
    auto connected = std::make_unique<instrument::Instrument>(*url, std::move(*profile));
    try {
        connected->Connect();
    } catch (const instrument::InstrumentError& failure) {
        error = failure.what();
        return nullptr;
    }
    instrument_ = std::move(connected);
    return instrument_.get();
}

template <typename Measure> BenchInstrument::Reading BenchInstrument::Measured(Measure measure) {
    std::string error;
    instrument::Instrument* bench = Connected(error);
    if (bench == nullptr)
        return {"Instrument: " + error, std::nullopt};
    try {
        return measure(*bench);
    } catch (const instrument::InstrumentError& failure) {
        instrument_.reset();
        return {"Instrument: " + std::string(failure.what()), std::nullopt};
    }
}

BenchInstrument::Reading BenchInstrument::MeasureTone(int channel) {
    return Measured([&](instrument::Instrument& bench) {
        const rftest::ToneReading reading = rftest::ReadToneFrequency(bench, route_, channel);
        return Reading{"Instrument: tone at " + rftest::ToneText(reading),
                       rftest::ToneFreqMeasurement(reading, std::nullopt)};
    });
}

BenchInstrument::Reading BenchInstrument::MeasurePower(int channel) {
    return Measured([&](instrument::Instrument& bench) {
        const rftest::PowerReading reading = rftest::ReadTxPower(bench, route_, channel);
        return Reading{"Instrument: TX power " + rftest::PowerText(reading),
                       rftest::TxPowerMeasurement(reading, {})};
    });
}
