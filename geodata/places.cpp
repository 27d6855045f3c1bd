#include "geodata/places.h"

#include "geodata/records.h"
#include "platform/kernel.h"

#include <algorithm>
#include <cstring>

std::vector<PlaceEntry> g_municipalities;
std::vector<PlaceEntry> g_islands;
std::vector<PlaceEntry> g_mountains;
std::vector<PlaceEntry> g_lakes;

namespace {

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// At most max bytes of a CP932 name, never ending on half a character.
size_t CutAtCharacter(std::string_view name, size_t max)
{
    size_t i = 0;
    while (i < name.size()) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
        if (i + step > max)
            break;
        i += step;
    }
    return std::min(i, name.size());
}

} // namespace

PlaceKind KindFromName(std::string_view name)
{
    // A name shorter than one character has no last character to read.
    if (name.size() < 2)
        return kPlaceOther;
    const std::string_view last = name.substr(name.size() - 2);
    if (last == "\x8E\x73")
        return kPlaceCity;
    if (last == "\x8B\xE6")
        return kPlaceWard;
    if (last == "\x92\xAC")
        return kPlaceTown;
    if (last == "\x91\xBA")
        return kPlaceVillage;
    return kPlaceOther;
}

void ReadPlaces(const unsigned char* bytes, size_t size, std::vector<PlaceEntry>& collection, bool kindFromName)
{
    if (!bytes || size < 4)
        return;
    const int32_t count = ReadInt32(bytes);
    if (count <= 0)
        return;
    const size_t records = RecordsInside(count, size, kPlaceRecordSize);
    MakeRoom(collection, records + 2);
    for (size_t i = 0; i < records; ++i) {
        const unsigned char* r = bytes + 4 + kPlaceRecordSize * i;
        PlaceEntry e;
        std::memcpy(&e.lat, r, 8);
        std::memcpy(&e.lon, r + 8, 8);
        const char* field = reinterpret_cast<const char*>(r + 16);
        const void* nul = std::memchr(field, 0, 32);
        const std::string_view name(field, nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : 32);
        e.kind = kindFromName ? KindFromName(name) : kPlaceFeature;
        const size_t n = CutAtCharacter(name, sizeof e.name - 1);
        std::memcpy(e.name, name.data(), n);
        e.name[n] = 0;
        collection.push_back(e);
    }
}

void LoadPlaces(int id, std::vector<PlaceEntry>& collection, bool kindFromName)
{
    HRSRC res = FindResourceA(g_hInstance, id, "BINARY");
    const void* loaded = res ? LoadResource(g_hInstance, res) : nullptr;
    if (!loaded)
        return;
    ReadPlaces(static_cast<const unsigned char*>(LockResource(loaded)), SizeofResource(g_hInstance, res), collection,
               kindFromName);
}

void LoadGazetteers()
{
    LoadPlaces(kResourceMunicipalities, g_municipalities, true);
    LoadPlaces(kResourceIslands, g_islands, false);
    LoadPlaces(kResourceMountains, g_mountains, false);
    LoadPlaces(kResourceLakes, g_lakes, false);
}
