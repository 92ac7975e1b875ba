// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Row identities that stay unique across processes and stations, so a row
// pushed twice is recognised as the same row.

#include <string>

namespace kel::results {

// A random (version 4) UUID, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx", from the
// kernel's random source: safe after fork, where a seeded generator would
// repeat its parent's.
std::string NewUuid();

} // namespace kel::results
