#include "queries/placesearch.h"

#include "geodata/catalogue.h"
#include "platform/cp932.h"
#include "queries/readout.h"

#include <QList>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

struct Gazetteer {
    const char* kind;
    int resource;
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

bool IsKanji(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF) || c == 0x3005;  // 々 repeats the kanji before it
}

char32_t Folded(char32_t c)
{
    switch (c) {
    // The forms the stored names use for characters that CP932 lacks.
    case U'屛': return U'屏';
    case U'鷗': return U'鴎';
    case U'萊': return U'莱';
    case U'𠮷': return U'吉';
    case U'﨑': return U'崎';
    case U'髙': return U'高';
    // Small kana as large.
    case U'ぁ': case U'ぃ': case U'ぅ': case U'ぇ': case U'ぉ': return c + 1;
    case U'ァ': case U'ィ': case U'ゥ': case U'ェ': case U'ォ': return c + 1;
    case U'っ': case U'ゃ': case U'ゅ': case U'ょ': case U'ゎ': return c + 1;
    case U'ッ': case U'ャ': case U'ュ': case U'ョ': case U'ヮ': return c + 1;
    case U'ゕ': return U'か';
    case U'ゖ': return U'け';
    case U'ヵ': return U'カ';
    case U'ヶ': return U'ケ';
    case U'ㇰ': return U'ク';
    case U'ㇱ': return U'シ';
    case U'ㇲ': return U'ス';
    case U'ㇳ': return U'ト';
    case U'ㇴ': return U'ヌ';
    case U'ㇵ': return U'ハ';
    case U'ㇶ': return U'ヒ';
    case U'ㇷ': return U'フ';
    case U'ㇸ': return U'ヘ';
    case U'ㇹ': return U'ホ';
    case U'ㇺ': return U'ム';
    case U'ㇻ': return U'ラ';
    case U'ㇼ': return U'リ';
    case U'ㇽ': return U'ル';
    case U'ㇾ': return U'レ';
    case U'ㇿ': return U'ロ';
    default: return c;
    }
}

bool Contains(const std::string& hay, const std::string& needle, bool whole)
{
    return whole ? hay == needle : hay.find(needle) != std::string::npos;
}

} // namespace

std::string SearchForm(std::string_view utf8)
{
    const QString nfkc =
        QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).normalized(QString::NormalizationForm_KC);
    std::u32string s;
    for (const uint c : nfkc.toUcs4())
        s.push_back(Folded(static_cast<char32_t>(c)));
    for (size_t i = 1; i + 1 < s.size(); ++i)
        if (s[i] == U'カ' && IsKanji(s[i - 1]) && IsKanji(s[i + 1]))
            s[i] = U'ケ';
    // Composed again: a small kana made large may now take its sound mark (ㇷ゚ as プ).
    const QString folded = QString::fromUcs4(s.data(), static_cast<qsizetype>(s.size()))
                               .normalized(QString::NormalizationForm_C)
                               .trimmed();
    return folded.toStdString();
}

std::vector<PlaceMatch> FindPlaces(std::string_view text, size_t limit, const PlaceIndex& index)
{
    const Gazetteer gazetteers[] = {{"prefecture", kResourcePlaceIndex, &index.prefectures},
                                    {"municipality", kResourceMunicipalities, &g_municipalities},
                                    {"island", kResourceIslands, &g_islands},
                                    {"mountain", kResourceMountains, &g_mountains},
                                    {"lake", kResourceLakes, &g_lakes}};
    std::vector<PlaceMatch> exact, partial;
    const std::string query = SearchForm(text);
    if (query.empty())
        return exact;
    for (const Gazetteer& g : gazetteers) {
        // The other names of this gazetteer's records, by record.
        std::vector<std::vector<std::string>> others(g.places->size());
        for (const PlaceAlias& a : index.aliases)
            if (a.resource == g.resource && a.index < others.size())
                others[a.index].push_back(SearchForm(Cp932ToUtf8(a.name)));
        for (size_t i = 0; i < g.places->size(); ++i) {
            const PlaceEntry& e = (*g.places)[i];
            std::string name = NameOf(e);
            const std::string form = SearchForm(name);
            std::vector<PlaceMatch>* to = nullptr;
            for (const bool whole : {true, false}) {
                bool hit = Contains(form, query, whole);
                for (const std::string& other : others[i])
                    hit = hit || Contains(other, query, whole);
                if (hit) {
                    to = whole ? &exact : &partial;
                    break;
                }
            }
            if (!to)
                continue;
            // A prefecture lies in itself.
            const int p = PrefectureOfRecord(index, g.resource, i);
            std::string prefecture = g.resource == kResourcePlaceIndex ? name
                                     : p >= 1 && p <= 47                ? kPrefectureNamesUtf8[p - 1]
                                                                        : "";
            to->push_back(PlaceMatch{g.kind, &e, std::move(name), std::move(prefecture)});
        }
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
           Trimmed(Cp932ToUtf8(MeshCodeText(GeoPoint{m.place->lon, m.place->lat}))) + "\t" + m.prefectureUtf8;
}
