// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WindowKeys.h"

#include <QKeyEvent>
#include <QPushButton>

bool IsEnter(const QKeyEvent& event) {
    const bool enterKey = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    return enterKey && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool EnterPressesFocusedButton(const QWidget& window, const QKeyEvent& event) {
    if (!IsEnter(event))
        return false;
    // Enter held down must not flip a start/stop button back and forth.
    if (auto* button = qobject_cast<QPushButton*>(window.focusWidget());
        button && !event.isAutoRepeat())
        button->click();
    return true;
}

QPushButton* NamedButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* next : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, next);
        previous = next;
    }
}
