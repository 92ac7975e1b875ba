// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The questions the console asks the user: a message with an OK button, a
// Yes/No/Cancel question, and where to save a file. The dialog asks through
// this seam so tests can answer and record instead of a person.

#include <QString>
#include <optional>

class Prompter {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Prompter() = default;

    virtual void MessageBox(const QString& text) = 0;
    // Closing the box without choosing answers Cancel.
    virtual Answer YesNoCancel(const QString& text) = 0;
    // filter in Qt's form, e.g. "(*.sdd)"; dir empty for the current folder.
    // The chosen path, or nothing when the user cancels. The user is asked
    // before an existing file is replaced and, unless askBeforeCreating is
    // false (an export), before a new one is created; a name typed without
    // extension is returned without one.
    virtual std::optional<QString> SaveFileName(const QString& proposedName, const QString& filter,
                                                const QString& dir,
                                                bool askBeforeCreating = true) = 0;
};
