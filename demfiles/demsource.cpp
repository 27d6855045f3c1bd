#include "demfiles/demsource.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix)
{
    if (s.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = s[s.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

std::string BaseName(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// A member name that could point outside its archive.
bool LeavesArchive(std::string_view member)
{
    if (member.empty() || member.front() == '/' || member.front() == '\\' || member.find(':') != std::string_view::npos)
        return true;
    size_t at = 0;
    while (at <= member.size()) {
        size_t next = member.find_first_of("/\\", at);
        if (next == std::string_view::npos)
            next = member.size();
        if (member.substr(at, next - at) == "..")
            return true;
        at = next + 1;
    }
    return false;
}

std::string LastGdalError()
{
    const char* msg = CPLGetLastErrorMsg();
    return msg && *msg ? msg : "unreadable";
}

class Finder {
public:
    explicit Finder(FoundFiles& found) : found_(found) {}

    void Xml(const std::string& vsiPath, const std::string& shown, const std::string& zipName)
    {
        const std::string base = BaseName(shown);
        if (!EndsWithNoCase(base, ".xml"))
            return;
        const std::optional<DemName> name = ParseDemName(base);
        if (!name)
            return;
        DemSource f{vsiPath, shown, zipName, base, *name, NameDate(base), std::nullopt};
        if (!f.date && !zipName.empty())
            f.date = NameDate(zipName);
        found_.files.push_back(std::move(f));
    }

    // vsiFile: how GDAL reaches the archive's bytes.
    void Zip(const std::string& vsiFile, const std::string& shown, int depth)
    {
        const std::string zipName = BaseName(shown);
        const std::string root = "/vsizip/{" + vsiFile + "}";
        CPLErrorReset();
        VSIStatBufL st;
        char** list = nullptr;
        if (depth > 8) {
            Damaged(shown, zipName, "", "archives nested too deeply");
            return;
        }
        if (VSIStatL(root.c_str(), &st) != 0 || !(list = VSIReadDirRecursive(root.c_str()))) {
            Damaged(shown, zipName, "", kUnreadableZip);
            return;
        }
        std::vector<std::string> members;
        for (char** p = list; *p; ++p)
            members.emplace_back(*p);
        CSLDestroy(list);
        std::sort(members.begin(), members.end());
        for (const std::string& m : members) {
            if (!m.empty() && (m.back() == '/' || m.back() == '\\'))
                continue;  // a folder
            const std::string memberShown = shown + "/" + m;
            const bool xml = EndsWithNoCase(m, ".xml"), zip = EndsWithNoCase(m, ".zip");
            if (!xml && !zip)
                continue;
            if (LeavesArchive(m)) {
                Damaged(memberShown, zipName, BaseName(m), "the member's name leaves the archive");
                continue;
            }
            const std::string vsiMember = root + "/" + m;
            if (zip)
                Zip(vsiMember, memberShown, depth + 1);
            else
                Xml(vsiMember, memberShown, zipName);
        }
    }

    void Damaged(const std::string& shown, const std::string& zipName, const std::string& xmlName,
                 const std::string& reason)
    {
        std::optional<DemName> name = ParseDemName(xmlName.empty() ? zipName : xmlName);
        if (!xmlName.empty() && !EndsWithNoCase(xmlName, ".xml"))
            name.reset();
        found_.damaged.push_back(DamagedSource{shown, zipName, xmlName, name, reason});
    }

    void Path(const fs::path& p)
    {
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            std::vector<fs::path> entries;
            for (fs::directory_iterator it(p, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
                 it.increment(ec))
                entries.push_back(it->path());
            std::sort(entries.begin(), entries.end());
            for (const fs::path& e : entries)
                Path(e);
            return;
        }
        const std::string s = p.string();
        if (EndsWithNoCase(s, ".zip"))
            Zip(s, s, 0);
        else if (EndsWithNoCase(s, ".xml"))
            Xml(s, s, "");
    }

private:
    FoundFiles& found_;
};

} // namespace

void PrepareGdal()
{
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        CPLSetErrorHandler(CPLQuietErrorHandler);
    });
}

bool FindDemFiles(const std::vector<std::string>& inputs, FoundFiles& found, std::string& error)
{
    PrepareGdal();
    for (const std::string& in : inputs) {
        std::error_code ec;
        if (!fs::exists(in, ec)) {
            error = "no such file or folder: " + in;
            return false;
        }
    }
    Finder finder(found);
    for (const std::string& in : inputs) {
        std::string s = in;
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        finder.Path(s);
    }
    return true;
}

bool ReadDemSource(const DemSource& source, std::string& bytes, std::string& error)
{
    PrepareGdal();
    CPLErrorReset();
    VSIStatBufL st;
    if (VSIStatL(source.vsiPath.c_str(), &st) != 0) {
        error = "cannot be read: " + LastGdalError();
        return false;
    }
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > kMaxXmlBytes) {
        error = "too large for a DEM file";
        return false;
    }
    VSILFILE* f = VSIFOpenL(source.vsiPath.c_str(), "rb");
    if (!f) {
        error = "cannot be opened: " + LastGdalError();
        return false;
    }
    const size_t size = static_cast<size_t>(st.st_size);
    bytes.resize(size + 1);
    // One byte more than announced: a member longer than its directory entry says is refused.
    const size_t got = VSIFReadL(bytes.data(), 1, size + 1, f);
    VSIFCloseL(f);
    if (got != size || CPLGetLastErrorType() >= CE_Failure) {
        error = "cannot be read whole: " + LastGdalError();
        bytes.clear();
        return false;
    }
    bytes.resize(size);
    return true;
}

bool LoadDemSource(const DemSource& source, DemGrid& grid, std::string& error)
{
    std::string bytes;
    return ReadDemSource(source, bytes, error) && ReadNamedDemXml(bytes, source.name, grid, error);
}

bool CopyPrecedes(const DemSource& a, const DemSource& b)
{
    return a.date > b.date;
}

std::vector<DemCopies> GroupCopies(const std::vector<DemSource>& files)
{
    std::vector<DemCopies> groups;
    std::map<std::pair<int32_t, DemKind>, size_t> at;
    for (const DemSource& f : files) {
        const auto [it, added] = at.emplace(std::make_pair(f.name.mesh, f.name.kind), groups.size());
        if (added)
            groups.push_back(DemCopies{f.name, {}});
        groups[it->second].copies.push_back(f);
    }
    for (DemCopies& g : groups) {
        if (g.copies.size() < 2)
            continue;
        for (DemSource& c : g.copies) {
            if (c.date)
                continue;
            // The dates come in the first kilobytes, before the grid.
            VSILFILE* f = VSIFOpenL(c.vsiPath.c_str(), "rb");
            if (!f)
                continue;
            std::string head(8192, '\0');
            head.resize(VSIFReadL(head.data(), 1, head.size(), f));
            VSIFCloseL(f);
            c.date = DemXmlDate(head);
        }
        std::stable_sort(g.copies.begin(), g.copies.end(), CopyPrecedes);
    }
    return groups;
}

size_t LoadPreferredCopy(const std::vector<DemSource>& copies, DemGrid& grid, std::vector<std::string>& errors,
                         size_t* bytes)
{
    std::string raw;
    for (size_t i = 0; i < copies.size(); ++i) {
        std::string e;
        if (ReadDemSource(copies[i], raw, e) && ReadNamedDemXml(raw, copies[i].name, grid, e)) {
            if (bytes)
                *bytes += raw.size();
            return i;
        }
        errors.push_back(copies[i].shownPath + ": " + (e.empty() ? "unreadable" : e));
    }
    return copies.size();
}

std::string DateText(int32_t date)
{
    if (!date)
        return "";
    char s[16];
    std::snprintf(s, sizeof s, "%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
    return s;
}

std::string NotUsedLine(const DemSource& other, const DemSource& used)
{
    std::string why;
    if (other.date == used.date)
        why = "the same edition" + (used.date ? " (" + DateText(used.date) + ")" : std::string()) + " as " +
              used.shownPath + ", found after it";
    else
        why = "an older edition (" + (other.date ? DateText(other.date) : std::string("undated")) + ") than " +
              used.shownPath + " (" + DateText(used.date) + ")";
    return other.shownPath + ": not used: " + why;
}
