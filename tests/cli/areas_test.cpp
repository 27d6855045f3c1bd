// tesselo-cli's named areas, its GeoJSON and its conventions, as users run them.
#include "geodata/meshcode.h"
#include "tests/shell.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gdal.h>
#include <ogr_api.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Cli(const std::string& args, const std::string& input = "")
{
    char errName[] = "/tmp/tesselo-cli-err-XXXXXX";
    const int fd = mkstemp(errName);
    close(fd);
    const std::string cmd = "LC_ALL=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen " + std::string(TESSELO_CLI) + " " + args +
                            " 2>" + errName + (input.empty() ? " </dev/null" : " <<'EOF'\n" + input + "EOF\n");
    const ShellOutput o = RunShell(cmd);
    std::ifstream f(errName);
    std::stringstream err;
    err << f.rdbuf();
    unlink(errName);
    return {o.status, o.text, err.str()};
}

std::vector<std::string> Lines(const std::string& s)
{
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The CSV rows without their header, as "edition,prefecture,zip,xml,mesh".
std::vector<std::string> CsvRows(const std::string& args)
{
    const CliRun r = Cli(args + " --format csv");
    EXPECT_EQ(r.status, 0) << args << r.err;
    std::vector<std::string> rows = Lines(r.out);
    if (!rows.empty())
        rows.erase(rows.begin());
    return rows;
}

std::string Row(std::initializer_list<std::string> fields)
{
    std::string row;
    for (const std::string& f : fields)
        row += (row.empty() ? "" : ",") + f;
    return row;
}

} // namespace

TEST(CliAreas, PrefecturesByNameOrNumber)
{
    const std::vector<std::string> byName = CsvRows("files --prefecture 東京都 --edition 10m");
    ASSERT_GT(byName.size(), 10u);
    EXPECT_EQ(CsvRows("files --prefecture 13 --edition 10m"), byName);
    for (const std::string& row : byName)
        EXPECT_EQ(row.rfind("10m,東京都,", 0), 0u) << row;
    // As the place search takes them, without 都, 道, 府 or 県.
    EXPECT_EQ(CsvRows("files --prefecture 東京 --edition 10m"), byName);
    EXPECT_EQ(CsvRows("files --prefecture ' 東京都　' --edition 10m"), byName);
    EXPECT_FALSE(CsvRows("files --prefecture 神奈川 --edition 10m").empty());
    for (const char* bad : {"files --prefecture 48", "files --prefecture 東", "files --prefecture 0",
                            "files --prefecture 13 --bbox 35,139,36,140", "files --municipality"}) {
        const CliRun r = Cli(bad);
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_EQ(r.out, "") << bad;
    }
}

TEST(CliAreas, AmbiguousAndUnknownMunicipalities)
{
    const CliRun central = Cli("files --municipality 中央区");
    EXPECT_EQ(central.status, 1);
    EXPECT_EQ(central.out, "");
    for (const char* c : {"\n  札幌市中央区 (北海道)\n", "\n  千葉市中央区 (千葉県)\n", "\n  中央区 (東京都)\n"})
        EXPECT_NE(central.err.find(c), std::string::npos) << central.err;
    const CliRun fuchu = Cli("files --municipality 府中市");
    EXPECT_EQ(fuchu.status, 1);
    EXPECT_NE(fuchu.err.find("  府中市 (東京都)\n  府中市 (広島県)"), std::string::npos) << fuchu.err;
    EXPECT_EQ(Cli("files --municipality 府中市 --prefecture 広島県").status, 0);
    EXPECT_EQ(Cli("files --municipality 中央区 --prefecture 13").status, 0);
    const CliRun unknown = Cli("files --municipality 箱根");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("\n  箱根町 (神奈川県)"), std::string::npos) << unknown.err;
    // Sapporo as a whole holds its wards' files.
    const std::vector<std::string> city = CsvRows("files --municipality 札幌市 --edition 10m");
    const std::vector<std::string> ward = CsvRows("files --municipality 札幌市中央区 --edition 10m");
    ASSERT_FALSE(ward.empty());
    for (const std::string& row : ward)
        EXPECT_NE(std::find(city.begin(), city.end(), row), city.end()) << row;
    EXPECT_GT(city.size(), ward.size());
}

TEST(CliAreas, MunicipalitiesAsPeopleWriteThem)
{
    const std::vector<std::string> kita = CsvRows("files --municipality 北区 --prefecture 東京都 --edition 10m");
    ASSERT_FALSE(kita.empty());
    EXPECT_EQ(CsvRows("files --municipality 東京都北区 --edition 10m"), kita);
    EXPECT_EQ(CsvRows("files --municipality '北区 (東京都)' --edition 10m"), kita);
    const std::vector<std::string> hakone = CsvRows("files --municipality 箱根町");
    ASSERT_FALSE(hakone.empty());
    EXPECT_EQ(CsvRows("files --municipality 神奈川県箱根町"), hakone);
    EXPECT_EQ(CsvRows("files --municipality ' 箱根町 '"), hakone);
    EXPECT_EQ(CsvRows("files --municipality '　箱根町　'"), hakone);
    EXPECT_EQ(CsvRows("files --municipality 神奈川県足柄下郡箱根町"), hakone);
    // The tool's own form for one of several places, fed back.
    const CliRun date = Cli("files --municipality 伊達市");
    EXPECT_EQ(date.status, 1);
    EXPECT_NE(date.err.find("\n  伊達市 (北海道)\n"), std::string::npos) << date.err;
    EXPECT_EQ(CsvRows("files --municipality '伊達市 (北海道)' --edition 10m"),
              CsvRows("files --municipality 伊達市 --prefecture 北海道 --edition 10m"));
    // Misspelt with its prefecture: that prefecture's places first.
    const CliRun misspelt = Cli("files --municipality 東京都北く");
    EXPECT_EQ(misspelt.status, 1);
    EXPECT_NE(misspelt.err.find("the nearest names:\n  北区 (東京都)\n"), std::string::npos) << misspelt.err;
    // A prefecture written and another given: nothing fits both.
    EXPECT_EQ(Cli("files --municipality 東京都北区 --prefecture 京都府").status, 1);
}

TEST(CliAreas, ASquaresOwnRectFedBackAsABoxListsThatSquareAlone)
{
    const std::vector<std::string> fives = CsvRows("files --mesh 523874 --edition 5m");
    ASSERT_FALSE(fives.empty());
    const std::string five = fives[0].substr(fives[0].rfind(',') + 1);
    for (const auto& [code, edition] : {std::pair<std::string, std::string>{"523874", "10m"}, {five, "5m"}}) {
        const CliRun rect = Cli("rect " + code);
        ASSERT_EQ(rect.status, 0);
        std::istringstream in(rect.out);
        double v[4];
        ASSERT_TRUE(in >> v[0] >> v[1] >> v[2] >> v[3]) << rect.out;
        for (const int digits : {15, 16, 17}) {
            char box[160];
            std::snprintf(box, sizeof box, "%.*g,%.*g,%.*g,%.*g", digits, v[0], digits, v[1], digits, v[2], digits, v[3]);
            const std::vector<std::string> rows = CsvRows("files --edition " + edition + " --bbox " + box);
            ASSERT_FALSE(rows.empty()) << box;
            for (const std::string& row : rows)
                EXPECT_EQ(row.substr(row.rfind(',') + 1), code) << box;
        }
    }
}

TEST(CliAreas, GeoJsonHoldsTheRowsOfTheCsvWithTheirSquares)
{
    const std::string area = "files --municipality 箱根町";
    const std::vector<std::string> csv = CsvRows(area);
    ASSERT_GT(csv.size(), 10u);
    const CliRun r = Cli(area + " --format geojson");
    ASSERT_EQ(r.status, 0);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(doc.object()["type"].toString(), "FeatureCollection");
    const QJsonArray features = doc.object()["features"].toArray();
    std::vector<std::string> rows;
    for (const QJsonValue& v : features) {
        const QJsonObject f = v.toObject();
        const QJsonObject p = f["properties"].toObject();
        const int mesh = p["mesh"].toInt();
        rows.push_back(Row({p["edition"].toString().toStdString(), p["prefecture"].toString().toStdString(),
                            p["zip"].toString().toStdString(), p["xml"].toString().toStdString(), std::to_string(mesh)}));
        EXPECT_EQ(f["geometry"].toObject()["type"].toString(), "Polygon");
        const QJsonArray ring = f["geometry"].toObject()["coordinates"].toArray()[0].toArray();
        ASSERT_EQ(ring.size(), 5);
        EXPECT_EQ(ring[0], ring[4]);
        GeoRect sq;
        ASSERT_TRUE(MeshCodeToRect(mesh, sq));
        // Counter-clockwise from the south-west corner, longitude first.
        EXPECT_EQ(ring[0].toArray()[0].toDouble(), sq.west);
        EXPECT_EQ(ring[0].toArray()[1].toDouble(), sq.south);
        EXPECT_EQ(ring[1].toArray()[0].toDouble(), sq.east);
        EXPECT_EQ(ring[2].toArray()[1].toDouble(), sq.north);
        EXPECT_EQ(ring[3].toArray()[0].toDouble(), sq.west);
    }
    EXPECT_EQ(rows, csv);

    // GDAL's OGR reads the same rows back, as a GIS would open the file.
    char name[] = "/tmp/tesselo-geojson-XXXXXX.geojson";
    const int fd = mkstemps(name, 8);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, r.out.data(), r.out.size()), static_cast<ssize_t>(r.out.size()));
    close(fd);
    GDALAllRegister();
    GDALDatasetH ds = GDALOpenEx(name, GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    ASSERT_NE(ds, nullptr);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    std::vector<std::string> ogrRows;
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        auto field = [&](const char* key) { return std::string(OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, key))); };
        ogrRows.push_back(Row({field("edition"), field("prefecture"), field("zip"), field("xml"), field("mesh")}));
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbPolygon);
        EXPECT_GT(OGR_G_Area(g), 0.0);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    unlink(name);
    EXPECT_EQ(ogrRows, csv);
}

TEST(CliAreas, GeoJsonOfZipsHasTheirSecondLevelSquares)
{
    const std::string area = "files --bbox 35.65,139.74,35.67,139.76 --zips";
    const std::vector<std::string> csv = CsvRows(area);
    const CliRun r = Cli(area + " --format geojson");
    ASSERT_EQ(r.status, 0);
    const QJsonArray features = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["features"].toArray();
    ASSERT_EQ(static_cast<size_t>(features.size()), csv.size());
    for (qsizetype i = 0; i < features.size(); ++i) {
        const QJsonObject p = features[i].toObject()["properties"].toObject();
        EXPECT_EQ(Row({p["edition"].toString().toStdString(), p["zip"].toString().toStdString(),
                       std::to_string(p["files"].toInt())}),
                  csv[static_cast<size_t>(i)]);
        const QJsonArray ring = features[i].toObject()["geometry"].toObject()["coordinates"].toArray()[0].toArray();
        const QJsonArray sw = ring[0].toArray(), ne = ring[2].toArray();
        EXPECT_NEAR(ne[0].toDouble() - sw[0].toDouble(), 0.125, 1e-12);
        EXPECT_NEAR(ne[1].toDouble() - sw[1].toDouble(), 1.0 / 12, 1e-12);
    }
    const CliRun none = Cli("files --bbox 20,122,20.1,122.1 --format geojson");
    EXPECT_EQ(none.out, "{\"type\": \"FeatureCollection\", \"features\": []}\n");
}

TEST(CliAreas, VersionDriveFromStandardInputAndLargeSeeds)
{
    const CliRun version = Cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tesselo-cli " TESSELO_VERSION "\n");
    const std::string script = "size 933 568\nprint viewport\n";
    const CliRun dash = Cli("drive -", script);
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.out, Cli("drive", script).out);
    const CliRun top = Cli("drive", "tick\nmonkey 18446744073709551615 20\n");
    EXPECT_EQ(top.status, 0) << top.err;
    EXPECT_EQ(Cli("drive", "tick\nmonkey -1 20\n").out, top.out);  // the same number modulo 2^64
    EXPECT_NE(Cli("drive", "tick\nmonkey 9223372036854775808 20\n").out, top.out);
    for (const char* bad : {"monkey 18446744073709551616 5", "monkey 1.5 5", "monkey x 5", "box 1 2 3"})
        EXPECT_EQ(Cli("drive", std::string("tick\n") + bad + "\n").status, 1) << bad;
}

TEST(CliAreas, DriveBoxListsTheBoxInTheFileList)
{
    const CliRun r = Cli("drive", "size 933 568\ntick\njump 35.684,139.7543\nzoom 40\nbox 400 250 520 330\nprint list\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("visible=1\n範囲  10m: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\\r\\n 東京都   FG-GML-5339-46-DEM10B.zip   FG-GML-5339-46-dem10b-20161001.xml  \\r\\n"),
              std::string::npos)
        << r.out;
}

TEST(CliAreas, TheBoundaryLinesHoldTheMunicipalBorders)
{
    const CliRun r = Cli("stats");
    ASSERT_EQ(r.status, 0);
    const size_t at = r.out.find("boundaryHeaders ");
    ASSERT_NE(at, std::string::npos);
    // Coasts, prefecture borders and about 4,200 municipal borders.
    EXPECT_GE(std::stoi(r.out.substr(at + 16)), 7000);
}
