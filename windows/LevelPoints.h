// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sensitivity search's points (sens_point measurements) as PER over the
// generator's level, a line per rate, and per run when several are laid
// over each other.

#include "results/Records.h"

#include <QString>
#include <vector>

class TraceChart;

// Draws the sens_point measurements of each run (labels: a name per run,
// used when there are several); true when any was drawn.
bool DrawLevelPoints(TraceChart& chart,
                     const std::vector<std::vector<kel::results::StoredMeasurement>>& runs,
                     const std::vector<QString>& labels);
