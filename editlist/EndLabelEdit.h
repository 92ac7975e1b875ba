// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an in-place editor reports to its list when the edit ends: the cell it
// edited and the text it holds, or no text when the edit was cancelled. The
// list treats it exactly like the end of a native label edit.

#include <QString>
#include <optional>

struct EndLabelEdit {
    int row = -1;
    int column = -1;
    std::optional<QString> text; // empty: cancelled, the cell keeps its text
};
