// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plan's [instrument] table: the instrument's URL ("virtual" for the
// virtual bench kel-rftest serves on --virtual boards), its profile (a name,
// or a file beside the plan) and the route of each board; and the checks of
// the steps that measure with it (an instrument there, the actions they need
// in its profile).

#include "plan/Plan.h"
#include "plan/TomlKeys.h"

namespace kel::plan {

// Reads the table when the plan has one; errors at the keys.
void ReadInstrumentTable(KeyReader& top, Plan& plan);

// What a step asks of the instrument; nothing for a step that uses none.
std::vector<instrument::Action> NeededActions(StepKind kind);
// Each step that uses the instrument (tone-freq, tx-power, the calibrations)
// needs the table, and its profile the actions the step sends; errors at the step.
void CheckInstrumentSteps(const Plan& plan, ErrorList& errors);

} // namespace kel::plan
