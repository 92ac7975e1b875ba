// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/calibrate/CalibrateWindow.h"

#include "instrument/Instrument.h"
#include "results/Records.h"
#include "rftest/PointLists.h"
#include "rftest/RfTables.h"
#include "rftest/calibration/CalibrationResults.h"
#include "serial/SerialPort.h"
#include "windows/ConsoleSession.h"
#include "windows/calibrate/CalibrationJob.h"
#include "windows/charts/TraceChart.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <utility>

namespace {

namespace rftest = kel::rftest;
using rftest::Failure;
using rftest::Measurement;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString RateName(int rateRow) {
    return QStringLiteral("%1 Mbit/s")
        .arg(rftest::kRates[static_cast<std::size_t>(rateRow)].mbps, 0, 'f', 1);
}

// A run fails when any result does, passes when one passed and none failed.
std::string RunVerdict(const std::vector<Measurement>& results) {
    const auto judged = [&](rftest::Verdict verdict) {
        return std::any_of(results.begin(), results.end(),
                           [&](const Measurement& m) { return m.verdict == verdict; });
    };
    if (judged(rftest::Verdict::Fail))
        return kel::results::kRunFail;
    return judged(rftest::Verdict::Pass) ? kel::results::kRunPass : std::string();
}

} // namespace

// --- The three runs ---------------------------------------------------------------

void CalibrateWindow::CalibrateCrystal() {
    if (running_ || !MayRun(rftest::kFreqOffsetFeature))
        return;
    rftest::CrystalOptions options;
    options.channel = channelBox->value();
    options.tolerancePpm = tolerancePpmBox->value();
    options.maxSteps = crystalStepsBox->value();
    traceChart->Clear();
    traceChart->SetAxes(tr("Step"), tr("Error (ppm)"), true);
    traceChart->SetGuides(tr("Tolerance"), {-options.tolerancePpm, options.tolerancePpm});
    const auto work = [this, options](kel::CommandContext& board, const rftest::BenchLink& link) {
        int step = 0;
        rftest::CrystalResult result;
        const Failure failure = rftest::CalibrateCrystal(
            board, link, options,
            [&](int code, const rftest::ToneReading& reading) {
                job_->Post([this, code, reading, step = ++step, options] {
                    Took(*traceChart, rftest::FreqTrialMeasurement(code, reading, options.channel),
                         tr("Crystal"), step, reading.errorPpm,
                         tr("Crystal step %1: code %2, %3")
                             .arg(step)
                             .arg(code)
                             .arg(Text(rftest::ToneText(reading))));
                });
            },
            result);
        if (failure)
            return failure;
        job_->Post([this, result, options] {
            Calibrated({rftest::FreqCalMeasurement(result, options)},
                       tr("Crystal: %1").arg(Text(rftest::CrystalText(result))));
            if (result.reached) {
                proven_.connection = session_.ConnectionNumber();
                proven_.crystal = result;
                proven_.crystalOptions = options;
            }
        });
        return Failure{nullptr};
    };
    if (const auto end = Measure(rftest::RunningTest::Tone, work)) {
        Ended(*end, tr("Crystal calibration"));
        session_.LeftAt(options.channel, std::nullopt);
    }
}

void CalibrateWindow::CalibratePower() {
    if (running_ || !MayRun(rftest::kSddPowerFeature))
        return;
    rftest::PowerOptions options;
    options.channel = channelBox->value();
    for (std::size_t i = 0; i < targetBoxes.size(); ++i)
        options.targetDbm[i] = targetBoxes[i]->value();
    options.toleranceDb = toleranceDbBox->value();
    options.maxSteps = powerStepsBox->value();
    traceChart->Clear();
    traceChart->SetAxes(tr("Step"), tr("Error from the target (dB)"), true);
    traceChart->SetGuides(tr("Tolerance"), {-options.toleranceDb, options.toleranceDb});
    std::optional<rftest::PowerResult> done;
    const auto work = [this, options, &done](kel::CommandContext& board,
                                             const rftest::BenchLink& link) {
        int step = 0;
        rftest::PowerResult result;
        const Failure failure = rftest::CalibratePower(
            board, link, options,
            [&](std::size_t powerClass, int level, const rftest::PowerReading& reading) {
                job_->Post([this, powerClass, level, reading, step = ++step, options] {
                    const QString name = Text(rftest::kSddPowerClassNames[powerClass]);
                    Took(*traceChart,
                         rftest::PowerTrialMeasurement(powerClass, level, reading, options.channel),
                         name, step, reading.powerDbm - options.targetDbm[powerClass],
                         tr("%1 step %2: level %3, %4")
                             .arg(name)
                             .arg(step)
                             .arg(level)
                             .arg(Text(rftest::PowerText(reading))));
                });
            },
            result);
        if (failure)
            return failure;
        job_->Post([this, result, options] {
            std::vector<Measurement> results;
            QStringList lines;
            for (std::size_t i = 0; i < result.classes.size(); ++i) {
                results.push_back(rftest::PowerCalMeasurement(i, result.classes[i], options));
                lines << Text(rftest::PowerClassText(i, result.classes[i], false));
            }
            Calibrated(results, tr("TX power: %1").arg(lines.join(QStringLiteral("; "))));
            if (result.Reached()) {
                proven_.connection = session_.ConnectionNumber();
                proven_.power = result;
                proven_.powerOptions = options;
            }
        });
        done = result;
        return Failure{nullptr};
    };
    if (const auto end = Measure(rftest::RunningTest::Tx, work)) {
        Ended(*end, tr("TX power calibration"));
        // The board is left at the last class's rate and level.
        if (done) {
            session_.PowerText() = std::to_string(done->classes.back().level);
            session_.LeftAt(options.channel, rftest::kPowerClassRateRows.back());
        } else {
            session_.LeftAt(options.channel, std::nullopt);
        }
    }
}

void CalibrateWindow::MeasureSensitivity() {
    if (running_ || !MayRun(rftest::kPerFeature))
        return;
    std::string why;
    const auto rates = rftest::ParseRateList(ratesEdit->text().toStdString(), why);
    if (!rates) {
        session_.MessageBox(tr("Rates: %1").arg(Text(why)));
        return;
    }
    rftest::SensitivityOptions options;
    options.channel = channelBox->value();
    options.rateRows = *rates;
    options.frames = framesBox->value();
    options.perPercent = perLimitBox->value();
    options.stepDb = stepDbBox->value();
    sensitivityChart->Clear();
    sensitivityChart->SetGuides(tr("PER limit"), {options.perPercent});
    const auto work = [this, options](kel::CommandContext& board, const rftest::BenchLink& link) {
        std::vector<rftest::SensitivityResult> results;
        Failure failure = nullptr;
        try {
            failure = rftest::MeasureSensitivity(
                board, link, options,
                [&](double dbm, const rftest::RxPoint& point) {
                    job_->Post([this, dbm, point] {
                        const Measurement m = rftest::SensPointMeasurement(dbm, point);
                        Took(*sensitivityChart, m, RateName(point.rateRow.value_or(0)), dbm,
                             m.perPercent.value_or(100),
                             tr("%1 at %2 dBm: PER %3 %")
                                 .arg(RateName(point.rateRow.value_or(0)))
                                 .arg(dbm, 0, 'f', 1)
                                 .arg(Text(point.perText)));
                    });
                },
                results);
        } catch (...) {
            // The generator goes quiet whatever stopped the search.
            try {
                link.instrument->Output(false);
            } catch (...) {
            }
            throw;
        }
        if (failure)
            return failure;
        job_->Post([this, results, options] {
            std::vector<Measurement> measured;
            QStringList lines;
            for (const rftest::SensitivityResult& result : results) {
                measured.push_back(
                    rftest::SensitivityMeasurement(result, options.channel, std::nullopt));
                lines << Text(rftest::SensitivityText(result));
            }
            Calibrated(measured, tr("Sensitivity: %1").arg(lines.join(QStringLiteral("; "))));
        });
        return Failure{nullptr};
    };
    if (const auto end = Measure(rftest::RunningTest::Rx, work)) {
        Ended(*end, tr("Sensitivity"));
        session_.LeftAt(options.channel, std::nullopt);
    }
}

// --- Running ----------------------------------------------------------------------

bool CalibrateWindow::MayRun(const rftest::ModelFeature& feature) {
    if (!session_.Connected()) {
        session_.MessageBox(tr("Connect to a board first."));
        return false;
    }
    if (session_.TestRunning()) {
        session_.MessageBox(tr("Stop the TX, the tone and the RX test before a calibration."));
        return false;
    }
    if (const auto missing = rftest::MissingFeature(session_.Board().ChipModelIndex(), feature)) {
        session_.MessageBox(Text(*missing));
        return false;
    }
    return true;
}

std::optional<JobEnd> CalibrateWindow::Measure(rftest::RunningTest test, const Work& work) {
    std::string why;
    const std::optional<ConsoleSession::Instrument> bench = session_.CalibrationInstrument(why);
    if (!bench) {
        session_.MessageBox(tr("No instrument to measure with: %1.").arg(Text(why)));
        return std::nullopt;
    }
    running_ = true;
    runBegun_ = false;
    verdict_.clear();
    proven_ = {};
    trialsList->clear();
    ShowRunning(true);
    Tell(tr("Connecting to the instrument at %1…").arg(Text(bench->url.Text())));
    const JobEnd end =
        job_->Run(*this, [&](kel::CommandContext& board, rftest::RunningTest& started) {
            // An instrument out of reach leaves the board untouched.
            kel::instrument::Instrument instrument(bench->url, bench->profile);
            instrument.Connect();
            job_->Post([this, identity = instrument.Identity()] { Began(identity); });
            started = test;
            rftest::BenchLink link;
            link.instrument = &instrument;
            link.route = bench->route;
            link.stopRequested = [&board] { return board.Port().CancelRequested(); };
            return work(board, link);
        });
    running_ = false;
    return end;
}

void CalibrateWindow::Began(const std::string& identity) {
    session_.BeginSweepRun(dutEdit->text().trimmed().toStdString(), identity);
    runBegun_ = true;
    Tell(tr("Measuring with %1.").arg(Text(identity)));
}

void CalibrateWindow::Took(TraceChart& chart, const Measurement& m, const QString& line, double x,
                           double y, const QString& text) {
    if (runBegun_)
        session_.RecordSweepPoint(m);
    chart.AddPoint(line, x, y);
    trialsList->addItem(text);
    trialsList->scrollToBottom();
}

void CalibrateWindow::Calibrated(const std::vector<Measurement>& results, const QString& text) {
    for (const Measurement& m : results) {
        if (runBegun_)
            session_.RecordSweepPoint(m);
    }
    verdict_ = RunVerdict(results);
    ShowResult(verdict_.empty() ? text : tr("%1 — %2").arg(text, Text(verdict_)));
}

void CalibrateWindow::Ended(const JobEnd& end, const QString& done) {
    const bool failed = end.failure || !end.instrumentError.empty();
    if (runBegun_)
        session_.EndSweepRun(end.stopped ? kel::results::kRunInterrupted
                             : failed    ? kel::results::kRunError
                                         : verdict_);
    if (end.stopped)
        Tell(tr("%1 stopped: %2 trials measured; the board's test was stopped.")
                 .arg(done)
                 .arg(trialsList->count()));
    else if (!end.instrumentError.empty())
        Tell(tr("%1 ended by the instrument: %2").arg(done, Text(end.instrumentError)));
    else if (end.failure)
        Tell(tr("%1 ended by a failure: %2").arg(done, QString::fromLatin1(end.failure)));
    else
        Tell(tr("%1 done in %2 measurements.").arg(done).arg(trialsList->count()));
    if (end.failure && !end.stopped)
        session_.Succeeded(end.failure);
    ShowRunning(false);
    if (std::exchange(closeAfterRun_, false))
        close();
}

void CalibrateWindow::Stop() {
    if (running_)
        session_.CancelStep();
}

void CalibrateWindow::Tell(const QString& text) {
    statusLabel->setText(text);
    statusLabel->setAccessibleName(text);
}

void CalibrateWindow::ShowResult(const QString& text) {
    resultLabel->setText(text);
    resultLabel->setAccessibleName(text);
}

// --- Save to SDD ------------------------------------------------------------------

void CalibrateWindow::SaveToSdd() {
    if (running_ || (!proven_.crystal && !proven_.power))
        return;
    const Proven proven = proven_;
    // A result belongs to the board it was measured on.
    if (proven.connection != session_.ConnectionNumber()) {
        session_.MessageBox(tr("The result is from an earlier connection, maybe another board: "
                               "calibrate this one first."));
        return;
    }
    QString question;
    if (proven.crystal) {
        question =
            tr("Store frequency offset code %1 in the board's SDD data?").arg(proven.crystal->code);
    } else {
        const auto& classes = proven.power->classes;
        question = tr("Store the TX power levels %1 (11b), %2 (11g/n) and %3 (11n MCS7) in the "
                      "board's SDD data?")
                       .arg(classes[0].level)
                       .arg(classes[1].level)
                       .arg(classes[2].level);
    }
    if (!session_.Confirm(question)) {
        Tell(tr("Not saved: the SDD data is as it was."));
        return;
    }
    if (!MayRun(proven.crystal ? rftest::kFreqOffsetFeature : rftest::kSddPowerFeature))
        return;
    running_ = true;
    ShowRunning(true);
    const JobEnd end = job_->Run(*this, [&](kel::CommandContext& board, rftest::RunningTest&) {
        return proven.crystal ? rftest::StoreFreqOffset(board, proven.crystal->code)
                              : rftest::StoreSddPowers(board, *proven.power);
    });
    running_ = false;
    if (end.failure) {
        Tell(tr("Not saved: %1").arg(QString::fromLatin1(end.failure)));
        if (!end.stopped)
            session_.Succeeded(end.failure);
        ShowRunning(false);
        return;
    }
    // A run of its own holds what was stored (a crystal's result says "saved").
    std::vector<Measurement> saved;
    if (proven.crystal) {
        rftest::CrystalResult result = *proven.crystal;
        result.saved = true;
        saved.push_back(rftest::FreqCalMeasurement(result, proven.crystalOptions));
    } else {
        for (std::size_t i = 0; i < proven.power->classes.size(); ++i)
            saved.push_back(
                rftest::PowerCalMeasurement(i, proven.power->classes[i], proven.powerOptions));
    }
    session_.BeginSweepRun(dutEdit->text().trimmed().toStdString());
    for (const Measurement& m : saved)
        session_.RecordSweepPoint(m);
    session_.EndSweepRun(RunVerdict(saved));
    proven_ = {};
    Tell(tr("Saved in the SDD data and read back."));
    ShowRunning(false);
}
