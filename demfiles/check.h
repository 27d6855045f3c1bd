// Whether the DEM files of an area arrived: the catalogue's list against what a folder holds;
// and what a folder holds, without a list.
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

// present: found and readable. missing: a 10 m file not found. damaged: found but unreadable.
// unlisted: found, not in the list. covered: not found, but a better kind of the same square
// is present (5B or 5C under 5A, 10B under 10A, any 5 m under 1A). unconfirmed: a 5 m file
// of the list not found; the 5 m list is an estimate, so the file may not exist at all.
enum class CheckStatus { Present, Missing, Damaged, Unlisted, Covered, Unconfirmed };
const char* CheckStatusName(CheckStatus s);

struct CheckRow {
    CheckStatus status = CheckStatus::Missing;
    std::string edition, zipName, xmlName;  // edition "1m", "5m" or "10m"
    int32_t mesh = 0;
    std::string path;    // where it was found (the copy used; for covered, the covering file)
    std::string reason;  // why it is damaged
    size_t copies = 0;   // copies found of its mesh code and kind, readable or not
    // Of the file found, for the rows of a folder without a list:
    std::string kind;    // "DEM5A" ...; empty for an archive whose name does not say
    int32_t date = 0;    // the edition's date, yyyymmdd
    std::string heights; // the reference system of the heights: JGD2000, JGD2011, JGD2024
};

// Reads every XML file found (on threads, each file once), sorts them into readable files and
// damaged ones, and notes each readable file's reference system and, when its names carry no
// date, its own.
void ValidateFound(FoundFiles& found, unsigned threads = 2);

// One row per expected file, in their order: present when a readable copy of the same mesh
// code and kind was found (the preferred one, GroupCopies), damaged when only unreadable ones
// were (or an unreadable archive whose name gives that second-level code and kind), covered,
// missing or unconfirmed otherwise. Then one unlisted row per readable or damaged file in the
// area (inArea) that no expected file matches, and one damaged row per unreadable archive that
// matched no row and may hold files of the area. Files are matched by mesh code and kind,
// never by the whole name: the dates differ. inArea gets 6-digit codes for archives.
std::vector<CheckRow> CompareWithCatalogue(const std::vector<ExpectedDemFile>& expected, const FoundFiles& validated,
                                           const std::function<bool(const DemName&)>& inArea);

// Every DEM file of a folder: one present row per mesh code and kind (the copy used, with the
// number of copies), one damaged row per unreadable file or archive; by kind, then code.
std::vector<CheckRow> ListFound(const FoundFiles& validated);

// The lines for standard error about a validated folder: each unreadable file or archive once
// ("path: reason"), and each readable copy that is not used (NotUsedLine); with inArea, only
// those of the area (and archives whose name does not say).
std::vector<std::string> FoundNotes(const FoundFiles& validated,
                                    const std::function<bool(const DemName&)>& inArea = nullptr);

enum class CheckFormat { Text, Csv, Json };
// CSV header status,edition,zip,xml,mesh,path,copies; text: the same fields three spaces
// apart, the copies as "(N copies)" when there are more than one.
std::string FormatCheckRows(const std::vector<CheckRow>& rows, CheckFormat format);
// The rows of ListFound: CSV header status,kind,edition,mesh,date,heights,path,copies.
std::string FormatFoundRows(const std::vector<CheckRow>& rows, CheckFormat format);

struct CheckTotals {
    size_t present = 0, missing = 0, damaged = 0, unlisted = 0, covered = 0, unconfirmed = 0;
};
CheckTotals CountCheckRows(const std::vector<CheckRow>& rows);
// "DEM5A: 8 present, 1 damaged" per kind found, then the archives of unknown kind.
std::vector<std::string> TotalsByKind(const std::vector<CheckRow>& rows);
