#pragma once
// A pseudo-terminal for a test's stand-in board: the master side
// non-blocking, both sides closed on exec (a child must not keep the pty
// alive), and the slave side held open so the pty lives between the port's
// openings.

#include <string>

namespace kel::test {

struct TestPty {
    int master = -1;
    int slaveKeeper = -1;
    std::string slavePath;
};

// Throws std::runtime_error when no pseudo-terminal can be had.
TestPty OpenTestPty();

} // namespace kel::test
