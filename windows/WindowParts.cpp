// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WindowParts.h"

#include "resources/Strings.h"

#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>

void NameWindow(QWidget& window, const char* name, const QString& what) {
    window.setObjectName(QString::fromLatin1(name));
    window.setWindowTitle(
        QStringLiteral("%1 \u2014 %2").arg(what, QString::fromUtf8(kel::res::kApplicationName)));
}

QLineEdit* NamedEdit(const char* name, const QString& hint, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setPlaceholderText(hint);
    return edit;
}

QLabel* StatusLine(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("status"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QVBoxLayout* ScrolledBody(QWidget& window, QWidget* body, QScrollArea** scroll) {
    auto* area = new QScrollArea(&window);
    area->setObjectName(QStringLiteral("body"));
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(body);
    auto* outer = new QVBoxLayout(&window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area, 1);
    if (scroll != nullptr)
        *scroll = area;
    return outer;
}

bool SaveText(const QString& path, const std::string& text, QString& why) {
    QSaveFile file(path);
    const QByteArray bytes = QByteArray::fromStdString(text);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    why = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return false;
}
