// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleFixture.h"

#include "board/VirtualBoardHost.h"
#include "console/PortList.h"
#include "resources/ResourceIds.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

using namespace kel::res;

ConsoleFixture::ConsoleFixture(std::chrono::milliseconds slice)
    : dlg(std::make_unique<CkelGuiToolDlg>(std::make_unique<ScriptedPrompter>(prompts))) {
    dlg->watchdogSlice = slice;
}

ConsoleFixture::~ConsoleFixture() = default;

void ConsoleFixture::Click(int id) {
    // click() does nothing on a disabled button, as a real click would.
    qobject_cast<QAbstractButton*>(dlg->GetDlgItem(id))->click();
}

void ConsoleFixture::Choose(int id, int row) {
    auto* list = qobject_cast<QComboBox*>(dlg->GetDlgItem(id));
    if (!list->isEnabled())
        return;
    list->setCurrentIndex(row);
    emit list->activated(row);
}

void ConsoleFixture::Type(int id, const QString& text) {
    QWidget* control = dlg->GetDlgItem(id);
    if (!control->isEnabled())
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setEditText(text);
}

QString ConsoleFixture::Text(int id) const {
    return dlg->GetDlgItemText(id);
}

bool ConsoleFixture::Enabled(int id) const {
    return dlg->GetDlgItem(id)->isEnabled();
}

bool ConsoleFixture::Checked(int id) const {
    return dlg->IsDlgButtonChecked(id) != 0;
}

bool ConsoleFixture::Connect(int chipModel, const std::string& device) {
    Choose(IDC_CHIP_MODEL, chipModel);
    Type(IDC_COM_PORT, QString::fromLocal8Bit(device));
    Click(IDC_CONNECT);
    return dlg->connected != 0;
}

bool ConsoleFixture::ConnectToVirtualBoard(int chipModel) {
    return Connect(chipModel, kel::kVirtualBoardEntry);
}

kel::board::VirtualBoardHost& ConsoleFixture::Board() {
    if (!dlg->virtualBoard)
        dlg->virtualBoard = std::make_unique<kel::board::VirtualBoardHost>();
    return *dlg->virtualBoard;
}
