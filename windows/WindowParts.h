// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts every window beyond the dialog is made of: its title and the name
// tests find it by, controls named for tests, the status line, and a text
// file saved whole.

#include <QString>
#include <string>

class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;
class QWidget;

// Titles the window "<what> — kelGuiTool" and names it.
void NameWindow(QWidget& window, const char* name, const QString& what);
// A line edit tests find by name, with a hint of what to type.
QLineEdit* NamedEdit(const char* name, const QString& hint, QWidget* parent);
// The line under a window's main part that says what happened; selectable.
QLabel* StatusLine(const QString& text, QWidget* parent);
// Puts body in a frameless scroll area named "body" filling window, so on a
// small screen the body scrolls rather than reaching past it. Returns the
// window's layout, for what stays outside the scrolled part.
QVBoxLayout* ScrolledBody(QWidget& window, QWidget* body, QScrollArea** scroll = nullptr);
// Writes text to path whole or not at all; false with a message saying why.
bool SaveText(const QString& path, const std::string& text, QString& why);
