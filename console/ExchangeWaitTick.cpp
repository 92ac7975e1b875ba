// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/ExchangeWaitTick.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QWindow>
#include <QWidget>

namespace {

bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

bool IsEscapePress(const QEvent* event) {
    return event->type() == QEvent::KeyPress &&
           static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

bool IsWithin(const QObject* watched, const QWidget& window) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget) // a QWindow: the window's own surface
        return watched == static_cast<const QObject*>(window.windowHandle());
    return widget == &window || window.isAncestorOf(widget);
}

} // namespace

ExchangeWaitTick::ExchangeWaitTick(QWidget& window, std::function<void()> cancel)
    : window_(window), cancel_(std::move(cancel)) {}

ExchangeWaitTick::~ExchangeWaitTick() {
    EndBusy();
}

void ExchangeWaitTick::Tick() {
    if (inTick_)
        return;
    inTick_ = true;
    if (!busyCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursor_ = true;
        busySince_ = std::chrono::steady_clock::now();
    }
    ShowHintAfterASecond();
    // The filter is there only while events are pumped here: input that comes
    // between exchanges reaches the window as usual.
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    inTick_ = false;
}

void ExchangeWaitTick::ShowHintAfterASecond() {
    if (!titleBeforeHint_.isEmpty() || std::chrono::steady_clock::now() - busySince_ < kHintAfter)
        return;
    titleBeforeHint_ = window_.windowTitle();
    window_.setWindowTitle(titleBeforeHint_ + QString::fromUtf8(kTitleHint));
}

void ExchangeWaitTick::EndBusy() {
    if (!titleBeforeHint_.isEmpty()) {
        window_.setWindowTitle(titleBeforeHint_);
        titleBeforeHint_.clear();
    }
    if (!busyCursor_)
        return;
    QApplication::restoreOverrideCursor();
    busyCursor_ = false;
}

bool ExchangeWaitTick::eventFilter(QObject* watched, QEvent* event) {
    if (!inTick_ || !IsUserInput(event))
        return QObject::eventFilter(watched, event);
    if (IsEscapePress(event) && cancel_) {
        cancel_();
        return true;
    }
    if (letThrough_ && IsWithin(watched, *letThrough_))
        return QObject::eventFilter(watched, event);
    return true;
}
