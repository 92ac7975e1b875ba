// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The style in use with the focus shown on every framed pane: a read-only
// text pane, or a table without a current cell, draws nothing of its own
// when it takes the focus, so its frame takes the highlight colour (as a
// focused edit's frame does).

#include <QProxyStyle>

class QApplication;

class FocusFrameStyle : public QProxyStyle {
public:
    explicit FocusFrameStyle(QStyle* base);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// Puts it over the application's style (the default one, or -style NAME).
void ShowFocusOnFrames(QApplication& app);
