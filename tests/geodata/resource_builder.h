// Small resources in the embedded formats, made by the tests.
#pragma once

#include "platform/kernel.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

using Bytes = std::vector<unsigned char>;

inline void PutInt32(Bytes& b, int32_t v)
{
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    b.insert(b.end(), p, p + 4);
}

inline void PutDouble(Bytes& b, double v)
{
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    b.insert(b.end(), p, p + 8);
}

inline void PutField(Bytes& b, const std::string& s, size_t width)
{
    Bytes field(width, 0);
    std::memcpy(field.data(), s.data(), std::min(s.size(), width));
    b.insert(b.end(), field.begin(), field.end());
}

struct CatalogueRecord {
    int32_t prefecture;
    std::string xml;
    std::string zip;
};

inline Bytes Catalogue(const std::vector<CatalogueRecord>& records, int32_t count = -1)
{
    Bytes b;
    PutInt32(b, count < 0 ? static_cast<int32_t>(records.size()) : count);
    for (const CatalogueRecord& r : records) {
        PutInt32(b, r.prefecture);
        PutField(b, r.xml, 40);
        PutField(b, r.zip, 32);
    }
    return b;
}

struct PlaceRecord {
    double lat;
    double lon;
    std::string name;  // CP932
};

inline Bytes Gazetteer(const std::vector<PlaceRecord>& records, int32_t count = -1)
{
    Bytes b;
    PutInt32(b, count < 0 ? static_cast<int32_t>(records.size()) : count);
    for (const PlaceRecord& r : records) {
        PutDouble(b, r.lat);
        PutDouble(b, r.lon);
        PutField(b, r.name, 32);
    }
    return b;
}

// One zlib stream at the default level, as the embedded resources are stored.
inline Bytes Compress(const Bytes& content)
{
    uLongf n = compressBound(content.size());
    Bytes out(n);
    compress2(out.data(), &n, content.data(), content.size(), Z_DEFAULT_COMPRESSION);
    out.resize(n);
    return out;
}

// Keeps test resources alive while registered under their ids.
struct ResourceScope {
    std::vector<Bytes> kept;
    ResourceScope() { g_hInstance = GetModuleHandle(nullptr); }
    ~ResourceScope() { ClearRegisteredResources(); }
    void Add(int id, Bytes bytes)
    {
        kept.push_back(std::move(bytes));
        RegisterBinaryResource(id, kept.back().data(), kept.back().size());
    }
    void Hide(int id) { RegisterBinaryResource(id, nullptr, 0); }
};
