// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/QtPrompter.h"

#include "resources/Strings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Message boxes carry the program's name as title and show the text as it
// is: no markup, line feeds break lines.
QMessageBox::StandardButton Ask(QWidget* window, QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton escapeAnswer) {
    QMessageBox box(icon, QString::fromUtf8(kel::res::kApplicationName), text, buttons, window);
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(escapeAnswer);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QWidget* QtPrompter::Owner() const {
    // Over the console's window the user is at (the sweep window, say), so
    // the question stands where the action was.
    QWidget* active = QApplication::activeWindow();
    for (QWidget* owner = active; owner; owner = owner->parentWidget()) {
        if (owner == window_)
            return active;
    }
    return window_;
}

void QtPrompter::MessageBox(const QString& text) {
    Ask(Owner(), QMessageBox::Warning, text, QMessageBox::Ok, QMessageBox::Ok);
}

Prompter::Answer QtPrompter::YesNoCancel(const QString& text) {
    const auto answer =
        Ask(Owner(), QMessageBox::Question, text,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        return Answer::Yes;
    if (answer == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

std::optional<QString> QtPrompter::SaveFileName(const QString& proposedName, const QString& filter,
                                                const QString& dir, bool askBeforeCreating) {
    QString start = QDir(dir.isEmpty() ? QDir::currentPath() : dir).filePath(proposedName);
    for (;;) {
        // Qt's dialog asks before replacing a file and adds no extension.
        const QString path = QFileDialog::getSaveFileName(Owner(), QString(), start, filter);
        if (path.isEmpty())
            return std::nullopt;
        if (!askBeforeCreating || QFileInfo::exists(path))
            return path;
        // A new file is created only when the user says so; No goes back to
        // the dialog with the name kept.
        const QString question = QStringLiteral("%1\nThis file does not exist.\nCreate the file?")
                                     .arg(QDir::toNativeSeparators(path));
        if (Ask(Owner(), QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No) == QMessageBox::Yes)
            return path;
        start = path;
    }
}
