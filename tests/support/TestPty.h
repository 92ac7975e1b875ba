// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pseudo-terminal for a test's stand-in board: the master side
// non-blocking, both sides closed on exec (a child must not keep the pty
// alive), and the slave side held open so the pty lives between the port's
// openings. It runs no thread, so a test that holds only this may fork.

#include <string>
#include <string_view>

namespace kel::test {

struct TestPty {
    // Throws std::runtime_error when no pseudo-terminal can be had.
    TestPty();
    // Closes whichever side is still open.
    ~TestPty();
    TestPty(const TestPty&) = delete;
    TestPty& operator=(const TestPty&) = delete;

    int master = -1;
    int slaveKeeper = -1;
    std::string slavePath;
};

// Writes all the bytes to a non-blocking descriptor, waiting while it is
// full; gives up at the first error.
void WriteAll(int fd, std::string_view bytes);

} // namespace kel::test
