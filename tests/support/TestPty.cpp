#include "TestPty.h"

#include <fcntl.h>
#include <pty.h>
#include <stdexcept>

namespace kel::test {

TestPty OpenTestPty() {
    TestPty pty;
    char name[256] = {};
    if (openpty(&pty.master, &pty.slaveKeeper, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    fcntl(pty.master, F_SETFD, FD_CLOEXEC);
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    fcntl(pty.slaveKeeper, F_SETFD, FD_CLOEXEC);
    pty.slavePath = name;
    return pty;
}

} // namespace kel::test
