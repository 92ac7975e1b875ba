// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/StateFolder.h"

#include "resources/Strings.h"

#include <QDir>

QString StateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QLatin1Char('/') + QString::fromUtf8(kel::res::kApplicationName));
}

QString SessionLogFolder() {
    return StateFolder() + QStringLiteral("/logs");
}

QString CommandHistoryFile() {
    return StateFolder() + QStringLiteral("/command_history.json");
}

QString OptionsFile() {
    return StateFolder() + QStringLiteral("/options.ini");
}
