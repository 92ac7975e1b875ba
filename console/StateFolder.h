#pragma once
// What the console keeps between runs: session logs and the free command
// box's history, under $XDG_STATE_HOME/kelGuiTool (~/.local/state/kelGuiTool
// when the variable is unset, empty or not an absolute path).

#include <QString>

QString StateFolder();
QString SessionLogFolder();
QString CommandHistoryFile();
// The options the console remembers (INI): reconnectAutomatically.
QString OptionsFile();
