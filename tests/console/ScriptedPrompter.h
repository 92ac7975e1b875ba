// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A prompter for console tests: records every question and answers from a
// script (Cancel and no file once the script runs out).

#include "console/Prompter.h"

#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

struct PromptLog {
    QStringList messages;  // MessageBox texts, in order
    QStringList questions; // YesNoCancel texts, in order
    QStringList saveNames; // proposed names of SaveFileName, in order
    QStringList saveFilters;
    QStringList saveDirs;        // the folder each save dialog opened in
    QList<bool> createQuestions; // whether each would ask before creating a file
    std::deque<Prompter::Answer> answers;
    std::deque<std::optional<QString>> savePaths;
};

class ScriptedPrompter : public Prompter {
public:
    explicit ScriptedPrompter(std::shared_ptr<PromptLog> log) : log_(std::move(log)) {}

    void MessageBox(const QString& text) override { log_->messages << text; }

    Answer YesNoCancel(const QString& text) override {
        log_->questions << text;
        if (log_->answers.empty())
            return Answer::Cancel;
        const Answer answer = log_->answers.front();
        log_->answers.pop_front();
        return answer;
    }

    std::optional<QString> SaveFileName(const QString& proposedName, const QString& filter,
                                        const QString& dir, bool askBeforeCreating) override {
        log_->saveNames << proposedName;
        log_->createQuestions << askBeforeCreating;
        log_->saveFilters << filter;
        log_->saveDirs << dir;
        if (log_->savePaths.empty())
            return std::nullopt;
        // No optional<QString> local: GCC 12 warns of it as maybe uninitialised.
        const bool cancelled = !log_->savePaths.front().has_value();
        const QString path = log_->savePaths.front().value_or(QString());
        log_->savePaths.pop_front();
        if (cancelled)
            return std::nullopt;
        return path;
    }

private:
    std::shared_ptr<PromptLog> log_;
};
