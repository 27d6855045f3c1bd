#include "queries/areageojson.h"
#include "platform/textfields.h"

#include "geodata/catalogue.h"
#include "geodata/meshcode.h"
#include "platform/cp932.h"

#include <charconv>
#include <cstdio>

namespace {

// The shortest text that reads back as the same double, in the C format whatever the locale.
std::string Number(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Geometry(MeshCode code)
{
    GeoRect r;
    if (!MeshCodeToRect(code, r))
        return "null";
    const std::string w = Number(r.west), s = Number(r.south), e = Number(r.east), n = Number(r.north);
    return "{\"type\": \"Polygon\", \"coordinates\": [[[" + w + ", " + s + "], [" + e + ", " + s + "], [" + e + ", " +
           n + "], [" + w + ", " + n + "], [" + w + ", " + s + "]]]}";
}

const char* EditionName(DemEdition e)
{
    return e == DemEdition::Dem10m ? "10m" : "5m";
}

class FeatureWriter {
public:
    void Feature(const std::string& geometry, const std::string& properties)
    {
        m_out += m_empty ? "\n" : ",\n";
        m_out += "{\"type\": \"Feature\", \"geometry\": " + geometry + ", \"properties\": {" + properties + "}}";
        m_empty = false;
    }
    std::string Finish() { return "{\"type\": \"FeatureCollection\", \"features\": [" + m_out + (m_empty ? "]}\n" : "\n]}\n"); }

private:
    std::string m_out;
    bool m_empty = true;
};

} // namespace

std::string AreaFilesGeoJson(const std::vector<AreaFile>& files)
{
    FeatureWriter w;
    const auto count = static_cast<int64_t>(g_prefectures.size());
    for (const AreaFile& f : files) {
        if (f.prefecture < 0 || (f.edition == DemEdition::Dem10m && f.prefecture >= count))
            continue;
        const std::string pref =
            f.prefecture >= count ? "地図選択" : Cp932ToUtf8(g_prefectures[static_cast<size_t>(f.prefecture)].name);
        w.Feature(Geometry(f.mesh), "\"edition\": " + JsonString(EditionName(f.edition)) +
                                        ", \"prefecture\": " + JsonString(pref) + ", \"zip\": " + JsonString(f.zipName) +
                                        ", \"xml\": " + JsonString(f.xmlName) + ", \"mesh\": " + std::to_string(f.mesh));
    }
    return w.Finish();
}

std::string AreaZipsGeoJson(const std::vector<AreaZip>& zips)
{
    FeatureWriter w;
    for (const AreaZip& z : zips) {
        const std::optional<MeshCode> code = MeshCodeFromXmlName(z.zipName, DemEdition::Dem10m);
        w.Feature(code ? Geometry(*code) : "null", "\"edition\": " + JsonString(EditionName(z.edition)) +
                                                       ", \"zip\": " + JsonString(z.zipName) +
                                                       ", \"files\": " + std::to_string(z.xmlFiles));
    }
    return w.Finish();
}
