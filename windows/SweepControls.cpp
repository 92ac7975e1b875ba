// SPDX-License-Identifier: GPL-3.0-or-later
// The sweep window's controls: built, shown from the inputs kept, read back,
// locked while a sweep runs, and read into the sweep to run.
#include "windows/ConsoleSession.h"
#include "windows/StateFolder.h"
#include "windows/SweepWindow.h"
#include "windows/WindowKeys.h"
#include "windows/WindowParts.h"
#include "windows/charts/PerChart.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace {

namespace rftest = kel::rftest;

} // namespace

QWidget* SweepWindow::BuildInputs() {
    auto* inputs = new QWidget(this);
    auto* row = new QHBoxLayout(inputs);
    row->setContentsMargins(0, 0, 0, 0);
    // The channels over the settings, the rates beside them: narrow enough
    // for a 1024-pixel screen.
    auto* left = new QVBoxLayout;
    left->addWidget(BuildChannels());
    left->addWidget(BuildSettings());
    row->addLayout(left);
    row->addWidget(BuildRates(), 1);
    return inputs;
}

QWidget* SweepWindow::BuildChannels() {
    auto* group = new QGroupBox(tr("Channels"), this);
    auto* boxes = new QGridLayout(group);
    constexpr int kPerRow = 7;
    for (int channel = rftest::kFirstChannel; channel <= rftest::kLastChannel; ++channel) {
        auto* box = new QCheckBox(QString::number(channel), group);
        box->setObjectName(QStringLiteral("channel%1").arg(channel));
        box->setAccessibleName(tr("Channel %1").arg(channel));
        const int index = channel - rftest::kFirstChannel;
        boxes->addWidget(box, index / kPerRow, index % kPerRow);
        channelBoxes[static_cast<std::size_t>(index)] = box;
    }
    pickCommonButton = NamedButton(tr("1, 6, 11"), "pickCommon", group);
    pickCommonButton->setAccessibleName(tr("Channels 1, 6, 11"));
    pickAllButton = NamedButton(tr("All"), "pickAll", group);
    pickAllButton->setAccessibleName(tr("All channels"));
    boxes->addWidget(pickCommonButton, 2, 0, 1, 3);
    boxes->addWidget(pickAllButton, 2, 3, 1, 2);
    connect(pickCommonButton, &QPushButton::clicked, this, [this] { PickChannels({1, 6, 11}); });
    connect(pickAllButton, &QPushButton::clicked, this, [this] {
        std::vector<int> all;
        for (int channel = rftest::kFirstChannel; channel <= rftest::kLastChannel; ++channel)
            all.push_back(channel);
        PickChannels(all);
    });
    return group;
}

QWidget* SweepWindow::BuildRates() {
    auto* group = new QGroupBox(tr("Rates"), this);
    auto* boxes = new QGridLayout(group);
    // A line per modulation, as the rate list runs: 11b, then 11g, then 11n,
    // wrapped after a few so the window fits a small screen.
    constexpr int kPerLine = 4;
    int line = -1, column = 0, lastMode = -1;
    for (std::size_t row = 0; row < rftest::kRates.size(); ++row) {
        const rftest::RateRow& rate = rftest::kRates[row];
        if (rate.mode != lastMode || column == kPerLine) {
            ++line;
            column = 0;
            lastMode = rate.mode;
        }
        auto* box = new QCheckBox(QString::fromStdString(rftest::RateListText(rate)), group);
        box->setObjectName(
            QStringLiteral("rate%1").arg(QString::fromStdString(rftest::RateLabel(rate))));
        boxes->addWidget(box, line, column++);
        rateBoxes[row] = box;
    }
    return group;
}

QWidget* SweepWindow::BuildSettings() {
    auto* group = new QGroupBox(tr("Each point"), this);
    auto* form = new QFormLayout(group);
    secondsBox = new QDoubleSpinBox(group);
    secondsBox->setObjectName(QStringLiteral("seconds"));
    secondsBox->setRange(0.1, SweepInputs::kLongestSeconds);
    secondsBox->setDecimals(1);
    secondsBox->setSuffix(tr(" s"));
    sentBox = new QSpinBox(group);
    sentBox->setObjectName(QStringLiteral("sent"));
    sentBox->setRange(1, std::numeric_limits<int>::max());
    limitEdit = NamedEdit("limit", tr("none"), group);
    dutEdit = NamedEdit("dut", tr("e.g. its serial number"), group);
    // The form makes each label the buddy of its field: the field's name.
    form->addRow(tr("S&econds per point"), secondsBox);
    form->addRow(tr("&Packets sent per point"), sentBox);
    form->addRow(tr("PER &limit (%)"), limitEdit);
    form->addRow(tr("&DUT label"), dutEdit);
    return group;
}

QWidget* SweepWindow::BuildExports() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    csvButton = NamedButton(tr("Export &CSV…"), "exportCsv", row);
    pngButton = NamedButton(tr("Export P&NG…"), "exportPng", row);
    svgButton = NamedButton(tr("Export S&VG…"), "exportSvg", row);
    resultsButton = NamedButton(tr("&Results…"), "openResults", row);
    layout->addWidget(csvButton);
    layout->addWidget(pngButton);
    layout->addWidget(svgButton);
    layout->addStretch(1);
    layout->addWidget(resultsButton);
    connect(csvButton, &QPushButton::clicked, this, &SweepWindow::ExportCsv);
    connect(pngButton, &QPushButton::clicked, this, [this] {
        ExportPicture(QStringLiteral("png"), tr("PNG images (*.png)"),
                      [](const PerChart& chart, const QString& path, QString& why,
                         const QString& title) { return chart.SavePng(path, why, title); });
    });
    connect(svgButton, &QPushButton::clicked, this, [this] {
        ExportPicture(QStringLiteral("svg"), tr("SVG images (*.svg)"),
                      [](const PerChart& chart, const QString& path, QString& why,
                         const QString& title) { return chart.SaveSvg(path, why, title); });
    });
    connect(resultsButton, &QPushButton::clicked, this, [this] { session_.OpenResultsWindow(); });
    return row;
}

void SweepWindow::ShowInputs(const SweepInputs& inputs) {
    PickChannels(inputs.channels);
    for (std::size_t row = 0; row < rateBoxes.size(); ++row) {
        const bool chosen = std::find(inputs.rateRows.begin(), inputs.rateRows.end(),
                                      static_cast<int>(row)) != inputs.rateRows.end();
        rateBoxes[row]->setChecked(chosen);
    }
    secondsBox->setValue(inputs.seconds);
    sentBox->setValue(inputs.sent);
    limitEdit->setText(inputs.limit);
    dutEdit->setText(inputs.dut);
}

void SweepWindow::PickChannels(const std::vector<int>& channels) {
    for (std::size_t index = 0; index < channelBoxes.size(); ++index) {
        const int channel = rftest::kFirstChannel + static_cast<int>(index);
        channelBoxes[index]->setChecked(std::find(channels.begin(), channels.end(), channel) !=
                                        channels.end());
    }
}

SweepInputs SweepWindow::Inputs() const {
    SweepInputs inputs;
    inputs.channels.clear();
    for (std::size_t index = 0; index < channelBoxes.size(); ++index) {
        if (channelBoxes[index]->isChecked())
            inputs.channels.push_back(rftest::kFirstChannel + static_cast<int>(index));
    }
    inputs.rateRows.clear();
    for (std::size_t row = 0; row < rateBoxes.size(); ++row) {
        if (rateBoxes[row]->isChecked())
            inputs.rateRows.push_back(static_cast<int>(row));
    }
    inputs.seconds = secondsBox->value();
    inputs.sent = sentBox->value();
    inputs.limit = limitEdit->text().trimmed();
    inputs.dut = dutEdit->text().trimmed();
    return inputs;
}

void SweepWindow::ShowRunning(bool running) {
    // While a sweep runs its window takes input (ExchangeWaitTick lets it
    // through), so everything but Stop is locked, as the console's tests are.
    std::vector<QWidget*> inputs(channelBoxes.begin(), channelBoxes.end());
    inputs.insert(inputs.end(), rateBoxes.begin(), rateBoxes.end());
    inputs.insert(inputs.end(), {pickCommonButton, pickAllButton, secondsBox, sentBox, limitEdit,
                                 dutEdit, startButton, resultsButton});
    for (QWidget* input : inputs)
        input->setEnabled(!running);
    // The stop button takes the focus Start gave up, and gives it back
    // before it is locked (a locked button would pass it on down the chain).
    if (!running && (stopButton->hasFocus() || !focusWidget()))
        startButton->setFocus();
    stopButton->setEnabled(running);
    if (running)
        stopButton->setFocus();
    const bool drawn = !running && !points_.empty();
    for (QPushButton* button : {csvButton, pngButton, svgButton})
        button->setEnabled(drawn);
}

std::optional<SweepWindow::Sweep> SweepWindow::ReadSweep() {
    const SweepInputs inputs = Inputs();
    QString why;
    Sweep sweep;
    const std::optional<rftest::SweepPlan> plan = PlanOf(inputs, why);
    if (!plan || !ReadPerLimit(inputs.limit, sweep.limit, why)) {
        session_.MessageBox(why);
        return std::nullopt;
    }
    sweep.plan = *plan;
    sweep.dut = inputs.dut;
    if (!SaveSweepInputs(inputs))
        session_.MessageBox(
            QStringLiteral("Cannot keep the sweep's settings in\n%1").arg(OptionsFile()));
    return sweep;
}
