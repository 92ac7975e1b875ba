// SPDX-License-Identifier: GPL-3.0-or-later
// The usage help in the two panes above the log: the steps of a session,
// and the ranges of the values.

#include "console/CkelGuiToolDlg.h"
#include "resources/ResourceIds.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <algorithm>

namespace {

// The steps of a session, in order.
constexpr const char* kSteps[] = {
    "Select chip model", "Select com, click connect", "Set freq offset, channel, rate, power...",
    "Click TX, RX...",   "Disconnect and exit",
};

constexpr const char* kParamRange[] = {
    "Param range:\r\n",
    "freq offset:\t0 to 127\r\n",
    "power level:\t-118 to 120\r\n",
    "packet length:\t0 to 4095\r\n\t\t(0 for auto length)\r\n",
    "packet count:\t0 - send bursts\r\n\t\tn - send n packets\r\n",
};

// The steps as a numbered list: each number out in the margin, its text at
// one tab stop, and a step too long for the pane carried on under its own
// text, not under the number (a plain-text pane wraps to the margin).
QString NumberedSteps(QPlainTextEdit* pane) {
    const QFontMetrics metrics(pane->font());
    const int indent = metrics.horizontalAdvance(QStringLiteral("%1.  ").arg(std::size(kSteps)));
    pane->setTabStopDistance(indent);
    const int margin = static_cast<int>(pane->document()->documentMargin());
    const int room =
        pane->width() - 2 * pane->frameWidth() - 2 * margin - indent - metrics.averageCharWidth();
    QString text = QStringLiteral("Usage:\n");
    int number = 0;
    for (const char* step : kSteps) {
        QString line = QStringLiteral("%1.\t").arg(++number);
        QString held;
        for (const QString& word : QString::fromUtf8(step).split(QLatin1Char(' '))) {
            const QString longer = held.isEmpty() ? word : held + QLatin1Char(' ') + word;
            if (!held.isEmpty() && metrics.horizontalAdvance(longer) > room) {
                line += held + QStringLiteral("\n\t");
                held = word;
            } else {
                held = longer;
            }
        }
        text += line + held + QLatin1Char('\n');
    }
    return text;
}

template <std::size_t N> QString Join(const char* const (&pieces)[N]) {
    QString text;
    for (const char* piece : pieces)
        text += QString::fromUtf8(piece);
    return text;
}

// The values stand two tab stops in; space the stops so that two of them
// clear the longest label, whatever the font.
void FitTabStops(QPlainTextEdit* pane, const QString& text) {
    const QFontMetrics metrics(pane->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            widest = std::max(widest, metrics.horizontalAdvance(line.left(tab)));
    }
    if (widest == 0)
        return;
    const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
    pane->setTabStopDistance((widest + gap + 1) / 2.0);
}

} // namespace

void CkelGuiToolDlg::ShowUsage() {
    const QString paramRange = Join(kParamRange);
    SetDlgItemText(kel::res::IDC_USAGE,
                   NumberedSteps(qobject_cast<QPlainTextEdit*>(GetDlgItem(kel::res::IDC_USAGE))));
    SetDlgItemText(kel::res::IDC_PARAM_RANGE, paramRange);
    FitTabStops(qobject_cast<QPlainTextEdit*>(GetDlgItem(kel::res::IDC_PARAM_RANGE)), paramRange);
    UpdateData(false);
}
