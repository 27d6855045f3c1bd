#include "demfiles/check.h"
#include "platform/textfields.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace {

using Key = std::pair<int32_t, DemKind>;

// What a validated folder holds, by mesh code and kind.
struct FoundIndex {
    std::vector<DemCopies> groups;                            // readable copies, preferred first
    std::map<Key, const DemCopies*> good;
    std::map<Key, std::vector<const DamagedSource*>> badFiles;  // files whose own name says what they are
    std::map<Key, const DamagedSource*> badZips;               // archives named for a square and kind
    std::vector<const DamagedSource*> otherBad;                // archives whose name does not say

    explicit FoundIndex(const FoundFiles& found) : groups(GroupCopies(found.files))
    {
        for (const DemCopies& g : groups)
            good.emplace(Key{g.name.mesh, g.name.kind}, &g);
        for (const DamagedSource& d : found.damaged) {
            if (!d.name)
                otherBad.push_back(&d);
            else if (d.xmlName.empty())
                badZips.emplace(Key{d.name->mesh, d.name->kind}, &d);
            else
                badFiles[Key{d.name->mesh, d.name->kind}].push_back(&d);
        }
    }

    size_t Copies(const Key& key) const
    {
        size_t n = 0;
        if (const auto g = good.find(key); g != good.end())
            n += g->second->copies.size();
        if (const auto b = badFiles.find(key); b != badFiles.end())
            n += b->second.size();
        return n;
    }

    // The preferred readable file of a better kind of the same square, or null.
    const DemSource* Covering(const Key& key) const
    {
        for (DemKind better : kKindsByPrecedence) {
            if (!KindPrecedes(better, key.second))
                break;
            if (IsThirdLevel(better) != IsThirdLevel(key.second))
                continue;
            if (const auto g = good.find(Key{key.first, better}); g != good.end())
                return &g->second->copies.front();
        }
        return nullptr;
    }
};

CheckRow FoundRow(CheckStatus status, const DemSource& f, size_t copies)
{
    CheckRow r;
    r.status = status, r.edition = EditionOf(f.name.kind), r.zipName = f.zipName, r.xmlName = f.xmlName;
    r.mesh = f.name.mesh, r.path = f.shownPath, r.copies = copies;
    r.kind = KindName(f.name.kind);
    r.date = f.date;
    r.heights = f.datum ? DatumName(*f.datum) : "";
    return r;
}

CheckRow DamagedRow(const DamagedSource& d, size_t copies)
{
    CheckRow r;
    r.status = CheckStatus::Damaged, r.zipName = d.zipName, r.xmlName = d.xmlName;
    r.path = d.shownPath, r.reason = d.reason, r.copies = copies;
    if (d.name) {
        r.edition = EditionOf(d.name->kind);
        r.mesh = d.name->mesh;
        r.kind = KindName(d.name->kind);
    }
    r.date = NameDate(d.xmlName.empty() ? d.zipName : d.xmlName);
    return r;
}

} // namespace

const char* CheckStatusName(CheckStatus s)
{
    switch (s) {
    case CheckStatus::Present: return "present";
    case CheckStatus::Missing: return "missing";
    case CheckStatus::Damaged: return "damaged";
    case CheckStatus::Unlisted: return "unlisted";
    case CheckStatus::Covered: return "covered";
    case CheckStatus::Unconfirmed: return "unconfirmed";
    }
    return "";
}

void ValidateFound(FoundFiles& found, unsigned threads)
{
    std::vector<std::string> errors(found.files.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        DemGrid grid;
        for (size_t i; (i = next++) < found.files.size();) {
            DemSource& f = found.files[i];
            if (!LoadDemSource(f, grid, errors[i])) {
                if (errors[i].empty())
                    errors[i] = "unreadable";
                continue;
            }
            f.datum = grid.datum;
            if (!f.date)
                f.date = grid.date;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < std::max(1u, threads); ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    std::vector<DemSource> good;
    for (size_t i = 0; i < found.files.size(); ++i) {
        DemSource& f = found.files[i];
        if (errors[i].empty())
            good.push_back(std::move(f));
        else
            found.damaged.push_back(DamagedSource{f.shownPath, f.zipName, f.xmlName, f.name, errors[i]});
    }
    found.files = std::move(good);
}

std::vector<CheckRow> CompareWithCatalogue(const std::vector<ExpectedDemFile>& expected, const FoundFiles& found,
                                           const std::function<bool(const DemName&)>& inArea)
{
    const FoundIndex index(found);
    std::vector<CheckRow> rows;
    std::map<Key, bool> listed;
    std::map<const DamagedSource*, bool> zipsUsed;
    for (const ExpectedDemFile& e : expected) {
        CheckRow row;
        row.edition = e.edition, row.zipName = e.zipName, row.xmlName = e.xmlName, row.mesh = e.mesh;
        const std::optional<DemName> name = ParseDemName(e.xmlName);
        if (name) {
            const Key key{name->mesh, name->kind};
            listed[key] = true;
            row.copies = index.Copies(key);
            const Key zipKey{name->mesh >= 10000000 ? name->mesh / 100 : name->mesh, name->kind};
            if (auto g = index.good.find(key); g != index.good.end()) {
                row.status = CheckStatus::Present;
                row.path = g->second->copies.front().shownPath;
            } else if (auto b = index.badFiles.find(key); b != index.badFiles.end()) {
                row.status = CheckStatus::Damaged;
                row.path = b->second.front()->shownPath;
                row.reason = b->second.front()->reason;
            } else if (auto z = index.badZips.find(zipKey); z != index.badZips.end()) {
                row.status = CheckStatus::Damaged;
                row.path = z->second->shownPath;
                row.reason = z->second->reason;
                zipsUsed[z->second] = true;
            } else if (const DemSource* better = index.Covering(key)) {
                row.status = CheckStatus::Covered;
                row.path = better->shownPath;
            } else if (IsFiveMeter(name->kind)) {
                row.status = CheckStatus::Unconfirmed;
            }
        }
        rows.push_back(std::move(row));
    }
    for (const DemCopies& g : index.groups) {
        const Key key{g.name.mesh, g.name.kind};
        if (listed.count(key) || !inArea(g.name))
            continue;
        rows.push_back(FoundRow(CheckStatus::Unlisted, g.copies.front(), index.Copies(key)));
    }
    for (const auto& [key, files] : index.badFiles) {
        if (listed.count(key) || index.good.count(key) || !inArea(*files.front()->name))
            continue;
        for (const DamagedSource* d : files) {
            CheckRow r = DamagedRow(*d, index.Copies(key));
            rows.push_back(std::move(r));
        }
    }
    for (const auto& [key, d] : index.badZips)
        if (!zipsUsed.count(d) && inArea(*d->name))
            rows.push_back(DamagedRow(*d, 0));
    for (const DamagedSource* d : index.otherBad)
        rows.push_back(DamagedRow(*d, 0));
    return rows;
}

std::vector<CheckRow> ListFound(const FoundFiles& found)
{
    const FoundIndex index(found);
    std::vector<CheckRow> rows;
    for (const DemCopies& g : index.groups)
        rows.push_back(FoundRow(CheckStatus::Present, g.copies.front(), index.Copies(Key{g.name.mesh, g.name.kind})));
    for (const auto& [key, files] : index.badFiles)
        for (const DamagedSource* d : files)
            rows.push_back(DamagedRow(*d, index.Copies(key)));
    for (const auto& [key, d] : index.badZips)
        rows.push_back(DamagedRow(*d, 0));
    for (const DamagedSource* d : index.otherBad)
        rows.push_back(DamagedRow(*d, 0));
    // By kind in the order of preference, archives of unknown kind last; then by code.
    auto rank = [](const CheckRow& r) {
        for (size_t i = 0; i < std::size(kKindsByPrecedence); ++i)
            if (r.kind == KindName(kKindsByPrecedence[i]))
                return i;
        return std::size(kKindsByPrecedence);
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const CheckRow& a, const CheckRow& b) {
        return std::make_pair(rank(a), a.mesh) < std::make_pair(rank(b), b.mesh);
    });
    return rows;
}

std::vector<std::string> FoundNotes(const FoundFiles& found, const std::function<bool(const DemName&)>& inArea)
{
    std::vector<std::string> notes;
    for (const DamagedSource& d : found.damaged)
        if (!inArea || !d.name || inArea(*d.name))
            notes.push_back(d.shownPath + ": " + d.reason);
    for (const DemCopies& g : GroupCopies(found.files))
        for (size_t i = 1; i < g.copies.size() && (!inArea || inArea(g.name)); ++i)
            notes.push_back(NotUsedLine(g.copies[i], g.copies.front()));
    return notes;
}

std::string FormatCheckRows(const std::vector<CheckRow>& rows, CheckFormat format)
{
    std::string out;
    if (format == CheckFormat::Csv)
        out += "status,edition,zip,xml,mesh,path,copies\n";
    if (format == CheckFormat::Json)
        out += "[";
    bool first = true;
    for (const CheckRow& r : rows) {
        const std::string mesh = r.mesh ? std::to_string(r.mesh) : "";
        const std::string copies = std::to_string(r.copies);
        switch (format) {
        case CheckFormat::Text:
            out += std::string(CheckStatusName(r.status)) + "   " + r.edition + "   " + r.zipName + "   " + r.xmlName +
                   "   " + mesh + (r.path.empty() ? "" : "   " + r.path) +
                   (r.copies > 1 ? "   (" + copies + " copies)" : "") + "\n";
            break;
        case CheckFormat::Csv:
            out += std::string(CheckStatusName(r.status)) + "," + r.edition + "," + CsvField(r.zipName) + "," +
                   CsvField(r.xmlName) + "," + mesh + "," + CsvField(r.path) + "," + copies + "\n";
            break;
        case CheckFormat::Json:
            out += first ? "\n" : ",\n";
            out += "  {\"status\": \"" + std::string(CheckStatusName(r.status)) + "\", \"edition\": \"" + r.edition +
                   "\", \"zip\": " + JsonString(r.zipName) + ", \"xml\": " + JsonString(r.xmlName) +
                   ", \"mesh\": " + (mesh.empty() ? "null" : mesh) + ", \"path\": " + JsonString(r.path) +
                   ", \"copies\": " + copies + "}";
            break;
        }
        first = false;
    }
    if (format == CheckFormat::Json)
        out += rows.empty() ? "]\n" : "\n]\n";
    return out;
}

std::string FormatFoundRows(const std::vector<CheckRow>& rows, CheckFormat format)
{
    std::string out;
    if (format == CheckFormat::Csv)
        out += "status,kind,edition,mesh,date,heights,path,copies\n";
    if (format == CheckFormat::Json)
        out += "[";
    bool first = true;
    for (const CheckRow& r : rows) {
        const std::string mesh = r.mesh ? std::to_string(r.mesh) : "";
        const std::string date = DateText(r.date), copies = std::to_string(r.copies);
        const std::string status = CheckStatusName(r.status);
        auto orDash = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
        switch (format) {
        case CheckFormat::Text:
            out += status + "   " + orDash(r.kind) + "   " + orDash(r.edition) + "   " + orDash(mesh) + "   " +
                   orDash(date) + "   " + orDash(r.heights) + "   " + r.path +
                   (r.copies > 1 ? "   (" + copies + " copies)" : "") + "\n";
            break;
        case CheckFormat::Csv:
            out += status + "," + r.kind + "," + r.edition + "," + mesh + "," + date + "," + r.heights + "," +
                   CsvField(r.path) + "," + copies + "\n";
            break;
        case CheckFormat::Json:
            out += first ? "\n" : ",\n";
            out += "  {\"status\": \"" + status + "\", \"kind\": " + JsonString(r.kind) +
                   ", \"edition\": " + JsonString(r.edition) + ", \"mesh\": " + (mesh.empty() ? "null" : mesh) +
                   ", \"date\": " + JsonString(date) + ", \"heights\": " + JsonString(r.heights) +
                   ", \"path\": " + JsonString(r.path) + ", \"copies\": " + copies + "}";
            break;
        }
        first = false;
    }
    if (format == CheckFormat::Json)
        out += rows.empty() ? "]\n" : "\n]\n";
    return out;
}

CheckTotals CountCheckRows(const std::vector<CheckRow>& rows)
{
    CheckTotals t;
    for (const CheckRow& r : rows) {
        switch (r.status) {
        case CheckStatus::Present: ++t.present; break;
        case CheckStatus::Missing: ++t.missing; break;
        case CheckStatus::Damaged: ++t.damaged; break;
        case CheckStatus::Unlisted: ++t.unlisted; break;
        case CheckStatus::Covered: ++t.covered; break;
        case CheckStatus::Unconfirmed: ++t.unconfirmed; break;
        }
    }
    return t;
}

std::vector<std::string> TotalsByKind(const std::vector<CheckRow>& rows)
{
    std::vector<std::string> lines;
    auto add = [&](const std::string& label, const std::string& kind) {
        size_t present = 0, damaged = 0;
        for (const CheckRow& r : rows)
            if (r.kind == kind)
                (r.status == CheckStatus::Damaged ? damaged : present) += 1;
        if (present || damaged)
            lines.push_back(label + ": " + std::to_string(present) + " present, " + std::to_string(damaged) + " damaged");
    };
    for (DemKind k : kKindsByPrecedence)
        add(KindName(k), KindName(k));
    add("archives of unknown kind", "");
    return lines;
}
