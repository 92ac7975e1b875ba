// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The way into the station from the console: the plan file, a slot per line
// ("Fixture A=ttyUSB0") and the operator's name, checked as the command line
// checks them (the plan's errors at their file:line:column, under the
// fields); Start opens the station window on its own.
//
// Objects by name: plan, browse, fixtures, operator, problems, start.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

class StationStart : public QDialog {
    Q_OBJECT
public:
    explicit StationStart(QWidget* parent);

    // Opens the station when the fields hold; says why not otherwise.
    void Start();

    QLineEdit* planEdit = nullptr;
    QPlainTextEdit* fixturesEdit = nullptr;
    QLineEdit* operatorEdit = nullptr;
    QLabel* problemsLabel = nullptr;
};
