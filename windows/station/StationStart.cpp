// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/StationStart.h"

#include "windows/WindowKeys.h"
#include "windows/station/StationOptions.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

StationStart::StationStart(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Station"));
    planEdit = new QLineEdit(this);
    planEdit->setObjectName(QStringLiteral("plan"));
    QPushButton* browse = NamedButton(tr("&Browse…"), "browse", this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, tr("Plan"), planEdit->text(), tr("Plans (*.toml)"));
        if (!file.isEmpty())
            planEdit->setText(file);
    });
    fixturesEdit = new QPlainTextEdit(this);
    fixturesEdit->setObjectName(QStringLiteral("fixtures"));
    fixturesEdit->setTabChangesFocus(true);
    fixturesEdit->setPlaceholderText(tr("Fixture A=ttyUSB0\nFixture B=ttyUSB1"));
    operatorEdit = new QLineEdit(this);
    operatorEdit->setObjectName(QStringLiteral("operator"));
    problemsLabel = new QLabel(this);
    problemsLabel->setObjectName(QStringLiteral("problems"));
    problemsLabel->setWordWrap(true);
    QPushButton* start = NamedButton(tr("&Start"), "start", this);
    connect(start, &QPushButton::clicked, this, &StationStart::Start);

    auto* planRow = new QHBoxLayout;
    planRow->addWidget(planEdit, 1);
    planRow->addWidget(browse);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Plan"), planRow);
    form->addRow(tr("S&lots, one per line"), fixturesEdit);
    form->addRow(tr("&Operator"), operatorEdit);
    form->addRow(problemsLabel);
    form->addRow(start);
    ChainTabOrder({planEdit, browse, fixturesEdit, operatorEdit, start});
}

void StationStart::Start() {
    std::vector<std::string> words{"--station", planEdit->text().toStdString()};
    for (const QString& line : fixturesEdit->toPlainText().split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            words.insert(words.end(), {"--slot", line.trimmed().toStdString()});
    }
    if (!operatorEdit->text().trimmed().isEmpty())
        words.insert(words.end(), {"--operator", operatorEdit->text().trimmed().toStdString()});
    std::string error;
    std::optional<StationOptions> options = ReadStationOptions(words, error);
    std::optional<StationSetup> setup;
    if (options && operatorEdit->text().trimmed().isEmpty())
        error = "the operator's name is recorded with every run: give it";
    if (error.empty())
        setup = StationSetupFor(*options, error);
    if (!setup) {
        problemsLabel->setText(QString::fromStdString(error).trimmed());
        return;
    }
    auto* window = new StationWindow(std::move(*setup));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->showMaximized();
    window->Start();
    accept();
}
