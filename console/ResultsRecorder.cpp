// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ResultsRecorder.h"

#include "console/BoardText.h"
#include "console/CkelGuiToolDlg.h"
#include "console/ConsoleTables.h"
#include "console/StateFolder.h"
#include "protocol/NumberReading.h"
#include "protocol/RxPer.h"
#include "resources/ResourceIds.h"
#include "rftest/RfTables.h"
#include "rftest/RxMeasurement.h"
#include "resources/Version.h"

#include <QComboBox>
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

ResultsRecorder::ResultsRecorder(CkelGuiToolDlg& dlg) : dlg_(dlg) {
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
    CkelGuiToolDlg* window = &dlg;
    push_ = results::BackgroundPush::For(*store, [window](const std::string& message) {
        QMetaObject::invokeMethod(
            window,
            [window, message] { window->AppendLogText(QString::fromStdString(message + "\r\n")); },
            Qt::QueuedConnection);
    });
    recorder_ = std::make_unique<results::Recorder>(
        std::move(*store), [this](const std::string& message) { problem_ = message; }, push_.get());
}

ResultsRecorder::~ResultsRecorder() {
    // The runs end before the push that sends them stops.
    sweep_.reset();
    recorder_.reset();
}

void ResultsRecorder::BeginRun() {
    results::RunRecord run;
    run.tool = results::kToolConsole;
    run.version = std::string(kel::res::BuildVersion());
    run.station = station_;
    run.operatorName = operator_;
    run.chipModel = dlg_.chipModelList->itemText(dlg_.chipModelIndex).toStdString();
    run.port = dlg_.port.name;
    run.baud = dlg_.port.baudRate;
    run.sessionLog = dlg_.sessionLog.Path().string();
    recorder_->BeginRun(std::move(run));
}

void ResultsRecorder::EndRun(bool lineFailed) {
    recorder_->EndRun(lineFailed ? results::kRunError : "");
}

Measurement ResultsRecorder::AtCurrentSettings(MeasurementKind kind) const {
    Measurement m;
    m.kind = kind;
    if (const int row = dlg_.channelList->currentIndex(); row >= 0)
        m.channel = kel::rftest::ChannelAtRow(row);
    if (const int row = dlg_.rateList->currentIndex(); row >= 0)
        m.rateMbps = kel::rftest::kRates[static_cast<std::size_t>(row)].mbps;
    if (const std::optional<std::int64_t> level = kel::rftest::WholeReading(dlg_.powerText))
        m.powerLevel = static_cast<int>(*level);
    return m;
}

void ResultsRecorder::Record(MeasurementKind kind, const std::string& reading,
                             const std::string& note) {
    Measurement m = AtCurrentSettings(kind);
    if (!reading.empty())
        m.TakeReading(reading);
    if (!note.empty())
        m.text = note;
    recorder_->Record(std::move(m));
}

void ResultsRecorder::RecordMeasured(Measurement measured) {
    const Measurement settings = AtCurrentSettings(measured.kind);
    measured.channel = settings.channel;
    measured.rateMbps = settings.rateMbps;
    measured.powerLevel = settings.powerLevel;
    recorder_->Record(std::move(measured));
}

void ResultsRecorder::RecordRx(const kel::rftest::RxCounters& counters) {
    // The point as a sweep takes it: the counters, and the Send Pkt Num and
    // the rate as the read-out takes and shows them.
    const Measurement settings = AtCurrentSettings(MeasurementKind::Rx);
    kel::rftest::RxPoint point;
    point.channel = settings.channel;
    point.rateRow = dlg_.rateList->currentIndex() >= 0
                        ? std::optional(dlg_.rateList->currentIndex())
                        : std::nullopt;
    point.counters = counters;
    const std::string sent = kel::BytesFromText(dlg_.GetDlgItemText(kel::res::IDC_SEND_PKT_NUM));
    if (const std::optional<std::string> per =
            kel::RxPerText(sent, counters.total, counters.abortErrors, counters.crcErrors)) {
        point.sent = kel::ReadInteger64(sent);
        point.perText = *per;
    }
    Measurement m = kel::rftest::MeasurementOf(point);
    m.powerLevel = settings.powerLevel;
    recorder_->Record(std::move(m));
}

void ResultsRecorder::RecordSddPowers() {
    const std::array<std::string*, 3> texts = dlg_.SddPowerTexts();
    for (std::size_t row = 0; row < texts.size(); ++row)
        Record(MeasurementKind::SddPower, *texts[row], kel::rftest::kSddPowerClassNames[row]);
}

void ResultsRecorder::RecordMacs(const std::array<std::string, 3>& macs) {
    recorder_->ChangeRun([&](results::RunRecord& run) { run.boardMac = macs[0]; });
    for (std::size_t i = 0; i < macs.size(); ++i)
        Record(MeasurementKind::Mac, {},
               std::string(kel::rftest::kMacRoleNames[i]) + " " + macs[i]);
}

void ResultsRecorder::BeginSweep(const std::string& dut) {
    sweep_ = std::make_unique<results::Recorder>(
        recorder_->Setting(), [this](const std::string& message) { problem_ = message; },
        push_.get());
    results::RunRecord run = recorder_->Run();
    // A new run: its own id, times and verdict.
    run.id.clear();
    run.startedAt.clear();
    run.endedAt.clear();
    run.verdict.clear();
    run.dut = dut;
    sweep_->BeginRun(std::move(run));
}

void ResultsRecorder::RecordSweepPoint(const Measurement& point) {
    if (sweep_)
        sweep_->Record(point);
}

void ResultsRecorder::EndSweep(const std::string& verdict) {
    if (sweep_)
        sweep_->EndRun(verdict);
}

const results::RunRecord& ResultsRecorder::SweepRun() const {
    static const results::RunRecord kNone;
    return sweep_ ? sweep_->Run() : kNone;
}

std::string ResultsRecorder::TakeProblem() {
    return std::exchange(problem_, {});
}
