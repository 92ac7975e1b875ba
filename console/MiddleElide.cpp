// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/MiddleElide.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

class MiddleElider : public QObject {
public:
    explicit MiddleElider(QLineEdit& field) : QObject(&field), field_(field) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &field_ || event->type() != QEvent::Paint || field_.hasFocus())
            return false;
        const QString text = field_.text();
        // The field paints itself first: frame, background, caret-less text.
        static_cast<QObject&>(field_).event(event);
        QStyleOptionFrame option;
        option.initFrom(&field_);
        option.lineWidth = field_.hasFrame() ? 1 : 0;
        const QRect area = field_.style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, &field_)
                               .marginsRemoved(field_.textMargins())
                               .adjusted(2, 0, -2, 0);
        const QFontMetrics metrics(field_.font());
        if (metrics.horizontalAdvance(text) <= area.width())
            return true;
        QPainter painter(&field_);
        painter.fillRect(
            area, field_.palette().brush(field_.isEnabled() ? QPalette::Active : QPalette::Disabled,
                                         QPalette::Base));
        painter.setPen(field_.palette().color(
            field_.isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideMiddle, area.width()));
        return true;
    }

private:
    QLineEdit& field_;
};

} // namespace

void ElideInTheMiddle(QLineEdit& field) {
    field.installEventFilter(new MiddleElider(field));
    QObject::connect(&field, &QLineEdit::textChanged, &field,
                     [&field](const QString& text) { field.setToolTip(text); });
    field.setToolTip(field.text());
}
