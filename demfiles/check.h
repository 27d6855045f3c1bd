// Whether the DEM files of an area arrived: the catalogue's list against what a folder holds.
#pragma once

#include "demfiles/demsource.h"

#include <functional>
#include <string>
#include <vector>

// One file the catalogue lists for the area (rows of several prefectures already made one).
struct ExpectedDemFile {
    std::string edition;  // "10m" or "5m"
    std::string zipName, xmlName;
    int32_t mesh = 0;
};

enum class CheckStatus { Present, Missing, Damaged, Unlisted };
const char* CheckStatusName(CheckStatus s);

struct CheckRow {
    CheckStatus status = CheckStatus::Missing;
    std::string edition, zipName, xmlName;
    int32_t mesh = 0;
    std::string path;    // where it was found; empty when missing
    std::string reason;  // why it is damaged
};

// Reads every XML file found (on threads, each file once) and sorts them into readable files
// and damaged ones.
void ValidateFound(FoundFiles& found, unsigned threads = 2);

// One row per expected file, in their order: present when a readable file of the same mesh
// code and kind was found (the first in path order), damaged when only an unreadable one was
// (or an unreadable archive whose name gives that second-level code and kind), missing
// otherwise. Then one unlisted row per readable or damaged file in the area (inArea) that no
// expected file matches. Files are matched by mesh code and kind, never by the whole name:
// the dates differ.
std::vector<CheckRow> CompareWithCatalogue(const std::vector<ExpectedDemFile>& expected, const FoundFiles& validated,
                                           const std::function<bool(const DemName&)>& inArea);

enum class CheckFormat { Text, Csv, Json };
// CSV header status,edition,zip,xml,mesh,path; text: the same fields three spaces apart.
std::string FormatCheckRows(const std::vector<CheckRow>& rows, CheckFormat format);

struct CheckTotals {
    size_t present = 0, missing = 0, damaged = 0, unlisted = 0;
};
CheckTotals CountCheckRows(const std::vector<CheckRow>& rows);
