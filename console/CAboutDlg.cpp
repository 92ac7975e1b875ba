// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CAboutDlg.h"

#include "console/ConsoleTables.h"
#include "console/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    QFont font = QApplication::font();
    font.setPointSize(9);
    setFont(font);

    const kel::res::DialogTemplate& tmpl = kel::res::AboutDialogTemplate();
    setWindowTitle(QString::fromUtf8(tmpl.caption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QString::fromUtf8(kel::res::kAppIconPath)));
    const kel::DialogBaseUnits units = kel::BaseUnitsOf(this->font());
    controls_ = kel::BuildControls(this, tmpl, units);
    setFixedSize(kel::MapDialogSize(tmpl.width, tmpl.height, units));

    auto* ok = qobject_cast<QPushButton*>(GetDlgItem(kel::res::IDOK));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    OnInitDialog();
}

QWidget* CAboutDlg::GetDlgItem(int id) const {
    for (QWidget* control : controls_) {
        if (kel::DlgIdOf(control) == id)
            return control;
    }
    return nullptr;
}

void CAboutDlg::OnInitDialog() {
    // A label is announced by its text: no fixed name to keep in step.
    const auto setLabel = [this](int id, const QString& text) {
        qobject_cast<QLabel*>(GetDlgItem(id))->setText(text);
    };
    setLabel(kel::res::IDC_ABOUT_VERSION, QString::fromStdString(kel::VersionCaption()));
    setLabel(kel::res::IDC_ABOUT_NOTICE, QString::fromStdString(kel::AboutNotice()));
    GetDlgItem(kel::res::IDOK)->setFocus();
}
