// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/BenchInstrument.h"

#include "board/InstrumentServer.h"
#include "instrument/InstrumentError.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
#include "windows/StateFolder.h"

#include <QSettings>
#include <cstdlib>

namespace instrument = kel::instrument;
namespace rftest = kel::rftest;

namespace {

// The url that asks for the virtual bench, as a plan's [instrument] does.
constexpr char kVirtualBenchUrl[] = "virtual";
// The built-in board's slot on the virtual bench's switch.
constexpr int kBuiltInRoute = 1;

} // namespace

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

std::optional<ConsoleSession::Instrument>
BenchInstrument::ForCalibration(kel::board::BoardTray* builtIn, std::string& why) {
    std::vector<instrument::ProfileError> problems;
    auto profile = instrument::LoadProfile(profile_, problems);
    if (!profile) {
        why = "instrument profile " + profile_ + ": " +
              (problems.empty() ? std::string("not found") : problems.front().Text());
        return std::nullopt;
    }
    const bool virtualBench = url_.empty() || url_ == kVirtualBenchUrl;
    if (!virtualBench) {
        const auto url = instrument::ParseInstrumentUrl(url_, why);
        if (!url)
            return std::nullopt;
        return ConsoleSession::Instrument{*url, std::move(*profile), route_};
    }
    if (builtIn == nullptr) {
        why = url_.empty() ? "no instrument is set (KEL_INSTRUMENT, or [instrument] url in " +
                                 OptionsFile().toStdString() +
                                 "); the virtual bench measures only the built-in virtual board"
                           : "the virtual bench measures only the built-in virtual board";
        return std::nullopt;
    }
    // A test may have put in another built-in board since the bench started.
    if (!virtualBench_ || benchTray_ != builtIn) {
        virtualBench_.reset();
        auto bench = std::make_unique<kel::board::InstrumentServer>(
            *builtIn, 0, "kelGuiTool,Virtual Bench,VB1,console");
        if (!bench->Error().empty()) {
            why = "the virtual bench could not start: " + bench->Error();
            return std::nullopt;
        }
        virtualBench_ = std::move(bench);
        benchTray_ = builtIn;
    }
    return ConsoleSession::Instrument{
        {"127.0.0.1", virtualBench_->Port()}, std::move(*profile), kBuiltInRoute};
}

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
