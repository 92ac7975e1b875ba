// SPDX-License-Identifier: GPL-3.0-or-later
// The usage help in the two panes above the log.

#include "console/CkelGuiToolDlg.h"
#include "resources/ResourceIds.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <algorithm>

namespace {

constexpr const char* kUsage[] = {
    "Usage:\r\n",
    "1.Select chip model\r\n",
    "2.Select com, click connect\r\n",
    "3.Set freq offset,channel,rate,power...\r\n",
    "4.Click TX,RX...\r\n",
    "5.Disconnect and exit\r\n",
};

constexpr const char* kParamRange[] = {
    "Param range:\r\n",
    "freq offset:\t0 to 127\r\n",
    "power level:\t-118 to 120\r\n",
    "packet length:\t0 to 4095\r\n\t\t(0 for auto length)\r\n",
    "packet count:\t0 - send bursts\r\n\t\tn - send n packets\r\n",
};

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
    SetDlgItemText(kel::res::IDC_USAGE, Join(kUsage));
    SetDlgItemText(kel::res::IDC_PARAM_RANGE, paramRange);
    FitTabStops(qobject_cast<QPlainTextEdit*>(GetDlgItem(kel::res::IDC_PARAM_RANGE)), paramRange);
    UpdateData(false);
}
