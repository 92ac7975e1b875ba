// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineSetup.h"

#include "DebugLog.h"

#include <cerrno>
#include <string>

// Only the kernel's own termios2 here; see the header.
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace kel {

namespace {

tcflag_t DataBitsFlag(std::uint8_t bits) {
    switch (bits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// An ioctl whose failure is no failure of the line: told to the debug log only.
void PassOver(int result, const char* what) {
    const int error = errno;
    if (result != 0)
        DebugNote(DebugArea::Serial, WithErrno(std::string(what) + " passed over", error));
}

void SetModemLine(int fd, int line, bool raised) {
    // Pseudo-terminals have no modem lines (ENOTTY): that is no failure.
    PassOver(ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line),
             line == TIOCM_DTR ? "setting DTR" : "setting RTS");
}

// USB adapters such as FTDI hold received bytes up to 16 ms unless asked not
// to; that would stretch every reply. Devices without the setting refuse it,
// which is fine.
void AskForLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    PassOver(ioctl(fd, TIOCSSERIAL, &serial), "low latency (TIOCSSERIAL)");
}

} // namespace

bool ApplyLineSettings(int fd, const LineSettings& line) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;

    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IUCLC | IXON | IXOFF | IXANY | IMAXBEL | INPCK);
    if (line.xonXoff)
        t.c_iflag |= IXON | IXOFF;
    if (line.parity != 'N')
        t.c_iflag |= INPCK;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON |
                                        ISIG | IEXTEN | NOFLSH | TOSTOP);

    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR |
                                        CRTSCTS | HUPCL);
    t.c_cflag |= CLOCAL | CREAD | BOTHER | DataBitsFlag(line.dataBits);
    if (line.stopBits == 2)
        t.c_cflag |= CSTOPB;
    switch (line.parity) {
    case 'E':
        t.c_cflag |= PARENB;
        break;
    case 'O':
        t.c_cflag |= PARENB | PARODD;
        break;
    case 'M':
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 'S':
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // One byte at a time, no inter-byte timer: with O_NONBLOCK "no data yet" is
    // EAGAIN, so a read of 0 can only mean the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_ispeed = line.baud;
    t.c_ospeed = line.baud;
    if (ioctl(fd, TCSETS2, &t) != 0)
        return false;

    SetModemLine(fd, TIOCM_DTR, line.dtr);
    SetModemLine(fd, TIOCM_RTS, line.rts);
    AskForLowLatency(fd);
    return true;
}

LineSettings ConfigureLine(int fd, std::string_view definition) {
    if (const auto parsed = ParseDefinition(definition)) {
        if (ApplyLineSettings(fd, *parsed))
            return *parsed;
    }
    DebugNote(DebugArea::Serial, "line definition \"" + std::string(definition) +
                                     "\" not taken; the fallback line is set");
    const LineSettings fallback = FallbackLineSettings();
    ApplyLineSettings(fd, fallback);
    return fallback;
}

std::optional<std::uint32_t> ReadLineSpeed(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return std::nullopt;
    return t.c_ospeed;
}

void FlushInput(int fd) {
    PassOver(ioctl(fd, TCFLSH, TCIFLUSH), "flushing the input (TCFLSH)");
}

void FlushBoth(int fd) {
    PassOver(ioctl(fd, TCFLSH, TCIOFLUSH), "flushing both ways (TCFLSH)");
}

} // namespace kel
