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
