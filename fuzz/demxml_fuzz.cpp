// The DEM XML reader over any bytes, checked against its own promises: the grid it returns is
// whole and the tuples lie inside it. The input's first line is also read as a file name.
#include "demfiles/gmlreader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
    ParseDemName(firstLine);
    const int32_t nameDate = NameDate(firstLine);
    if (nameDate != 0 && (nameDate < 19900101 || nameDate > 21991231))
        std::abort();
    DemXmlDate(bytes);
    DemGrid grid;
    std::string error;
    if (ReadDemXml(bytes, grid, error)) {
        const size_t cells = static_cast<size_t>(grid.width) * static_cast<size_t>(grid.height);
        if (grid.values.size() != cells || cells > static_cast<size_t>(kMaxGridCells) ||
            static_cast<size_t>(grid.startY) * grid.width + grid.startX + grid.tuples > cells)
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    MeshCells c;
    MeshSquareCells(grid.mesh, c);
    return 0;
}
