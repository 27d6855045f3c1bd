#include "render/tileaxes.h"

#include "projection/viewport.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

uint64_t Bits(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Distinct values by their bits, numbered as they first come: a table of open addressing
// that doubles when half full. Neighbouring tiles share their edges, so the last answer is
// tried first.
class Axis {
public:
    uint32_t IndexOf(double v)
    {
        const uint64_t b = Bits(v);
        if (!m_values.empty() && m_lastBits == b)
            return m_last;
        if (2 * (m_values.size() + 1) > m_slots.size())
            Grow();
        size_t i = Slot(b);
        while (m_slots[i] != kEmpty && Bits(m_values[m_slots[i]]) != b)
            i = (i + 1) & (m_slots.size() - 1);
        if (m_slots[i] == kEmpty) {
            m_slots[i] = static_cast<uint32_t>(m_values.size());
            m_values.push_back(v);
        }
        m_lastBits = b;
        return m_last = m_slots[i];
    }
    std::vector<double> Values() { return std::move(m_values); }

private:
    static constexpr uint32_t kEmpty = ~uint32_t{0};
    size_t Slot(uint64_t b) const
    {
        // The product's high bits depend on all of the value's bits.
        return static_cast<size_t>((b * 0x9E3779B97F4A7C15ull) >> m_shift);
    }
    void Grow()
    {
        m_slots.assign(std::max<size_t>(1024, 2 * m_slots.size()), kEmpty);
        m_shift = 64 - std::countr_zero(m_slots.size());
        for (uint32_t k = 0; k < m_values.size(); ++k) {
            size_t i = Slot(Bits(m_values[k]));
            while (m_slots[i] != kEmpty)
                i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = k;
        }
    }
    std::vector<uint32_t> m_slots;
    std::vector<double> m_values;
    int m_shift = 64;
    uint64_t m_lastBits = 0;
    uint32_t m_last = 0;
};

} // namespace

TileAxes::TileAxes(const DemTiles& tiles) : m_stamp(CollectionStamp::Of(tiles))
{
    Axis lon, lat;
    m_edges.reserve(tiles.size());
    for (const DemTile& t : tiles) {
        const uint32_t west = lon.IndexOf(t.bounds.west), east = lon.IndexOf(t.bounds.east);
        const uint32_t north = lat.IndexOf(t.bounds.north), south = lat.IndexOf(t.bounds.south);
        m_edges.push_back(Edges{west, north, east, south});
    }
    m_lons = lon.Values();
    m_lats = lat.Values();
}

void TileAxes::Project(const MapViewport& vp, std::vector<int>& xs, std::vector<int>& ys) const
{
    xs.resize(m_lons.size());
    ys.resize(m_lats.size());
    for (size_t i = 0; i < m_lons.size(); ++i)
        xs[i] = GeoToClient(vp, GeoPoint{m_lons[i], vp.center.lat}).x;
    for (size_t i = 0; i < m_lats.size(); ++i)
        ys[i] = GeoToClient(vp, GeoPoint{vp.center.lon, m_lats[i]}).y;
}

const TileAxes& TileAxesFor(const DemTiles& tiles)
{
    return IndexFor<TileAxes>(tiles);
}
