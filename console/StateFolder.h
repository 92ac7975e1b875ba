#pragma once
// What the console keeps between runs: session logs, the free command box's
// history and the results setting, under $XDG_STATE_HOME/kelGuiTool
// (~/.local/state/kelGuiTool when the variable is unset, empty or not an
// absolute path).

#include <QString>

QString StateFolder();
QString SessionLogFolder();
QString CommandHistoryFile();
// Where the results go, and the station's and operator's names (ResultsRecorder.h).
QString ResultsSettingsFile();
