// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WindowKeys.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

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

void FitToScreen(QWidget& window, QSize wanted) {
    if (const QScreen* screen = window.screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
    window.resize(wanted);
}

bool RunWindowKey(QWidget& window, const QKeyEvent& event, bool running,
                  const std::function<void()>& stop) {
    if (event.key() != Qt::Key_Escape || event.modifiers() != Qt::NoModifier)
        return EnterPressesFocusedButton(window, event);
    if (running)
        stop();
    else
        window.close();
    return true;
}

bool PutOffClose(QCloseEvent& event, bool running, bool& closeAfterRun,
                 const std::function<void()>& stop) {
    if (!running)
        return false;
    event.ignore();
    closeAfterRun = true;
    stop();
    return true;
}
