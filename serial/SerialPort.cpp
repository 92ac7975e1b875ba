#include "SerialPort.h"

// Placeholder bodies so the tree links while the port is being built.
namespace kel {
SerialPort::~SerialPort() { Close(); }
int SerialPort::Open(const std::string&, std::uint32_t) { return -1; }
void SerialPort::Close() {}
std::size_t SerialPort::Write(const void*, std::size_t) { return 0; }
int SerialPort::ReadByte(std::uint8_t*) { return -1; }
int SerialPort::ReadByteRetry(std::uint8_t*) { return -1; }
bool SerialPort::Probe(const std::string&, OpenError*) { return false; }
int BusyWaitMs(double) { return 0; }
} // namespace kel
