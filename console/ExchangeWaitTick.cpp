#include "console/ExchangeWaitTick.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>

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
    case QEvent::Close:
        // The close box: the window manager's request, not our own close().
        return event->spontaneous();
    default:
        return false;
    }
}

} // namespace

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
    }
    // The filter is there only while events are pumped here: input that comes
    // between exchanges reaches the window as usual.
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    inTick_ = false;
}

void ExchangeWaitTick::EndBusy() {
    if (!busyCursor_)
        return;
    QApplication::restoreOverrideCursor();
    busyCursor_ = false;
}

bool ExchangeWaitTick::eventFilter(QObject* watched, QEvent* event) {
    if (inTick_ && IsUserInput(event))
        return true;
    return QObject::eventFilter(watched, event);
}
