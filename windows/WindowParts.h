// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts every window beyond the dialog is made of: its title and the name
// tests find it by, controls named for tests, the status line, and a text
// file saved whole.

#include <QString>
#include <string>

class QLabel;
class QLineEdit;
class QWidget;

// Titles the window "<what> — kelGuiTool" and names it.
void NameWindow(QWidget& window, const char* name, const QString& what);
// A line edit tests find by name, with a hint of what to type.
QLineEdit* NamedEdit(const char* name, const QString& hint, QWidget* parent);
// The line under a window's main part that says what happened; selectable.
QLabel* StatusLine(const QString& text, QWidget* parent);
// Writes text to path whole or not at all; false with a message saying why.
bool SaveText(const QString& path, const std::string& text, QString& why);
