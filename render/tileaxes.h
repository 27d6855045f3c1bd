// The distinct meridians and parallels on which the tiles of a layer stand, and each tile's
// edges as places among them. Made once per catalogue: a frame then projects every meridian
// and parallel once and only looks the tiles' edges up, which gives the pixels GeoToClient
// gives the edges themselves.
#pragma once

#include "geodata/catalogue.h"

#include <cstdint>
#include <vector>

struct MapViewport;

class TileAxes {
public:
    explicit TileAxes(const DemTiles& tiles);
    bool Fits(const DemTiles& tiles) const { return m_stamp.Matches(tiles); }

    // The meridians' x and the parallels' y in the frame of vp.
    void Project(const MapViewport& vp, std::vector<int>& xs, std::vector<int>& ys) const;
    // Tile i's rectangle from projected meridians and parallels.
    RECT RectOf(size_t i, const std::vector<int>& xs, const std::vector<int>& ys) const
    {
        const Edges& e = m_edges[i];
        return RECT{xs[e.west], ys[e.north], xs[e.east], ys[e.south]};
    }

private:
    struct Edges {
        uint32_t west, north, east, south;
    };
    CollectionStamp m_stamp;
    std::vector<double> m_lons, m_lats;
    std::vector<Edges> m_edges;
};

// The axes of a collection, made again when the collection has changed since.
const TileAxes& TileAxesFor(const DemTiles& tiles);
