// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file an SDD export writes: the name proposed to the user, the check
// that the chosen path can be written before the board is asked for anything,
// and the creation itself.

#include <QDateTime>
#include <QString>

// "ASICII_SDD_<year>_<month>_<day>_<hour>_<minute>_<second>.sdd" in local
// time, numbers without leading zeros.
QString ProposedSddFileName(const QDateTime& localTime);

// Why the file cannot be created or replaced, in plain words; empty when it
// can. Looks only: creates, truncates and changes nothing.
QString SddTargetProblem(const QString& path);

// Creates the file for writing only, truncating one that exists. The
// descriptor, or -1 with errno set.
int CreateSddTarget(const QString& path);
