// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console keeps between runs: session logs, the free command box's
// history and its options (the results store among them), under
// $XDG_STATE_HOME/kelGuiTool (~/.local/state/kelGuiTool when the variable is
// unset, empty or not an absolute path).

#include <QString>

QString StateFolder();
QString SessionLogFolder();
QString CommandHistoryFile();
// The options the console remembers (INI): reconnectAutomatically, and the
// results store with the names its runs carry (results/store, results/station,
// results/operator: ResultsRecorder.h).
QString OptionsFile();
