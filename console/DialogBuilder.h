// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Builds a window's controls from a dialog template. Positions and sizes in
// dialog units become pixels through the dialog font's average character
// size, the way dialog templates have always been laid out: a horizontal unit
// is a quarter of the average character width, a vertical unit an eighth of
// the character height.

#include "resources/DialogTemplates.h"

#include <QRect>
#include <QSize>
#include <vector>

class QComboBox;
class QFont;
class QString;
class QWidget;

namespace kel {

struct DialogBaseUnits {
    int x = 0; // average character width, pixels
    int y = 0; // character height, pixels
};

DialogBaseUnits BaseUnitsOf(const QFont& font);
QRect MapDialogRect(const res::DialogRect& rect, DialogBaseUnits units);
QSize MapDialogSize(int width, int height, DialogBaseUnits units);

// Height of a combo box's closed field in dialog units; the template's height
// is the extent of the opened list.
constexpr int kComboFieldHeight = 12;

// Creates the template's controls on dialog, in template order (the tab
// order), and returns them in that order.
std::vector<QWidget*> BuildControls(QWidget* dialog, const res::DialogTemplate& tmpl,
                                    DialogBaseUnits units);

// The id a built control carries (0 for none, -1 for a widget not built from a
// template).
int DlgIdOf(const QWidget* control);

// Where a row whose edit text is text goes in rows sorted as text: after
// every row that does not sort after it.
int SortedRow(const QComboBox* combo, const QString& text);

// Adds a row the way the list wants it: at its sorted place when the control
// was built sorted, at the end otherwise; the selection (none, until the
// user chooses) and any typed text stay. Returns the row.
int AddString(QComboBox* combo, const QString& text);

} // namespace kel
