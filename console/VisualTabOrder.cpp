// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/VisualTabOrder.h"

#include <QWidget>
#include <algorithm>

namespace {

struct Placed {
    QWidget* widget;
    QRect rect; // in the window's coordinates
    bool right;
};

} // namespace

std::vector<QWidget*> SetVisualTabOrder(const std::vector<QWidget*>& widgets, int splitX) {
    std::vector<Placed> chain;
    for (QWidget* widget : widgets) {
        if (widget->isHidden() || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        const QRect rect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
        chain.push_back({widget, rect, rect.x() >= splitX});
    }
    // Column, then the top, then the left; a row is what starts within the
    // height of its first widget.
    std::stable_sort(chain.begin(), chain.end(), [](const Placed& a, const Placed& b) {
        if (a.right != b.right)
            return !a.right;
        if (a.rect.top() != b.rect.top())
            return a.rect.top() < b.rect.top();
        return a.rect.x() < b.rect.x();
    });
    for (std::size_t first = 0; first < chain.size();) {
        std::size_t end = first + 1;
        while (end < chain.size() && chain[end].right == chain[first].right &&
               chain[end].rect.top() <= chain[first].rect.bottom())
            ++end;
        std::stable_sort(chain.begin() + static_cast<std::ptrdiff_t>(first),
                         chain.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Placed& a, const Placed& b) { return a.rect.x() < b.rect.x(); });
        first = end;
    }
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1].widget, chain[i].widget);
    std::vector<QWidget*> order;
    for (const Placed& placed : chain)
        order.push_back(placed.widget);
    return order;
}
