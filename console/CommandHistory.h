// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Up and Down in the free command box walk through the commands sent from
// it, as in a shell: Up goes to older ones, Down back to newer ones and at
// last to what was being typed. The newest kLimit are kept in a file, so the
// next run starts with them.

#include <QObject>
#include <QString>
#include <QStringList>

class QLineEdit;

class CommandHistory : public QObject {
public:
    static constexpr int kLimit = 100;

    // Watches box's keys and starts with the commands file holds.
    CommandHistory(QLineEdit* box, QString file);

    // A command sent from the box; a repeat of the newest one is not kept twice.
    void Add(const QString& command);
    const QStringList& Commands() const { return commands_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Older();
    void Newer();
    void Load();
    void KeepNewest();
    void Save() const;

    QLineEdit* box_;
    QString file_;
    QStringList commands_; // oldest first
    // The command the box shows; commands_.size() while it shows the draft.
    qsizetype position_ = 0;
    QString draft_;
};
