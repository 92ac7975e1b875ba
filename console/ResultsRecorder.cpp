// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ResultsRecorder.h"

#include "protocol/NumberReading.h"
#include "protocol/RxPer.h"
#include "resources/Version.h"
#include "results/Uuid.h"
#include "rftest/RfTables.h"
#include "rftest/RxMeasurement.h"
#include "windows/StateFolder.h"

#include <QMetaObject>
#include <QSettings>
#include <cstdlib>
#include <utility>

namespace {

using kel::rftest::Measurement;
using kel::rftest::MeasurementKind;
namespace results = kel::results;

struct ConsoleSetting {
    std::string store;
    std::string station;
    std::string operatorName;
};

ConsoleSetting ReadSetting() {
    const QSettings file(OptionsFile(), QSettings::IniFormat);
    ConsoleSetting setting;
    setting.store = file.value(QStringLiteral("results/store")).toString().toStdString();
    setting.station = file.value(QStringLiteral("results/station")).toString().toStdString();
    setting.operatorName = file.value(QStringLiteral("results/operator")).toString().toStdString();
    if (const char* variable = std::getenv(results::kResultsVariable))
        setting.store = variable;
    return setting;
}

} // namespace

ResultsRecorder::ResultsRecorder(QObject& window, std::function<void(const QString&)> tell,
                                 std::function<Shown()> shown, std::function<bool()> busy)
    : shown_(std::move(shown)), tell_(std::move(tell)), busy_(std::move(busy)) {
    const ConsoleSetting setting = ReadSetting();
    station_ = setting.station;
    operator_ = setting.operatorName;
    std::string why;
    std::optional<results::StoreSetting> store = results::ParseStoreSetting(setting.store, why);
    if (!store) {
        problem_ = "The results store setting cannot be used: " + why + ". Nothing is recorded.";
        store.emplace();
        store->kind = results::StoreSetting::Kind::None;
    }
    // Said in the log pane, in the window's own thread. The push ends before
    // the window does, so the window outlives every call.
    push_ =
        results::BackgroundPush::For(*store, [context = &window, this](const std::string& message) {
            QMetaObject::invokeMethod(
                context, [this, message] { Tell(QString::fromStdString(message + "\r\n")); },
                Qt::QueuedConnection);
        });
    recorder_ = std::make_unique<results::Recorder>(
        std::move(*store), [this](const std::string& message) { Warn(message); }, push_.get());
    thread_ = std::make_unique<kel::RecordingThread>();
}

ResultsRecorder::~ResultsRecorder() {
    // The runs end before the push that sends them stops.
    Post([this] {
        sweep_.reset();
        recorder_.reset();
    });
    thread_.reset();
}

void ResultsRecorder::Warn(const std::string& message) {
    const std::lock_guard lock(problemMutex_);
    problem_ = message;
}

void ResultsRecorder::Tell(const QString& line) {
    if (busy_ && busy_()) {
        toldLater_.push_back(line);
        return;
    }
    tell_(line);
}

void ResultsRecorder::Flush() {
    thread_->Drain();
    for (const QString& line : std::exchange(toldLater_, {}))
        tell_(line);
}

void ResultsRecorder::BeginRun() {
    results::RunRecord run;
    run.tool = results::kToolConsole;
    run.version = std::string(kel::res::BuildVersion());
    run.station = station_;
    run.operatorName = operator_;
    Shown shown = shown_();
    run.chipModel = std::move(shown.chipModel);
    run.port = std::move(shown.port);
    run.baud = shown.baud;
    run.sessionLog = std::move(shown.sessionLog);
    // Named here, so the window knows the run the thread records.
    run.id = results::NewUuid();
    run.startedAt = kel::rftest::UtcNow();
    run_ = run;
    Post([this, run = std::move(run)] { recorder_->BeginRun(run); });
}

void ResultsRecorder::EndRun(bool lineFailed) {
    Post([this, verdict = std::string(lineFailed ? results::kRunError : "")] {
        recorder_->EndRun(verdict);
    });
}

Measurement ResultsRecorder::AtSettings(const Shown& shown, MeasurementKind kind) {
    Measurement m;
    m.kind = kind;
    if (shown.channelRow >= 0)
        m.channel = kel::rftest::ChannelAtRow(shown.channelRow);
    if (shown.rateRow >= 0)
        m.rateMbps = kel::rftest::kRates[static_cast<std::size_t>(shown.rateRow)].mbps;
    if (const std::optional<std::int64_t> level = kel::rftest::WholeReading(shown.powerText))
        m.powerLevel = static_cast<int>(*level);
    return m;
}

void ResultsRecorder::Record(MeasurementKind kind, const std::string& reading,
                             const std::string& note) {
    Measurement m = AtSettings(shown_(), kind);
    if (!reading.empty())
        m.TakeReading(reading);
    if (!note.empty())
        m.text = note;
    Post([this, m = std::move(m)] { recorder_->Record(m); });
}

void ResultsRecorder::RecordMeasured(Measurement measured) {
    const Measurement settings = AtSettings(shown_(), measured.kind);
    measured.channel = settings.channel;
    measured.rateMbps = settings.rateMbps;
    measured.powerLevel = settings.powerLevel;
    Post([this, m = std::move(measured)] { recorder_->Record(m); });
}

void ResultsRecorder::RecordRx(const kel::rftest::RxCounters& counters) {
    // The point as a sweep takes it: the counters, and the Send Pkt Num and
    // the rate as the read-out takes and shows them.
    const Shown shown = shown_();
    const Measurement settings = AtSettings(shown, MeasurementKind::Rx);
    kel::rftest::RxPoint point;
    point.channel = settings.channel;
    point.rateRow = shown.rateRow >= 0 ? std::optional(shown.rateRow) : std::nullopt;
    point.counters = counters;
    const std::string& sent = shown.sendPktNum;
    if (const std::optional<std::string> per =
            kel::RxPerText(sent, counters.total, counters.abortErrors, counters.crcErrors)) {
        point.sent = kel::ReadInteger64(sent);
        point.perText = *per;
    }
    Measurement m = kel::rftest::MeasurementOf(point);
    m.powerLevel = settings.powerLevel;
    Post([this, m = std::move(m)] { recorder_->Record(m); });
}

void ResultsRecorder::RecordSddPowers() {
    const std::array<std::string, 3> texts = shown_().sddPowers;
    for (std::size_t row = 0; row < texts.size(); ++row)
        Record(MeasurementKind::SddPower, texts[row], kel::rftest::kSddPowerClassNames[row]);
}

void ResultsRecorder::RecordMacs(const std::array<std::string, 3>& macs) {
    run_.boardMac = results::StoredMac(macs[0]);
    Post([this, mac = macs[0]] {
        recorder_->ChangeRun([&mac](results::RunRecord& run) { run.boardMac = mac; });
    });
    for (std::size_t i = 0; i < macs.size(); ++i)
        Record(MeasurementKind::Mac, {},
               std::string(kel::rftest::kMacRoleNames[i]) + " " + macs[i]);
}

void ResultsRecorder::BeginSweep(const std::string& dut, const std::string& instrument) {
    // A new run beside the connection's: its own id, times and verdict.
    results::RunRecord run = run_;
    run.id = results::NewUuid();
    run.startedAt = kel::rftest::UtcNow();
    run.endedAt.clear();
    run.verdict.clear();
    run.dut = dut;
    run.instrument = instrument;
    sweepRun_ = run;
    Post([this, run = std::move(run)] {
        sweep_ = std::make_unique<results::Recorder>(
            recorder_->Setting(), [this](const std::string& message) { Warn(message); },
            push_.get());
        sweep_->BeginRun(run);
    });
}

void ResultsRecorder::RecordSweepPoint(const Measurement& point) {
    Post([this, point] {
        if (sweep_)
            sweep_->Record(point);
    });
}

void ResultsRecorder::EndSweep(const std::string& verdict) {
    Post([this, verdict] {
        if (sweep_)
            sweep_->EndRun(verdict);
    });
}

const results::RunRecord& ResultsRecorder::SweepRun() const {
    return sweepRun_;
}

std::string ResultsRecorder::TakeProblem() {
    const std::lock_guard lock(problemMutex_);
    return std::exchange(problem_, {});
}
