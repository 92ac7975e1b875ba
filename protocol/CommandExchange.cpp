#include "CommandExchange.h"

#include "CommandContext.h"

// Placeholder bodies so the tree links while the exchange is being built.
namespace kel {
std::string_view DialectPrefix(int) { return {}; }
std::size_t SendCommand(CommandContext&, const void*, std::size_t) { return 0; }
int ReadReplyLine(CommandContext&, char*, int) { return kResultFailed; }
bool LineIs(const char*, const char*) { return false; }
bool LineBeginsWith(const char*, const char*) { return false; }
int ProbeDriver(CommandContext&) { return kResultFailed; }
int ConnectDevice(CommandContext&) { return kResultFailed; }
int EnablePhy(CommandContext&, std::string&) { return kResultFailed; }
int DisconnectDevice(CommandContext&) { return kResultFailed; }
int WaitAck(CommandContext&) { return kResultFailed; }
int WaitAnyAck(CommandContext&) { return kResultFailed; }
} // namespace kel
