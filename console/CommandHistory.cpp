// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/CommandHistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSaveFile>

CommandHistory::CommandHistory(QLineEdit* box, QString file)
    : QObject(box), box_(box), file_(std::move(file)) {
    Load();
    box_->installEventFilter(this);
}

void CommandHistory::Add(const QString& command) {
    if (command.isEmpty())
        return;
    if (commands_.isEmpty() || commands_.last() != command)
        commands_.append(command);
    KeepNewest();
    draft_.clear();
    Save();
}

bool CommandHistory::eventFilter(QObject* watched, QEvent* event) {
    if (watched != box_ || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Up) {
        Older();
        return true;
    }
    if (key->key() == Qt::Key_Down) {
        Newer();
        return true;
    }
    return false;
}

void CommandHistory::Older() {
    if (position_ == 0)
        return;
    if (position_ == commands_.size())
        draft_ = box_->text();
    box_->setText(commands_[--position_]);
}

void CommandHistory::Newer() {
    if (position_ == commands_.size())
        return;
    ++position_;
    box_->setText(position_ == commands_.size() ? draft_ : commands_[position_]);
}

// A JSON array of strings keeps any command exactly, line breaks included.
void CommandHistory::Load() {
    QFile in(file_);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QJsonArray saved = QJsonDocument::fromJson(in.readAll()).array();
    for (const QJsonValue& command : saved) {
        if (command.isString() && !command.toString().isEmpty())
            commands_.append(command.toString());
    }
    KeepNewest();
}

// Keeps the newest kLimit; the next Up starts from the newest again.
void CommandHistory::KeepNewest() {
    if (commands_.size() > kLimit)
        commands_.remove(0, commands_.size() - kLimit);
    position_ = commands_.size();
}

// The history is a convenience: a folder that cannot be written loses it
// quietly (the session log reports that folder's trouble).
void CommandHistory::Save() const {
    QDir().mkpath(QFileInfo(file_).absolutePath());
    QSaveFile out(file_);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.write(QJsonDocument(QJsonArray::fromStringList(commands_)).toJson());
    out.commit();
}
