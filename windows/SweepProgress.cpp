// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/SweepProgress.h"

#include <algorithm>

QString DurationText(std::chrono::seconds duration) {
    const long long total = std::max<long long>(0, duration.count());
    const long long hours = total / 3600, minutes = total / 60 % 60, seconds = total % 60;
    const QString tail = QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0'));
    if (hours == 0)
        return QStringLiteral("%1:%2").arg(minutes).arg(tail);
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(tail);
}

QString SweepProgressText(std::size_t done, std::size_t count, std::chrono::milliseconds lastDoneAt,
                          std::chrono::milliseconds now, std::chrono::milliseconds perPoint) {
    const std::size_t left = count - std::min(done, count);
    // The pace so far says more than the receive time: it holds the commands.
    const std::chrono::milliseconds pace =
        done > 0 ? std::chrono::milliseconds(lastDoneAt.count() / static_cast<long>(done))
                 : perPoint;
    const auto whole = pace * static_cast<long>(count);
    const auto toGo = std::chrono::ceil<std::chrono::seconds>(std::max(whole - now, pace * 0));
    QString text = QStringLiteral("%1 of %2 points done, %3 left").arg(done).arg(count).arg(left);
    if (left > 0)
        text += QStringLiteral(", about %1 to go").arg(DurationText(toGo));
    return text;
}

QString SweepEndedText(std::size_t done, std::size_t count, bool stopped) {
    return QStringLiteral("%1 after %2 of %3 points")
        .arg(stopped ? QStringLiteral("stopped") : QStringLiteral("ended"))
        .arg(done)
        .arg(count);
}

QString SweepOriginText(const QString& port, const QString& dut, const QDateTime& at,
                        bool earlier) {
    QString text = QStringLiteral("Board on %1").arg(port);
    if (!dut.isEmpty())
        text += QStringLiteral(", DUT %1").arg(dut);
    text += QStringLiteral(", swept %1").arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (earlier)
        text += QStringLiteral(" \u2014 an earlier connection, not the board connected now");
    return text;
}
