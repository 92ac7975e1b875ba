// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/SweepWindow.h"

#include "results/Recorder.h"
#include "results/Records.h"
#include "rftest/LateReply.h"
#include "rftest/RfSteps.h"
#include "serial/SerialPort.h"
#include "windows/ConsoleSession.h"
#include "windows/SweepProgress.h"
#include "windows/WindowKeys.h"
#include "windows/WindowParts.h"
#include "windows/WindowRole.h"
#include "windows/charts/PerChart.h"
#include "windows/charts/PerGrid.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

namespace rftest = kel::rftest;

// Before the first point, each is taken to cost its receive time and this.
constexpr std::chrono::milliseconds kCommandsPerPoint{300};

double RateOfRow(int row) {
    return rftest::kRates[static_cast<std::size_t>(row)].mbps;
}

} // namespace

SweepWindow::SweepWindow(ConsoleSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session) {
    NameWindow(*this, "sweepWindow", tr("RX Sweep"));
    AnnounceAsWindow(*this);

    chart = new PerChart(this);
    chart->setObjectName(QStringLiteral("chart"));
    chart->setAccessibleName(tr("PER over channel"));
    grid = new PerGrid(this);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progress"));
    progressBar->setAccessibleName(tr("Points done"));
    progressBar->setFormat(tr("No sweep yet"));
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    statusLabel = StatusLine(tr("Choose the channels and rates, then Start."), this);
    statusLabel->setWordWrap(true);
    originLabel = new QLabel(tr("No sweep yet."), this);
    originLabel->setObjectName(QStringLiteral("origin"));
    originLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    originLabel->setWordWrap(true);

    startButton = NamedButton(tr("&Start"), "start", this);
    stopButton = NamedButton(tr("S&top"), "stop", this);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(startButton);
    runRow->addWidget(stopButton);
    runRow->addWidget(progressBar, 1);

    // On a small screen the body scrolls rather than reaching past it.
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(BuildInputs());
    layout->addLayout(runRow);
    layout->addWidget(statusLabel);
    layout->addWidget(originLabel);
    layout->addWidget(chart, 1);
    auto* gridCaption =
        new QLabel(tr("PER (%) by c&hannel (across) and rate (down): solid green within the limit, "
                      "dotted amber near it, hatched red above it"),
                   body);
    gridCaption->setWordWrap(true);
    gridCaption->setBuddy(grid);
    layout->addWidget(gridCaption);
    layout->addWidget(grid);
    layout->addWidget(BuildExports());
    QScrollArea* scroll = nullptr;
    ScrolledBody(*this, body, &scroll);

    // The time left counts down during a point too; the timer fires in the waits.
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(1000);
    connect(progressTimer_, &QTimer::timeout, this, [this] { ShowProgress(points_.size()); });
    connect(startButton, &QPushButton::clicked, this, &SweepWindow::Start);
    connect(stopButton, &QPushButton::clicked, this, &SweepWindow::Stop);
    // Tab goes as the eye does: the inputs (the left column, then the rates
    // beside it), Start and Stop, the grid, the exports. The body scrolls to
    // the control Tab reaches; it is no stop of its own.
    scroll->setFocusPolicy(Qt::NoFocus);
    QWidget* previous = dutEdit;
    for (QCheckBox* rate : rateBoxes)
        QWidget::setTabOrder(std::exchange(previous, rate), rate);
    ChainTabOrder(
        {previous, startButton, stopButton, grid, csvButton, pngButton, svgButton, resultsButton});
    ShowInputs(LoadSweepInputs());
    ShowRunning(false);
    FitToScreen(*this, QSize(1000, 820));
}

SweepWindow::~SweepWindow() = default;

// --- The sweep ----------------------------------------------------------------

void SweepWindow::Start() {
    if (running_)
        return;
    if (!session_.Connected()) {
        session_.MessageBox(QStringLiteral("Connect to a board first."));
        return;
    }
    if (session_.TestRunning()) {
        session_.MessageBox(
            QStringLiteral("Stop the TX, the tone and the RX test before a sweep."));
        return;
    }
    const std::optional<Sweep> sweep = ReadSweep();
    if (!sweep)
        return;
    session_.RunStep([&] { Run(*sweep); });
    if (std::exchange(closeAfterRun_, false))
        close();
}

void SweepWindow::Stop() {
    if (running_)
        session_.CancelStep();
}

void SweepWindow::Run(const Sweep& sweep) {
    running_ = true;
    ShowRunning(true);
    session_.LockTestControls(this);

    points_.clear();
    sentChannel_.reset();
    sentRateRow_.reset();
    port_ = session_.Board().Port().name;
    connection_ = session_.ConnectionNumber();
    sweptAt_ = QDateTime::currentDateTime();
    dut_ = sweep.dut;
    ShowOrigin();
    const kel::results::RunRecord& run = session_.BeginSweepRun(sweep.dut.toStdString());
    boardMac_ = run.boardMac.empty() ? std::nullopt : std::optional(run.boardMac);
    station_ =
        QString::fromStdString(run.station.empty() ? kel::results::DefaultStation() : run.station);
    ending_.clear();
    pointCount_ = sweep.plan.channels.size() * sweep.plan.rateRows.size();
    std::vector<double> rates;
    for (const int row : sweep.plan.rateRows)
        rates.push_back(RateOfRow(row));
    chart->Clear();
    chart->SetLimit(sweep.limit);
    grid->Reset(sweep.plan.channels, rates, sweep.limit);
    progressBar->setRange(0, static_cast<int>(pointCount_));
    startedAt_ = std::chrono::steady_clock::now();
    lastDoneAt_ = {};
    perPointGuess_ = sweep.plan.duration + kCommandsPerPoint;
    ShowProgress(0);
    progressTimer_->start();

    rftest::SweepObserver observer;
    observer.starting = [&](std::size_t index, std::size_t, int channel, int rateRow) {
        statusLabel->setText(tr("Channel %1, %2 Mbit/s: receiving for %3 s")
                                 .arg(channel)
                                 .arg(RateOfRow(rateRow), 0, 'f', 1)
                                 .arg(std::chrono::duration<double>(sweep.plan.duration).count()));
        ShowProgress(index);
    };
    observer.measured = [&](const rftest::RxPoint& point) { Took(point, sweep); };
    observer.channelSent = [this](int channel) { sentChannel_ = channel; };
    observer.rateSent = [this](int rateRow) { sentRateRow_ = rateRow; };
    const rftest::Failure failure = rftest::SweepRx(
        session_.Board(), sweep.plan,
        [this](std::chrono::milliseconds duration) { return session_.WaitTicking(duration); },
        session_.PowerText(), observer);

    const bool cancelled = session_.Board().Port().CancelRequested();
    lineFailure_ = session_.Board().Port().lineFailure();
    if (failure) {
        // The board's own message first, unless the user stopped the sweep.
        if (!cancelled)
            session_.Succeeded(failure);
        StopRxOnBoard();
    }
    progressTimer_->stop();
    session_.EndSweepRun(Verdict(failure, cancelled));
    FollowBoardSettings();
    ShowProgress(points_.size());
    if (failure || cancelled) {
        progressBar->setFormat(SweepEndedText(points_.size(), pointCount_, cancelled));
        ending_ = cancelled ? tr("stopped") : tr("ended by a failure");
    }
    statusLabel->setText(EndText(failure, cancelled));

    session_.LockTestControls(nullptr);
    running_ = false;
    ShowRunning(false);
}

void SweepWindow::Took(const rftest::RxPoint& point, const Sweep& sweep) {
    rftest::Measurement rx = rftest::MeasurementOf(point);
    if (const std::optional<std::int64_t> level = rftest::WholeReading(session_.PowerText()))
        rx.powerLevel = static_cast<int>(*level);
    if (sweep.limit)
        rx.JudgeBy(rx.perPercent, rftest::Limit{std::nullopt, *sweep.limit, std::nullopt});
    points_.push_back(rx);
    session_.RecordSweepPoint(rx);
    chart->AddPoint(*rx.channel, *rx.rateMbps, rx.perPercent);
    grid->Show(*rx.channel, *rx.rateMbps, rx.perPercent);
    ShowProgress(points_.size());
}

void SweepWindow::ShowProgress(std::size_t done) {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - startedAt_);
    if (done > static_cast<std::size_t>(progressBar->value()))
        lastDoneAt_ = now;
    progressBar->setValue(static_cast<int>(done));
    // The bar says it all, also to a screen reader (its value text).
    progressBar->setFormat(
        SweepProgressText(done, pointCount_, lastDoneAt_, now, perPointGuess_).replace('%', "%%"));
}

void SweepWindow::StopRxOnBoard() {
    // A line that hung up takes nothing more; the connection ends after the handler.
    kel::CommandContext& board = session_.Board();
    if (!board.Port().IsOpen() || board.Port().HungUp())
        return;
    // The stop has waits of its own, which a second Escape cancels again.
    board.Port().ClearCancel();
    rftest::TakeLateReply(board);
    rftest::RxCounters ignored;
    if (rftest::StopRx(board, ignored) != nullptr)
        board.AppendLog(
            "The RX test may still run on the board: rx_stop was not acknowledged.\r\n");
}

void SweepWindow::FollowBoardSettings() {
    // The board stays where it was last told to go, which a sweep ended
    // early leaves beyond the last point measured; the console's lists say
    // so, and a reconnection restores it.
    if (!sentChannel_ || !sentRateRow_) {
        if (sentChannel_)
            session_.LeftAt(*sentChannel_, std::nullopt);
        return;
    }
    session_.LeftAt(*sentChannel_, *sentRateRow_);
}

void SweepWindow::ConnectionChanged() {
    ShowOrigin();
}

void SweepWindow::ShowOrigin() {
    if (!sweptAt_.isValid())
        return;
    const bool earlier = connection_ != session_.ConnectionNumber() || connection_ == 0;
    originLabel->setText(SweepOriginText(QString::fromStdString(port_), dut_, sweptAt_, earlier));
}

std::string SweepWindow::Verdict(const char* failure, bool cancelled) const {
    if (cancelled)
        return kel::results::kRunInterrupted;
    if (failure)
        return kel::results::kRunError;
    const bool judged = !points_.empty() && points_.front().verdict != rftest::Verdict::None;
    if (!judged)
        return {};
    const bool failed = std::any_of(points_.begin(), points_.end(), [](const auto& rx) {
        return rx.verdict == rftest::Verdict::Fail;
    });
    return failed ? kel::results::kRunFail : kel::results::kRunPass;
}

QString SweepWindow::EndText(const char* failure, bool cancelled) const {
    const QString measured = tr("%1 of %2 points measured").arg(points_.size()).arg(pointCount_);
    // A pulled cable is named as the log pane names it, not by the command
    // that found it.
    if (failure && session_.Board().Port().HungUp()) {
        const std::string why =
            lineFailure_.empty() ? std::string("the line hung up") : lineFailure_.Text();
        return tr("The board on %1 went away (%2): %3.")
            .arg(QString::fromStdString(port_), QString::fromStdString(why), measured);
    }
    if (cancelled)
        return tr("Stopped: %1; the RX test was stopped on the board.").arg(measured);
    if (failure)
        return tr("Ended by a failure: %1 (%2).").arg(measured, QString::fromLatin1(failure));
    const auto failed = std::count_if(points_.begin(), points_.end(), [](const auto& rx) {
        return rx.verdict == rftest::Verdict::Fail;
    });
    if (points_.empty() || points_.front().verdict == rftest::Verdict::None)
        return tr("Done: %1.").arg(measured);
    return failed == 0 ? tr("Done: %1, every one within the limit.").arg(measured)
                       : tr("Done: %1, %2 above the limit.").arg(measured).arg(failed);
}

// --- Keys and closing -----------------------------------------------------------

void SweepWindow::keyPressEvent(QKeyEvent* event) {
    if (!RunWindowKey(*this, *event, running_, [this] { Stop(); }))
        QWidget::keyPressEvent(event);
}

void SweepWindow::closeEvent(QCloseEvent* event) {
    if (!PutOffClose(*event, running_, closeAfterRun_, [this] { Stop(); }))
        QWidget::closeEvent(event);
}
