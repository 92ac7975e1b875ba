// SPDX-License-Identifier: GPL-3.0-or-later
// The Calibrate window's controls: built, labelled, locked while a run goes
// on, and the keys every console window has.
#include "windows/ConsoleSession.h"
#include "windows/WindowKeys.h"
#include "windows/WindowParts.h"
#include "windows/WindowRole.h"
#include "windows/calibrate/CalibrateWindow.h"
#include "windows/calibrate/CalibrationJob.h"
#include "windows/charts/TraceChart.h"

#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* DecimalBox(const char* name, double low, double high, double value,
                           const QString& suffix, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QSpinBox* WholeBox(const char* name, int low, int high, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

CalibrateWindow::CalibrateWindow(ConsoleSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session),
      job_(std::make_unique<CalibrationJob>(session)) {
    NameWindow(*this, "calibrateWindow", tr("Calibrate"));
    AnnounceAsWindow(*this);

    traceChart = new TraceChart(this);
    traceChart->setObjectName(QStringLiteral("trace"));
    traceChart->setAccessibleName(tr("Error against step"));
    traceChart->SetAxes(tr("Step"), tr("Error"), true);
    sensitivityChart = new TraceChart(this);
    sensitivityChart->setObjectName(QStringLiteral("sensitivity"));
    sensitivityChart->setAccessibleName(tr("PER over level"));
    sensitivityChart->SetAxes(tr("Generator level (dBm)"), tr("PER (%)"), false);
    trialsList = new QListWidget(this);
    trialsList->setObjectName(QStringLiteral("trials"));
    trialsList->setAccessibleName(tr("Trials"));

    // What all three share first: the board's label and the channel.
    auto* inputs = new QVBoxLayout;
    auto* shared = new QFormLayout;
    dutEdit = NamedEdit("dut", tr("e.g. its serial number"), this);
    channelBox = WholeBox("channel", 1, 14, kel::rftest::kInstrumentChannel, this);
    // The form makes each label the buddy of its field: the field's name.
    shared->addRow(tr("&DUT label"), dutEdit);
    shared->addRow(tr("C&hannel"), channelBox);
    inputs->addLayout(shared);
    inputs->addWidget(BuildCrystal());
    inputs->addWidget(BuildPower());
    inputs->addWidget(BuildSensitivity());
    inputs->addStretch(1);

    auto* pictures = new QVBoxLayout;
    pictures->addWidget(traceChart, 3);
    pictures->addWidget(sensitivityChart, 3);
    auto* trialsCaption = new QLabel(tr("Tr&ials, as measured"), this);
    trialsCaption->setBuddy(trialsList);
    pictures->addWidget(trialsCaption);
    pictures->addWidget(trialsList, 1);
    pictures->addWidget(BuildRunRow());

    auto* body = new QWidget;
    auto* sides = new QHBoxLayout(body);
    sides->addLayout(inputs);
    sides->addLayout(pictures, 1);
    QVBoxLayout* outer = ScrolledBody(*this, body);
    outer->addWidget(BuildLines());

    // Tab goes as the eye does: the shared fields, each group's fields then
    // its button, the list of trials, the buttons under it all.
    ChainTabOrder({dutEdit,        channelBox,     tolerancePpmBox, crystalStepsBox,
                   crystalButton,  targetBoxes[0], targetBoxes[1],  targetBoxes[2],
                   toleranceDbBox, powerStepsBox,  powerButton,     ratesEdit,
                   framesBox,      perLimitBox,    stepDbBox,       sensitivityButton,
                   trialsList,     stopButton,     saveButton,      resultsButton});
    ShowRunning(false);
    FitToScreen(*this, QSize(1100, 760));
}

CalibrateWindow::~CalibrateWindow() = default;

QWidget* CalibrateWindow::BuildCrystal() {
    auto* group = new QGroupBox(tr("Crystal"), this);
    auto* form = new QFormLayout(group);
    tolerancePpmBox = DecimalBox("tolerancePpm", 0.1, 20, 1.0, tr(" ppm"), group);
    crystalStepsBox = WholeBox("crystalSteps", 1, 20, 6, group);
    crystalButton = NamedButton(tr("Calibrate &crystal"), "calibrateCrystal", group);
    form->addRow(tr("&Tolerance"), tolerancePpmBox);
    form->addRow(tr("Ma&x steps"), crystalStepsBox);
    form->addRow(crystalButton);
    connect(crystalButton, &QPushButton::clicked, this, &CalibrateWindow::CalibrateCrystal);
    return group;
}

QWidget* CalibrateWindow::BuildPower() {
    auto* group = new QGroupBox(tr("TX power"), this);
    auto* form = new QFormLayout(group);
    const kel::rftest::PowerOptions defaults;
    // The three classes' targets on one line, each named for itself.
    const std::array<const char*, 3> names{"target11b", "target11gn", "target11nMcs7"};
    const std::array<QString, 3> classes{tr("11b"), tr("11g/n"), tr("11n MCS7")};
    auto* targets = new QHBoxLayout;
    for (std::size_t i = 0; i < targetBoxes.size(); ++i) {
        targetBoxes[i] = DecimalBox(names[i], -10, 30, defaults.targetDbm[i], QString(), group);
        targetBoxes[i]->setAccessibleName(tr("Target %1 (dBm)").arg(classes[i]));
        targetBoxes[i]->setToolTip(targetBoxes[i]->accessibleName());
        targets->addWidget(targetBoxes[i]);
    }
    toleranceDbBox = DecimalBox("toleranceDb", 0.1, 5, defaults.toleranceDb, tr(" dB"), group);
    powerStepsBox = WholeBox("powerSteps", 1, 20, defaults.maxSteps, group);
    powerButton = NamedButton(tr("Calibrate TX &power"), "calibratePower", group);
    auto* targetsLabel = new QLabel(tr("T&argets (dBm):\n11b, 11g/n, MCS7"), group);
    targetsLabel->setBuddy(targetBoxes[0]);
    form->addRow(targetsLabel, targets);
    form->addRow(tr("T&olerance"), toleranceDbBox);
    form->addRow(tr("Max st&eps a class"), powerStepsBox);
    form->addRow(powerButton);
    connect(powerButton, &QPushButton::clicked, this, &CalibrateWindow::CalibratePower);
    return group;
}

QWidget* CalibrateWindow::BuildSensitivity() {
    auto* group = new QGroupBox(tr("Sensitivity"), this);
    auto* form = new QFormLayout(group);
    const kel::rftest::SensitivityOptions defaults;
    ratesEdit = NamedEdit("rates", tr("Mbit/s, e.g. 54 or 6,54"), group);
    ratesEdit->setText(QStringLiteral("54"));
    framesBox = WholeBox("frames", 1, 1000000, static_cast<int>(defaults.frames), group);
    perLimitBox = DecimalBox("perLimit", 0.1, 100, defaults.perPercent, tr(" %"), group);
    stepDbBox = DecimalBox("stepDb", 0.1, 10, defaults.stepDb, tr(" dB"), group);
    sensitivityButton = NamedButton(tr("Measure se&nsitivity"), "measureSensitivity", group);
    form->addRow(tr("&Rates"), ratesEdit);
    form->addRow(tr("&Frames a burst"), framesBox);
    form->addRow(tr("PER &limit"), perLimitBox);
    form->addRow(tr("Step si&ze"), stepDbBox);
    form->addRow(sensitivityButton);
    connect(sensitivityButton, &QPushButton::clicked, this, &CalibrateWindow::MeasureSensitivity);
    return group;
}

QWidget* CalibrateWindow::BuildRunRow() {
    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    stopButton = NamedButton(tr("&Stop"), "stop", row);
    saveButton = NamedButton(tr("Sa&ve to SDD…"), "saveToSdd", row);
    resultsButton = NamedButton(tr("Res&ults…"), "openResults", row);
    buttons->addWidget(stopButton);
    buttons->addWidget(saveButton);
    buttons->addStretch(1);
    buttons->addWidget(resultsButton);
    connect(stopButton, &QPushButton::clicked, this, &CalibrateWindow::Stop);
    connect(saveButton, &QPushButton::clicked, this, &CalibrateWindow::SaveToSdd);
    connect(resultsButton, &QPushButton::clicked, this, [this] { session_.OpenResultsWindow(); });
    return row;
}

QWidget* CalibrateWindow::BuildLines() {
    // Out of the scrolled body: lines that wrap make its height follow their
    // preferred one, and the body would scroll on a roomy screen too.
    auto* lines = new QWidget(this);
    auto* layout = new QVBoxLayout(lines);
    layout->setContentsMargins(9, 0, 9, 9);
    resultLabel = new QLabel(tr("No result yet."), lines);
    resultLabel->setObjectName(QStringLiteral("result"));
    resultLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resultLabel->setWordWrap(true);
    statusLabel =
        StatusLine(tr("Connect to a board, then calibrate. Results are stored in the SDD data "
                      "only by Save to SDD."),
                   lines);
    statusLabel->setWordWrap(true);
    layout->addWidget(resultLabel);
    layout->addWidget(statusLabel);
    return lines;
}

void CalibrateWindow::ShowRunning(bool running) {
    // While a run goes on its window takes input, so everything but Stop is locked.
    for (QWidget* input : std::initializer_list<QWidget*>{
             channelBox, tolerancePpmBox, crystalStepsBox, crystalButton, targetBoxes[0],
             targetBoxes[1], targetBoxes[2], toleranceDbBox, powerStepsBox, powerButton, ratesEdit,
             framesBox, perLimitBox, stepDbBox, sensitivityButton, dutEdit, resultsButton})
        input->setEnabled(!running);
    // Stop takes the focus the run's button gave up, and gives it back.
    if (!running && (stopButton->hasFocus() || !focusWidget()))
        crystalButton->setFocus();
    stopButton->setEnabled(running);
    if (running)
        stopButton->setFocus();
    saveButton->setEnabled(!running && (proven_.crystal || proven_.power));
}

void CalibrateWindow::keyPressEvent(QKeyEvent* event) {
    if (!RunWindowKey(*this, *event, running_, [this] { Stop(); }))
        QWidget::keyPressEvent(event);
}

void CalibrateWindow::closeEvent(QCloseEvent* event) {
    if (!PutOffClose(*event, running_, closeAfterRun_, [this] { Stop(); }))
        QWidget::closeEvent(event);
}
