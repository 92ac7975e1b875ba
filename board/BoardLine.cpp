// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardLine.h"

#include "board/LineRate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kel::board {

namespace {

// A new pseudo-terminal starts at 38400 bit/s; a rate that cannot be read is
// taken as that.
constexpr std::uint32_t kFallbackRate = 38400;

// About a millisecond of line time per write keeps the pacing smooth without
// a system call per byte at high rates; ahead by less than this, no pause.
constexpr auto kPacingStep = std::chrono::milliseconds(1);

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

void CloseFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

BoardLine::BoardLine(const BoardConfig& config) : model_(config), shaper_(config.fault) {}

BoardLine::~BoardLine() {
    Close();
}

void BoardLine::Close() {
    serving_ = false;
    CloseFd(master_);
    CloseFd(slaveKeeper_);
}

bool BoardLine::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0) {
        error = SystemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        error = SystemError("pseudo-terminal set-up");
        return false;
    }
    // Held for the board's life: without it the first client to close the
    // port would hang up the line for everyone after it.
    slaveKeeper_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slaveKeeper_ < 0) {
        error = SystemError(name);
        return false;
    }
    slavePath_ = name;
    serving_ = true;
    return true;
}

BoardLine::Wait BoardLine::NextWait(TimePoint now) const {
    if (!serving_)
        return {};
    if (output_.empty() && !hangUpAfterOutput_)
        return {master_, POLLIN, std::nullopt};
    if (now < resumeAt_)
        return {-1, 0, resumeAt_};
    if (output_.empty())
        return {-1, 0, now}; // the hang-up is due
    return {master_, POLLOUT, std::nullopt};
}

void BoardLine::Service(short revents) {
    if (!serving_)
        return;
    if (output_.empty() && !hangUpAfterOutput_ && (revents & (POLLIN | POLLHUP | POLLERR)))
        ReadCommands();
    WriteDue();
}

void BoardLine::ReadCommands() {
    char buffer[512];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        EndServing(false); // the line itself failed
        return;
    }
    std::lock_guard lock(modelMutex_);
    const Reply reply = model_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
    // A slave still in its cooked start-up mode echoes what it receives back
    // to us: a reply would return as a command and answer itself for ever. A
    // client that has not set its port to raw hears nothing.
    if (reply.empty() || SlaveEchoes())
        return;
    ShapedReply shaped = shaper_.Shape(reply);
    for (Emission& emission : shaped.emissions)
        output_.push_back(std::move(emission));
    hangUpAfterOutput_ = shaped.hangUp;
}

void BoardLine::WriteDue() {
    auto now = std::chrono::steady_clock::now();
    while (serving_ && now >= resumeAt_) {
        if (output_.empty()) {
            if (hangUpAfterOutput_)
                EndServing(true);
            return;
        }
        const Emission& emission = output_.front();
        if (offset_ == emission.bytes.size()) {
            // Done: the fault's pause, if any, before the next one.
            resumeAt_ = now + emission.pauseAfter;
            output_.pop_front();
            offset_ = 0;
            continue;
        }
        if (offset_ == 0) {
            std::uint32_t rate = ReadLineRate(slaveKeeper_);
            if (rate == 0)
                rate = kFallbackRate;
            secondsPerByte_ = 10.0 / rate;
            emissionStart_ = now;
        }
        const std::size_t chunk = std::max<std::size_t>(
            1, static_cast<std::size_t>(kPacingStep.count() * 1e-3 / secondsPerByte_));
        const std::size_t size = std::min(chunk, emission.bytes.size() - offset_);
        const ssize_t n = write(master_, emission.bytes.data() + offset_, size);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return; // the client is not reading and the line is full: wait for room
        if (n <= 0) {
            EndServing(false);
            return;
        }
        offset_ += static_cast<std::size_t>(n);
        const auto due =
            emissionStart_ +
            std::chrono::duration_cast<TimePoint::duration>(
                std::chrono::duration<double>(static_cast<double>(offset_) * secondsPerByte_));
        now = std::chrono::steady_clock::now();
        if (due - now >= kPacingStep)
            resumeAt_ = due;
    }
}

void BoardLine::EndServing(bool hangUp) {
    output_.clear();
    if (hangUp) {
        CloseFd(master_);
        // Before serving ends: whoever sees the board stop can tell why.
        hungUp_ = true;
    }
    serving_ = false;
}

BoardState BoardLine::State() const {
    std::lock_guard lock(modelMutex_);
    return model_.State();
}

void BoardLine::ModifyState(const std::function<void(BoardState&)>& change) {
    std::lock_guard lock(modelMutex_);
    change(model_.MutableState());
}

void BoardLine::HearGenerator(std::optional<double> levelDbm) {
    std::lock_guard lock(modelMutex_);
    model_.HearGenerator(levelDbm);
}

void BoardLine::ReceiveBurst(std::int64_t frames) {
    std::lock_guard lock(modelMutex_);
    model_.ReceiveBurst(frames);
}

void BoardLine::GoSilent() {
    std::lock_guard lock(modelMutex_);
    shaper_ = FaultShaper(FaultMode{FaultKind::Silent});
}

bool BoardLine::SlaveEchoes() const {
    termios settings{};
    if (tcgetattr(slaveKeeper_, &settings) != 0)
        return false;
    return (settings.c_lflag & ECHO) != 0;
}

} // namespace kel::board
