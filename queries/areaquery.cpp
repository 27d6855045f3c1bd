#include "queries/areaquery.h"
#include "platform/textfields.h"

#include "geodata/meshcode.h"
#include "platform/cnumber.h"
#include "platform/cp932.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

constexpr double kMargin = 1e-9;

// A whole field as a finite number in the C format, with no white space anywhere.
bool Number(std::string_view field, double& v)
{
    return !field.empty() && field.find_first_of(" \t\n") == std::string_view::npos && ParseNumberC(field, v);
}

bool Numbers(std::string_view text, size_t count, double* out)
{
    for (size_t i = 0; i < count; ++i) {
        const size_t comma = text.find(',');
        const bool last = i + 1 == count;
        if (last != (comma == std::string_view::npos))
            return false;
        if (!Number(text.substr(0, comma), out[i]))
            return false;
        text = last ? std::string_view{} : text.substr(comma + 1);
    }
    return true;
}

bool InRange(double lat, double lon)
{
    return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 360;
}

// The entries of one edition whose tile the query takes.
void Collect(const AreaQuery& q, DemEdition edition, std::vector<AreaFile>& out)
{
    const DemFiles& files = edition == DemEdition::Dem10m ? g_dem10Files : g_dem5Files;
    for (const DemFileEntry& e : files) {
        const std::optional<MeshCode> code = MeshCodeFromXmlName(e.xmlName.view(), edition);
        if (!code)
            continue;  // no tile, as on the map
        const bool take = AreaTakesSquare(q, *code);
        if (take)
            out.push_back(AreaFile{edition, e.prefecture, e.zipName.view(), e.xmlName.view(), *code});
    }
}

auto Key(const AreaFile& f)
{
    return std::make_tuple(f.edition, f.prefecture, f.zipName, f.xmlName);
}

const char* EditionName(DemEdition e)
{
    return e == DemEdition::Dem10m ? "10m" : "5m";
}

// The prefecture's name as the file list shows it, or nothing when the row is left out.
bool PrefectureName(const AreaFile& f, std::string& name)
{
    const auto count = static_cast<int64_t>(g_prefectures.size());
    if (f.prefecture < 0 || (f.edition == DemEdition::Dem10m && f.prefecture >= count))
        return false;
    name = f.prefecture >= count ? "地図選択" : Cp932ToUtf8(g_prefectures[static_cast<size_t>(f.prefecture)].name);
    return true;
}

// The framing that CSV and JSON share: a header line of the keys, or an array of objects with
// them, one record at a time. Text lines are taken as they are.
class RecordWriter {
public:
    struct Field {
        std::string_view value;
        bool number;  // bare in JSON
    };
    RecordWriter(AreaFormat format, std::vector<const char*> keys) : m_format(format), m_keys(std::move(keys))
    {
        if (m_format == AreaFormat::Csv) {
            for (size_t i = 0; i < m_keys.size(); ++i)
                m_out.append(i ? "," : "").append(m_keys[i]);
            m_out += "\n";
        }
        if (m_format == AreaFormat::Json)
            m_out += "[";
    }
    void Line(const std::string& text) { m_out.append(text).append("\n"); }
    void Record(std::initializer_list<Field> fields)
    {
        size_t i = 0;
        if (m_format == AreaFormat::Csv) {
            for (const Field& f : fields)
                m_out.append(i++ ? "," : "").append(CsvField(f.value));
            m_out += "\n";
            return;
        }
        m_out += m_empty ? "\n  {" : ",\n  {";
        for (const Field& f : fields) {
            m_out.append(i ? ", " : "").append(JsonString(m_keys[i])).append(": ");
            m_out.append(f.number ? std::string(f.value) : JsonString(f.value));
            ++i;
        }
        m_out += "}";
        m_empty = false;
    }
    std::string Finish()
    {
        if (m_format == AreaFormat::Json)
            m_out += m_empty ? "]\n" : "\n]\n";
        return std::move(m_out);
    }

private:
    AreaFormat m_format;
    std::vector<const char*> m_keys;
    std::string m_out;
    bool m_empty = true;
};

} // namespace

bool BoxTakesSquare(const GeoRect& box, MeshCode code)
{
    GeoRect square;
    if (!MeshCodeToRect(code, square))
        return false;
    const bool third = code >= 10000000;
    // A side narrower than the margins on both edges has no inside: there the square must hold
    // the box's edge as it holds a point (south and west edges inside), tested at the middle of
    // the square's other side so that only this side decides.
    const bool flatLat = box.north - box.south <= 2 * kMargin, flatLon = box.east - box.west <= 2 * kMargin;
    const double midLat = (square.south + square.north) / 2, midLon = (square.west + square.east) / 2;
    const bool lat = flatLat ? PointToMeshCode(box.south, midLon, third) == code
                             : square.south < box.north - kMargin && square.north > box.south + kMargin;
    const bool lon = flatLon ? PointToMeshCode(midLat, box.west, third) == code
                             : square.west < box.east - kMargin && square.east > box.west + kMargin;
    return lat && lon;
}

bool AreaTakesSquare(const AreaQuery& q, MeshCode code)
{
    const bool third = code >= 10000000;
    if (q.kind == AreaQuery::Kind::Point)
        return code == (third ? q.pointCode5m : q.pointCode10m);
    if (q.kind == AreaQuery::Kind::Mesh) {
        const bool fine = q.mesh >= 10000000;
        if (third)
            return fine ? code == q.mesh : code / 100 == q.mesh;
        return fine ? code == q.mesh / 100 : code == q.mesh;
    }
    return BoxTakesSquare(q.box, code);
}

std::optional<GeoRect> RectangleAround(const std::vector<AreaFile>& files)
{
    std::optional<GeoRect> all;
    for (const AreaFile& f : files) {
        GeoRect r;
        if (!MeshCodeToRect(f.mesh, r))
            continue;
        all = all ? GeoRect{std::min(all->south, r.south), std::min(all->west, r.west), std::max(all->north, r.north),
                            std::max(all->east, r.east)}
                  : r;
    }
    return all;
}

bool ParsePointQuery(std::string_view text, AreaQuery& query, std::string& error)
{
    double v[2];
    if (!Numbers(text, 2, v) || !InRange(v[0], v[1])) {
        error = "--at wants LAT,LON in decimal degrees, for example 35.681,139.767";
        return false;
    }
    const std::optional<MeshCode> code10 = PointToMeshCode(v[0], v[1], false);
    const std::optional<MeshCode> code5 = PointToMeshCode(v[0], v[1], true);
    if (!code10 || !code5) {
        error = "--at: the point lies outside the grid (20 to 46 degrees north, 122 to 154 east)";
        return false;
    }
    query.kind = AreaQuery::Kind::Point;
    query.box = GeoRect{v[0], v[1], v[0], v[1]};
    query.pointCode10m = *code10;
    query.pointCode5m = *code5;
    return true;
}

bool ParseBoxQuery(std::string_view text, AreaQuery& query, std::string& error)
{
    double v[4];
    if (!Numbers(text, 4, v) || !InRange(v[0], v[1]) || !InRange(v[2], v[3])) {
        error = "--bbox wants S,W,N,E in decimal degrees, for example 35.5,139.5,35.8,139.9";
        return false;
    }
    if (v[0] > v[2]) {
        error = "--bbox: the south edge lies north of the north edge";
        return false;
    }
    if (v[1] > v[3]) {
        error = "--bbox: the west edge lies east of the east edge";
        return false;
    }
    query.kind = AreaQuery::Kind::Box;
    query.box = GeoRect{v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseMeshQuery(std::string_view text, AreaQuery& query, std::string& error)
{
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || (text.size() != 6 && text.size() != 8) || text[0] == '0') {
        error = "--mesh wants a mesh code of 6 digits (10 m file) or 8 digits (5 m file), for example 533945";
        return false;
    }
    const MeshCode code = std::atoi(std::string(text).c_str());
    if (!IsGridMeshCode(code)) {
        error = "--mesh: " + std::string(text) +
                " is not a square of the grid (first-level rows 30 to 68, columns 22 to 53; second-level digits 0 to 7)";
        return false;
    }
    query.kind = AreaQuery::Kind::Mesh;
    query.mesh = code;
    return true;
}

std::vector<AreaFile> FindAreaFiles(const AreaQuery& query, EditionChoice editions)
{
    std::vector<AreaFile> out;
    if (editions != EditionChoice::Dem5m)
        Collect(query, DemEdition::Dem10m, out);
    if (editions != EditionChoice::Dem10m)
        Collect(query, DemEdition::Dem5m, out);
    std::sort(out.begin(), out.end(), [](const AreaFile& a, const AreaFile& b) { return Key(a) < Key(b); });
    out.erase(std::unique(out.begin(), out.end(), [](const AreaFile& a, const AreaFile& b) { return Key(a) == Key(b); }),
              out.end());
    return out;
}

std::vector<AreaFile> FindAreaFilesWhere(EditionChoice editions,
                                         const std::function<bool(const DemFileEntry&, MeshCode)>& take)
{
    std::vector<AreaFile> out;
    for (const DemEdition edition : {DemEdition::Dem10m, DemEdition::Dem5m}) {
        if (editions == (edition == DemEdition::Dem10m ? EditionChoice::Dem5m : EditionChoice::Dem10m))
            continue;
        for (const DemFileEntry& e : edition == DemEdition::Dem10m ? g_dem10Files : g_dem5Files) {
            const std::optional<MeshCode> code = MeshCodeFromXmlName(e.xmlName.view(), edition);
            if (code && take(e, *code))
                out.push_back(AreaFile{edition, e.prefecture, e.zipName.view(), e.xmlName.view(), *code});
        }
    }
    std::sort(out.begin(), out.end(), [](const AreaFile& a, const AreaFile& b) { return Key(a) < Key(b); });
    out.erase(std::unique(out.begin(), out.end(), [](const AreaFile& a, const AreaFile& b) { return Key(a) == Key(b); }),
              out.end());
    return out;
}

std::vector<AreaZip> DistinctZips(const std::vector<AreaFile>& files)
{
    // (edition, ZIP, XML), each once: the same file under two prefectures is one download.
    std::vector<std::tuple<DemEdition, std::string_view, std::string_view>> keys;
    keys.reserve(files.size());
    for (const AreaFile& f : files)
        keys.emplace_back(f.edition, f.zipName, f.xmlName);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<AreaZip> zips;
    for (const auto& [edition, zip, xml] : keys) {
        if (zips.empty() || zips.back().edition != edition || zips.back().zipName != zip)
            zips.push_back(AreaZip{edition, zip, 0});
        ++zips.back().xmlFiles;
    }
    return zips;
}

AreaTotals CountAreaFiles(const std::vector<AreaFile>& files)
{
    AreaTotals t;
    for (const AreaZip& z : DistinctZips(files)) {
        ++t.zips;
        t.xmlFiles += z.xmlFiles;
    }
    return t;
}

std::string FormatAreaFiles(const std::vector<AreaFile>& files, AreaFormat format)
{
    RecordWriter w(format, {"edition", "prefecture", "zip", "xml", "mesh"});
    std::string name;
    for (const AreaFile& f : files) {
        if (!PrefectureName(f, name))
            continue;
        if (format == AreaFormat::Text) {
            w.Line(std::string(f.edition == DemEdition::Dem5m ? "   " : " ") + name + "   " + std::string(f.zipName) +
                   "   " + std::string(f.xmlName) + "  ");
            continue;
        }
        const std::string mesh = std::to_string(f.mesh);
        w.Record({{EditionName(f.edition), false}, {name, false}, {f.zipName, false}, {f.xmlName, false}, {mesh, true}});
    }
    return w.Finish();
}

std::string FormatAreaZips(const std::vector<AreaZip>& zips, AreaFormat format)
{
    RecordWriter w(format, {"edition", "zip", "files"});
    for (const AreaZip& z : zips) {
        const std::string n = std::to_string(z.xmlFiles);
        if (format == AreaFormat::Text)
            w.Line(std::string(z.edition == DemEdition::Dem5m ? "   " : " ") + std::string(z.zipName) + "   " + n);
        else
            w.Record({{EditionName(z.edition), false}, {z.zipName, false}, {n, true}});
    }
    return w.Finish();
}
