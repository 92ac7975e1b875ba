// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About box: the icon, the version line and a short notice.

#include <QDialog>
#include <vector>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QWidget* GetDlgItem(int id) const;

private:
    void OnInitDialog();

    std::vector<QWidget*> controls_;
};
