#include "geodata/placeindex.h"

#include "geodata/adler32.h"
#include "platform/kernel.h"

#include <cstring>
#include <vector>

namespace {

class Reader {
public:
    Reader(const unsigned char* bytes, size_t size) : m_p(bytes), m_left(bytes ? size : 0) {}

    bool Take(void* out, size_t n)
    {
        if (n > m_left)
            return false;
        std::memcpy(out, m_p, n);
        m_p += n;
        m_left -= n;
        return true;
    }
    // A count followed by count items of at least itemSize bytes each: never more than could fit.
    bool Count(int32_t& n, size_t itemSize)
    {
        return Take(&n, 4) && n >= 0 && static_cast<size_t>(n) <= m_left / itemSize;
    }
    const unsigned char* Here() const { return m_p; }
    bool Skip(size_t n)
    {
        if (n > m_left)
            return false;
        m_p += n;
        m_left -= n;
        return true;
    }
    size_t Left() const { return m_left; }

private:
    const unsigned char* m_p;
    size_t m_left;
};

std::string NameField(const unsigned char* field)
{
    const void* nul = std::memchr(field, 0, 32);
    return {reinterpret_cast<const char*>(field),
            nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - field) : 32};
}

bool ReadInto(const unsigned char* bytes, size_t size, PlaceIndex& index)
{
    Reader r(bytes, size);
    int32_t count = 0;
    if (!r.Count(count, kPlaceRecordSize))
        return false;
    std::vector<PlaceEntry> prefectures;
    // The prefecture records have the gazetteers' own layout.
    ReadPlaces(r.Here() - 4, 4 + static_cast<size_t>(count) * kPlaceRecordSize, prefectures, false);
    if (prefectures.size() != static_cast<size_t>(count) || !r.Skip(static_cast<size_t>(count) * kPlaceRecordSize))
        return false;
    index.prefectures = std::move(prefectures);
    for (const int resource : {kResourceMunicipalities, kResourceIslands, kResourceMountains, kResourceLakes}) {
        PlaceIndexSection s;
        int32_t id = 0;
        if (!r.Take(&id, 4) || id != resource || !r.Take(&s.adler, 4) || !r.Count(count, 1))
            return false;
        s.resource = id;
        s.prefectures.assign(r.Here(), r.Here() + count);
        r.Skip(static_cast<size_t>(count));
        for (const uint8_t p : s.prefectures)
            if (p > 47)
                return false;
        index.sections.push_back(std::move(s));
    }
    if (!r.Count(count, 36))
        return false;
    for (int32_t i = 0; i < count; ++i) {
        int16_t id = 0;
        uint16_t at = 0;
        PlaceAlias a;
        r.Take(&id, 2);
        r.Take(&at, 2);
        a.resource = id;
        a.index = at;
        a.name = NameField(r.Here());
        r.Skip(32);
        if (a.resource == kResourcePlaceIndex && a.index >= index.prefectures.size())
            return false;
        if (!a.name.empty())
            index.aliases.push_back(std::move(a));
    }
    return r.Left() == 0;
}

} // namespace

bool ReadPlaceIndex(const unsigned char* bytes, size_t size, PlaceIndex& index)
{
    index = PlaceIndex{};
    if (ReadInto(bytes, size, index))
        return true;
    index = PlaceIndex{};
    return false;
}

bool LoadPlaceIndex(PlaceIndex& index)
{
    index = PlaceIndex{};
    HRSRC res = FindResourceA(g_hInstance, kResourcePlaceIndex, "BINARY");
    const void* loaded = res ? LoadResource(g_hInstance, res) : nullptr;
    if (!loaded ||
        !ReadPlaceIndex(static_cast<const unsigned char*>(LockResource(loaded)), SizeofResource(g_hInstance, res), index))
        return false;
    // A section computed from other gazetteer bytes than the ones embedded says nothing of these.
    for (PlaceIndexSection& s : index.sections) {
        HRSRC g = FindResourceA(g_hInstance, s.resource, "BINARY");
        const void* bytes = g ? LoadResource(g_hInstance, g) : nullptr;
        const uint32_t adler =
            bytes ? Adler32(1, static_cast<const unsigned char*>(LockResource(bytes)), SizeofResource(g_hInstance, g)) : 0;
        if (bytes && adler == s.adler)
            continue;
        s.prefectures.clear();
        std::erase_if(index.aliases, [&](const PlaceAlias& a) { return a.resource == s.resource; });
    }
    return true;
}

int PrefectureOfRecord(const PlaceIndex& index, int resource, size_t i)
{
    for (const PlaceIndexSection& s : index.sections)
        if (s.resource == resource)
            return i < s.prefectures.size() ? s.prefectures[i] : 0;
    return 0;
}
