// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Calibrate window's picture for the guide (CalibrateTour.cpp).

#include <functional>

class CkelGuiToolDlg;
class QWidget;

// With the console connected to its built-in virtual board: a sensitivity
// search and a crystal calibration on the virtual bench, pictured through
// save(window, name).
void CalibrateTour(CkelGuiToolDlg& dlg, const std::function<void(QWidget*, const char*)>& save);
