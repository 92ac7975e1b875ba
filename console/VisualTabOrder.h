// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tab as the eye reads the dialog: the left column (the help panes, the log)
// top to bottom, then the right column's rows top to bottom, each row left
// to right. The template's own order is its creation order, not this.

#include <vector>

class QWidget;

// Chains the widgets that take focus by Tab; columns split at splitX (pixels).
// The chain, first to last.
std::vector<QWidget*> SetVisualTabOrder(const std::vector<QWidget*>& widgets, int splitX);
