// The text typed into the jump dialog, as the UTF-8 bytes the field hands over.
#include "geodata/meshcode.h"
#include "queries/jumptext.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const JumpEntry e = ParseJumpText(std::string_view(reinterpret_cast<const char*>(data), size));
    // Accepted: a point of the grid and no message. Refused: the -1 pair and a message.
    if (e.accepted && (!PointToMeshCodes(e.lat, e.lon) || !e.message.empty()))
        __builtin_trap();
    if (!e.accepted && (e.lat != -1.0 || e.lon != -1.0 || e.message.empty()))
        __builtin_trap();
    return 0;
}
