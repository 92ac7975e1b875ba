// SPDX-License-Identifier: GPL-3.0-or-later
// termios2 lives in <asm/termbits.h>, which clashes with <termios.h>: this
// file includes only the former.
#include "board/LineRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace kel::board {

std::uint32_t ReadLineRate(int fd) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return 0;
    return settings.c_ospeed;
}

} // namespace kel::board
