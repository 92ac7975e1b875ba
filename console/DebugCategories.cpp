// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/DebugCategories.h"

#include "serial/DebugLog.h"

#include <QString>

Q_LOGGING_CATEGORY(kelSerial, "kel.serial", QtInfoMsg)
Q_LOGGING_CATEGORY(kelProtocol, "kel.protocol", QtInfoMsg)

namespace kel {

namespace {
void ToCategory(DebugArea area, const std::string& message) {
    const QString text = QString::fromStdString(message);
    if (area == DebugArea::Serial)
        qCDebug(kelSerial).noquote() << text;
    else
        qCDebug(kelProtocol).noquote() << text;
}
} // namespace

void RouteDebugNotesToQt() {
    SetDebugSink(ToCategory);
}

} // namespace kel
