// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WindowRole.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

constexpr char kAnnounced[] = "kelAnnouncedWindow";

QAccessibleInterface* WindowInterface(const QString&, QObject* object) {
    if (!object || !object->isWidgetType() || !object->property(kAnnounced).toBool())
        return nullptr;
    // Its name is the window title while no accessible name is set.
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void AnnounceAsWindow(QWidget& window) {
    static const bool installed = [] {
        QAccessible::installFactory(WindowInterface);
        return true;
    }();
    (void)installed;
    window.setProperty(kAnnounced, true);
}
