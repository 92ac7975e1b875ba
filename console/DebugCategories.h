// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The developers' debug log of the layers below the console (serial/DebugLog.h)
// goes to two Qt logging categories, off unless switched on:
//   QT_LOGGING_RULES="kel.serial.debug=true;kel.protocol.debug=true" kelGuiTool
// It never reaches the log pane.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(kelSerial)
Q_DECLARE_LOGGING_CATEGORY(kelProtocol)

namespace kel {

// Installs the route; the console does it once, at the dialog's start.
void RouteDebugNotesToQt();

} // namespace kel
