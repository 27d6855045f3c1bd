// The elevation raster of the relief. Empty until the raster loader fills it.
#pragma once

class CMeshDB {
public:
    CMeshDB() = default;
    virtual ~CMeshDB() = default;
    void LoadElevationRaster() {}
};
