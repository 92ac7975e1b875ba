// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line field that shows a long path readably while it is not being
// edited: too wide, it shows its beginning and end with "…" between, and its
// tooltip holds the whole text. Editing shows the text as it is.

class QLineEdit;

void ElideInTheMiddle(QLineEdit& field);
