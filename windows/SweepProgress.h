// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How far a sweep has come, in words: points done and left, and the time
// left: the whole sweep at the pace of the points done so far (before the
// first, at the time each point is expected to take), less the time gone.

#include <QDateTime>
#include <QString>
#include <chrono>
#include <cstddef>

// "2 of 6 points done, 4 left, about 0:09 to go".
// lastDoneAt: the time from the start to the last point done; now: to now.
QString SweepProgressText(std::size_t done, std::size_t count, std::chrono::milliseconds lastDoneAt,
                          std::chrono::milliseconds now, std::chrono::milliseconds perPoint);

// "0:09", "12:30", "1:02:03".
QString DurationText(std::chrono::seconds duration);

// A sweep that ended early: "stopped after 4 of 9 points" when the user
// stopped it, "ended after 4 of 9 points" when a point failed; no time left.
QString SweepEndedText(std::size_t done, std::size_t count, bool stopped);

// Whose sweep is shown: "Board on /dev/ttyUSB0, DUT SN-0001, swept
// 2026-12-09 02:40:12", marked when it ran on an earlier connection.
QString SweepOriginText(const QString& port, const QString& dut, const QDateTime& at, bool earlier);
