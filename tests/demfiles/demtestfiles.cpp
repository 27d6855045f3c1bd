#include "tests/demfiles/demtestfiles.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>

namespace {

std::string ToShiftJis(const std::string& utf8)
{
    iconv_t cd = iconv_open("SHIFT_JIS", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no iconv");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        throw std::runtime_error("iconv failed");
    out.resize(out.size() - outLeft);
    return out;
}

void Put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xffff);
    Put16(s, v >> 16);
}

} // namespace

float TestValue(int32_t mesh, int32_t x, int32_t y)
{
    return static_cast<float>((mesh % 97) * 50 + (x % 64) + (y % 64) * 0.25 + 1);
}

std::string MakeDemXml(const TestXml& spec)
{
    MeshCells cells;
    const bool placed = MeshSquareCells(spec.mesh, cells);
    char corner[128];
    const double s = placed ? static_cast<double>(cells.y0) / kCellsPerDegree : 0;
    const double w = placed ? static_cast<double>(cells.x0) / kCellsPerDegree : 0;
    const double n = placed ? static_cast<double>(cells.y0 + cells.height) / kCellsPerDegree : 0;
    const double e = placed ? static_cast<double>(cells.x0 + cells.width) / kCellsPerDegree : 0;
    const std::string nl = spec.crlf ? "\r\n" : "\n";
    std::string x;
    const std::string sp = spec.doubleSpaces ? "  " : " ";
    if (spec.bom)
        x += "\xEF\xBB\xBF";
    x += std::string("<?xml version=\"1.0\" encoding=\"") + (spec.shiftJis ? "Shift_JIS" : "UTF-8") + "\"?>" + nl;
    x += "<Dataset xsi:schemaLocation=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema FGD_GMLSchema.xsd\" "
         "xmlns:gml=\"http://www.opengis.net/gml/3.2\" xmlns=\"http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema\" "
         "gml:id=\"Dataset1\">" + nl;
    x += "<gml:description>基盤地図情報メタデータ ID=fmdid:15-3101</gml:description>" + nl;
    x += "<DEM" + sp + "gml:id=\"DEM001\">" + nl + "<fid>fgoid:10-00100-15-6143-" + std::to_string(spec.mesh) + "</fid>" + nl;
    if (!spec.date.empty())
        x += "<lfSpanFr" + sp + "gml:id=\"DEM001-1\">" + nl + "<gml:timePosition>" + spec.date + "</gml:timePosition>" + nl +
             "</lfSpanFr>" + nl + "<devDate" + sp + "gml:id=\"DEM001-2\">" + nl + "<gml:timePosition>" + spec.date +
             "</gml:timePosition>" + nl + "</devDate>" + nl;
    x += "<type>" + spec.type + "</type>" + nl;
    x += "<mesh>" + std::to_string(spec.mesh) + "</mesh>" + nl;
    x += "<coverage gml:id=\"DEM001-3\">" + nl + "<gml:boundedBy>" + nl;
    x += "<gml:Envelope" + sp + "srsName=\"fguuid:" + spec.srs + ".bl\">" + nl;
    std::snprintf(corner, sizeof corner, "<gml:lowerCorner>%.9f %.9f</gml:lowerCorner>", s, w);
    x += corner + nl;
    std::snprintf(corner, sizeof corner, "<gml:upperCorner>%.9f %.9f</gml:upperCorner>", n, e);
    x += corner + nl;
    x += "</gml:Envelope>" + nl + "</gml:boundedBy>" + nl;
    x += "<gml:gridDomain>" + nl + "<gml:Grid dimension=\"2\" gml:id=\"DEM001-4\">" + nl + "<gml:limits>" + nl +
         "<gml:GridEnvelope>" + nl + "<gml:low>0 0</gml:low>" + nl;
    x += "<gml:high>" + std::to_string(spec.width - 1) + " " + std::to_string(spec.height - 1) + "</gml:high>" + nl;
    x += "</gml:GridEnvelope>" + nl + "</gml:limits>" + nl + "<gml:axisLabels>x y</gml:axisLabels>" + nl +
         "</gml:Grid>" + nl + "</gml:gridDomain>" + nl;
    x += "<gml:rangeSet>" + nl + "<gml:DataBlock>" + nl +
         "<gml:rangeParameters><gml:QuantityList uom=\"DEM構成点\"/></gml:rangeParameters>" + nl + "<gml:tupleList>" +
         nl;
    if (spec.fillTuples && spec.tuples.empty()) {
        char line[64];
        for (int32_t y = 0; y < spec.height; ++y)
            for (int32_t c = 0; c < spec.width; ++c) {
                if (y < spec.startY || (y == spec.startY && c < spec.startX))
                    continue;
                if (spec.terrainSeed) {
                    uint32_t h = spec.terrainSeed * 2654435761u ^ static_cast<uint32_t>(y * 40503 + c * 9973);
                    h ^= h >> 15, h *= 2246822519u, h ^= h >> 13;
                    const double v = 400 + 250 * std::sin((c + spec.mesh % 1000) / 37.0) * std::cos(y / 23.0) +
                                     0.01 * static_cast<double>(h % 300);
                    std::snprintf(line, sizeof line, "地表面,%.2f", v);
                } else if (c == y)
                    std::snprintf(line, sizeof line, "海水面,-9999.");
                else
                    std::snprintf(line, sizeof line, "地表面,%.2f",
                                  static_cast<double>(TestValue(spec.mesh, c, y)) + spec.offset);
                x += line + nl;
            }
    } else {
        for (const std::string& t : spec.tuples)
            x += t + nl;
    }
    x += "</gml:tupleList>" + nl + "</gml:DataBlock>" + nl + "</gml:rangeSet>" + nl;
    x += "<gml:coverageFunction>" + nl + "<gml:GridFunction>" + nl +
         "<gml:sequenceRule order=\"+x-y\">Linear</gml:sequenceRule>" + nl;
    x += "<gml:startPoint>" + std::to_string(spec.startX) + " " + std::to_string(spec.startY) + "</gml:startPoint>" + nl;
    x += "</gml:GridFunction>" + nl + "</gml:coverageFunction>" + nl + "</coverage>" + nl + "</DEM>" + nl +
         "</Dataset>" + nl;
    return spec.shiftJis ? ToShiftJis(x) : x;
}

std::string DemXmlName(int32_t mesh, DemKind kind, const std::string& date)
{
    const std::string m = std::to_string(mesh);
    std::string name = "FG-GML-" + m.substr(0, 4) + "-" + m.substr(4, 2);
    if (m.size() == 8)
        name += "-" + m.substr(6, 2);
    std::string k = KindName(kind);
    if (!IsThirdLevel(kind))  // GSI writes the 10 m kinds in lower case
        for (char& c : k)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + "-" + k + "-" + date + ".xml";
}

std::string DemZipName(int32_t secondLevel, DemKind kind)
{
    const std::string m = std::to_string(secondLevel);
    return "FG-GML-" + m.substr(0, 4) + "-" + m.substr(4, 2) + "-" + KindName(kind) + ".zip";
}

std::string DatedZipName(int32_t secondLevel, DemKind kind, const std::string& date)
{
    return "FG-GML-" + std::to_string(secondLevel) + "-" + KindName(kind) + "-" + date + ".zip";
}

std::string MakeZip(const std::vector<ZipMember>& members)
{
    std::string out, central;
    for (const ZipMember& m : members) {
        std::string data = m.data;
        uint16_t method = 0;
        if (m.deflate) {
            z_stream z{};
            deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
            std::string packed(deflateBound(&z, static_cast<uLong>(m.data.size())), '\0');
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(m.data.data()));
            z.avail_in = static_cast<uInt>(m.data.size());
            z.next_out = reinterpret_cast<Bytef*>(packed.data());
            z.avail_out = static_cast<uInt>(packed.size());
            deflate(&z, Z_FINISH);
            packed.resize(z.total_out);
            deflateEnd(&z);
            data = packed;
            method = 8;
        }
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
        const uint32_t size = static_cast<uint32_t>(static_cast<int64_t>(m.data.size()) + m.lieAboutSize);
        const uint32_t offset = static_cast<uint32_t>(out.size());
        out += "PK\x03\x04";
        Put16(out, 20), Put16(out, 0), Put16(out, method), Put16(out, 0), Put16(out, 0x21);
        Put32(out, crc), Put32(out, static_cast<uint32_t>(data.size())), Put32(out, size);
        Put16(out, static_cast<uint32_t>(m.name.size())), Put16(out, 0);
        out += m.name + data;
        central += "PK\x01\x02";
        Put16(central, 20), Put16(central, 20), Put16(central, 0), Put16(central, method), Put16(central, 0),
            Put16(central, 0x21);
        Put32(central, crc), Put32(central, static_cast<uint32_t>(data.size())), Put32(central, size);
        Put16(central, static_cast<uint32_t>(m.name.size())), Put16(central, 0), Put16(central, 0);
        Put16(central, 0), Put16(central, 0), Put32(central, 0), Put32(central, offset);
        central += m.name;
    }
    const uint32_t cdOffset = static_cast<uint32_t>(out.size());
    out += central;
    out += "PK\x05\x06";
    Put16(out, 0), Put16(out, 0), Put16(out, static_cast<uint32_t>(members.size())),
        Put16(out, static_cast<uint32_t>(members.size()));
    Put32(out, static_cast<uint32_t>(central.size())), Put32(out, cdOffset), Put16(out, 0);
    return out;
}

void WriteFile(const std::string& path, const std::string& data)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string TempDir(const std::string& name)
{
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tesselo-dem-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}
