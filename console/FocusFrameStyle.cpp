// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/FocusFrameStyle.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

FocusFrameStyle::FocusFrameStyle(QStyle* base) : QProxyStyle(base) {}

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool focusedPane = element == PE_Frame && (option->state & State_HasFocus) &&
                             qobject_cast<const QAbstractScrollArea*>(widget);
    if (!focusedPane)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option->rect).adjusted(1, 1, -1, -1));
    painter->restore();
}

void ShowFocusOnFrames(QApplication& app) {
    // A style of its own to wrap: the proxy owns its base, the application its style.
    if (QStyle* base = QStyleFactory::create(app.style()->name()))
        app.setStyle(new FocusFrameStyle(base));
}
