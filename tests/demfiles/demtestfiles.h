// Small DEM files in GSI's layout, and ZIP archives of them, made by the tests themselves.
#pragma once

#include "demfiles/gmlreader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TestXml {
    int32_t mesh = 53394611;
    int32_t width = 225, height = 150;  // the GridEnvelope's high is one less
    int32_t startX = 0, startY = 0;
    // The tuples from the start point on; by default every cell of the grid after it.
    std::vector<std::string> tuples;
    bool fillTuples = true;
    bool shiftJis = false;
    bool crlf = false;
    std::string srs = "jgd2011";  // the envelope names fguuid:SRS.bl
    std::string type = "5mメッシュ（標高）";
    std::string date;             // yyyy-mm-dd: lfSpanFr and devDate are written with it
    bool bom = false;             // a UTF-8 byte order mark first
    bool doubleSpaces = false;    // two spaces before attributes, as some of GSI's files have
    float offset = 0;             // added to the default tuples' values
    // Non-zero: default tuples look like real terrain (smooth slopes, centimetre noise, no
    // sea) instead of TestValue; for benchmarks, whose output size depends on the values.
    uint32_t terrainSeed = 0;
};

// The value the default tuples give cell (x, y) of a file: distinct per file and cell, exact
// in a float, and 0 < v < 10000.
float TestValue(int32_t mesh, int32_t x, int32_t y);

// The XML text of a DEM file. Default tuples are "地表面,V" with V = TestValue, except that
// cells with x == y hold "海水面,-9999.".
std::string MakeDemXml(const TestXml& spec);

// A 1 m, 5 m or 10 m file name in GSI's form, with the given date.
std::string DemXmlName(int32_t mesh, DemKind kind, const std::string& date = "20161001");
std::string DemZipName(int32_t secondLevel, DemKind kind);  // the older, undated form
// The form of today's downloads: FG-GML-523874-DEM5A-20250731.zip.
std::string DatedZipName(int32_t secondLevel, DemKind kind, const std::string& date);

struct ZipMember {
    std::string name;
    std::string data;
    bool deflate = true;
    int64_t lieAboutSize = 0;  // added to the uncompressed size in both headers
};
// A ZIP archive written byte by byte (with zlib's raw deflate), so that tests can make it lie.
std::string MakeZip(const std::vector<ZipMember>& members);

void WriteFile(const std::string& path, const std::string& data);
std::string TempDir(const std::string& name);  // a fresh empty folder under the test temp dir
