// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level QWidget reports itself to assistive technology as a plain
// client area ("filler"); a window of the console announces itself as a
// window with its title, as a dialog or a main window does.

class QWidget;

// Call once in the window's constructor.
void AnnounceAsWindow(QWidget& window);
