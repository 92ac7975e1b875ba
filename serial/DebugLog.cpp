// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/DebugLog.h"

#include <atomic>
#include <cstring>

namespace kel {

namespace {
std::atomic<DebugSink> sink{nullptr};
} // namespace

void SetDebugSink(DebugSink newSink) noexcept {
    sink.store(newSink);
}

void DebugNote(DebugArea area, const std::string& message) {
    if (const DebugSink current = sink.load())
        current(area, message);
}

std::string WithErrno(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

} // namespace kel
