#pragma once
// How far a sweep has come, in words: points done and left, and the time
// left, from the pace of the points done so far (before the first, from the
// time each point receives).

#include <QString>
#include <chrono>
#include <cstddef>

// "2 of 6 points done, 4 left, about 0:09 to go".
QString SweepProgressText(std::size_t done, std::size_t count, std::chrono::milliseconds elapsed,
                          std::chrono::milliseconds perPoint);

// "0:09", "12:30", "1:02:03".
QString DurationText(std::chrono::seconds duration);
