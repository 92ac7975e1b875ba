#include "PortEnumeration.h"

// Placeholder body so the tree links while enumeration is being built.
namespace kel {
std::vector<std::string> EnumerateSerialPorts() {
    return {};
}
} // namespace kel
