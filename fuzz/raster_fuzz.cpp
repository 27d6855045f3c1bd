// The sheet table from the first bytes of the input, the blocks from the rest.
#include "geodata/meshdb.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<unsigned char> content(kBlocksBytes + kSheetsBytes);
    std::fill(content.begin(), content.end(), 0);
    const size_t sheets = std::min(size, kSheetsBytes);
    std::memcpy(content.data() + kBlocksBytes, data, sheets);
    std::memcpy(content.data(), data + sheets, std::min(size - sheets, kBlocksBytes));
    static CMeshDB db;
    db.LoadElevationContent(content.data(), size % 7 == 0 ? size : content.size());
    return 0;
}
