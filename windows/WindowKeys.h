// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keys and buttons as every console window has them: Enter presses the
// focused push button (none is a default one), once however long it is held;
// Tab goes in the order the eye reads.

#include <QString>
#include <functional>
#include <initializer_list>

class QCloseEvent;
class QKeyEvent;
class QSize;
class QPushButton;
class QWidget;

// Return or keypad Enter, with no other modifier.
bool IsEnter(const QKeyEvent& event);
// On Enter, clicks the window's focused push button, if one has the focus;
// true when the event was Enter (handled, whatever had the focus).
bool EnterPressesFocusedButton(const QWidget& window, const QKeyEvent& event);
// A push button tests find by name, never pressed by Enter elsewhere.
QPushButton* NamedButton(const QString& caption, const char* name, QWidget* parent);
// Resizes a new window to wanted, or less where the screen is smaller.
void FitToScreen(QWidget& window, QSize wanted);
// Tab from each widget to the next.
void ChainTabOrder(std::initializer_list<QWidget*> widgets);

// A window that runs something (a sweep, a calibration): Escape stops the
// run going on, else closes the window; Enter presses the focused button.
// True when the key was handled.
bool RunWindowKey(QWidget& window, const QKeyEvent& event, bool running,
                  const std::function<void()>& stop);
// Its close box while a run goes on: the run is stopped, closeAfterRun set,
// and the window is to close once the run has ended. True when the close
// was put off so (the event ignored).
bool PutOffClose(QCloseEvent& event, bool running, bool& closeAfterRun,
                 const std::function<void()>& stop);
