// SPDX-License-Identifier: GPL-3.0-or-later
// What makes the template's dialog readable beyond its own rules: the baud
// box gets a visible label (the template has none), the Com field shows a
// long path elided in the middle with the whole path in its tooltip, and Tab
// goes in the order the eye reads rather than the template's creation order.

#include "console/CkelGuiToolDlg.h"
#include "console/DialogBuilder.h"
#include "console/MiddleElide.h"
#include "console/VisualTabOrder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

// Over the baud box, in the Settings group's title band.
constexpr kel::res::DialogRect kBaudLabelRect{404, 3, 60, 9};
// Where the right-hand column of groups begins.
constexpr kel::res::DialogRect kRightColumn{280, 0, 0, 0};

} // namespace

void CkelGuiToolDlg::MakeReadable() {
    const kel::DialogBaseUnits units = kel::BaseUnitsOf(font());
    auto* baudLabel = new QLabel(tr("Baud rate"), this);
    baudLabel->setObjectName(QStringLiteral("baudLabel"));
    baudLabel->setGeometry(kel::MapDialogRect(kBaudLabelRect, units));
    baudLabel->setBuddy(baudRateBox);
    if (QLineEdit* field = comPortList->lineEdit())
        ElideInTheMiddle(*field);

    // Buttons placed among the template's controls take their turn where they stand.
    std::vector<QWidget*> placed = controls_;
    placed.push_back(calibrateGroupButton);
    const std::vector<QWidget*> chain =
        SetVisualTabOrder(placed, kel::MapDialogRect(kRightColumn, units).x());
    if (chain.empty())
        return;
    // The console opens with the focus where Tab starts, not wherever the
    // reordered chain happens to begin.
    chain.front()->setFocus();
    QWidget* last = chain.back();
    for (QWidget* entry : windowEntries_) {
        setTabOrder(last, entry);
        last = entry;
    }
}
