// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The prompter of the running application: Qt message boxes and the
// file-save dialog, over the console's window the user is in.

#include "console/Prompter.h"

class QWidget;

class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* window) : window_(window) {}

    void MessageBox(const QString& text) override;
    Answer YesNoCancel(const QString& text) override;
    std::optional<QString> SaveFileName(const QString& proposedName, const QString& filter,
                                        const QString& dir, bool askBeforeCreating) override;

private:
    QWidget* Owner() const;

    QWidget* window_;
};
