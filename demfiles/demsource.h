// Finding DEM files: XML files, the ZIP archives GSI ships them in, archives inside archives,
// folders of any of these. GDAL's /vsizip/ file system reads the archives.
#pragma once

#include "demfiles/gmlreader.h"

#include <optional>
#include <string>
#include <vector>

// Registers GDAL's drivers once and keeps its messages off standard error.
void PrepareGdal();

struct DemSource {
    std::string vsiPath;    // what GDAL opens
    std::string shownPath;  // for people: folder/outer.zip/inner.zip/member.xml
    std::string zipName;    // the innermost archive's name, empty for a file outside archives
    std::string xmlName;    // the file's own name
    DemName name;
    // The edition's date, yyyymmdd: that in the XML's name, else the innermost archive's, else
    // the file's own (devDate) once read; 0 when unknown.
    int32_t date = 0;
    std::optional<DemDatum> datum;  // the file's reference system, once it has been read
};

// Something found that cannot be read: an archive GDAL cannot open, a member whose name leaves
// the archive, a file too large to be a DEM file. name is what its own name says, when it says.
struct DamagedSource {
    std::string shownPath;
    std::string zipName;
    std::string xmlName;
    std::optional<DemName> name;
    std::string reason;
};

struct FoundFiles {
    std::vector<DemSource> files;     // in the order of the paths, folders sorted by name
    std::vector<DamagedSource> damaged;
};

// Looks through each input: a folder recursively, a ZIP archive (and the archives inside it),
// an XML file. Only names that ParseDemName accepts and that end in .xml count as DEM files.
// False with a message when an input does not exist.
bool FindDemFiles(const std::vector<std::string>& inputs, FoundFiles& found, std::string& error);

// Larger XML files are refused (a 10 m file holds about 17 MB, at most about 27 MB).
constexpr size_t kMaxXmlBytes = size_t{40} << 20;

// The bytes of a file found, read through GDAL. False with a message when it cannot be read
// whole.
bool ReadDemSource(const DemSource& source, std::string& bytes, std::string& error);

// Reads and checks a file found: ReadDemSource, then ReadNamedDemXml.
bool LoadDemSource(const DemSource& source, DemGrid& grid, std::string& error);

// Every copy found of one mesh code and kind (a 2009 and a 2016 edition, a "... (1).zip"),
// the preferred first: the newest edition, then path order. The first readable copy is used.
struct DemCopies {
    DemName name;
    std::vector<DemSource> copies;
};

// The files found grouped by mesh code and kind, groups in the order of their first copy's
// path. Copies whose names carry no date get the date of their own XML (its first bytes are
// read) before they are ordered.
std::vector<DemCopies> GroupCopies(const std::vector<DemSource>& files);

// Whether a is preferred to b among copies: the newer edition (an unknown date is oldest);
// equal editions keep the path order, which the caller's stable order holds.
bool CopyPrecedes(const DemSource& a, const DemSource& b);

// Reads the copies in order until one is readable: its index, or copies.size() when none is.
// errors gets "path: reason" for each copy that could not be read; bytes the bytes read.
size_t LoadPreferredCopy(const std::vector<DemSource>& copies, DemGrid& grid, std::vector<std::string>& errors,
                         size_t* bytes = nullptr);

// The line for standard error naming a copy that is not used because used is, and why.
std::string NotUsedLine(const DemSource& other, const DemSource& used);

// yyyy-mm-dd of a date yyyymmdd; empty for 0.
std::string DateText(int32_t date);

// What an archive that cannot be opened is called.
constexpr const char kUnreadableZip[] = "not a readable ZIP archive (incomplete download?)";
