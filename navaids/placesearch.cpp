#include "navaids/placesearch.h"

#include "platform/cp932.h"
#include "view/readout.h"

#include <cstdio>
#include <cstring>

namespace {

struct Gazetteer {
    const char* kind;
    const std::vector<PlaceEntry>* places;
};

std::string NameOf(const PlaceEntry& e)
{
    std::string name = Cp932ToUtf8(std::string(e.name, strnlen(e.name, sizeof e.name)));
    while (!name.empty() && (name.back() == '\r' || name.back() == '\n'))
        name.pop_back();
    return name;
}

std::string Trimmed(std::string s)
{
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

} // namespace

std::vector<PlaceMatch> FindPlaces(std::string_view text, size_t limit)
{
    const Gazetteer gazetteers[] = {{"municipality", &g_municipalities},
                                    {"island", &g_islands},
                                    {"mountain", &g_mountains},
                                    {"lake", &g_lakes}};
    std::vector<PlaceMatch> exact, partial;
    if (text.empty())
        return exact;
    for (const Gazetteer& g : gazetteers)
        for (const PlaceEntry& e : *g.places) {
            std::string name = NameOf(e);
            if (name == text)
                exact.push_back(PlaceMatch{g.kind, &e, std::move(name)});
            else if (name.find(text) != std::string::npos)
                partial.push_back(PlaceMatch{g.kind, &e, std::move(name)});
        }
    for (PlaceMatch& m : partial)
        exact.push_back(std::move(m));
    if (exact.size() > limit)
        exact.resize(limit);
    return exact;
}

std::string PlaceMatchLine(const PlaceMatch& m)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "\t%.6f\t%.6f\t", m.place->lat, m.place->lon);
    return std::string(m.kind) + "\t" + m.nameUtf8 + buf +
           Trimmed(Cp932ToUtf8(MeshCodeText(GeoPoint{m.place->lon, m.place->lat})));
}
