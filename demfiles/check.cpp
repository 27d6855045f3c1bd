#include "demfiles/check.h"
#include "platform/textfields.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace {

using Key = std::pair<int32_t, DemKind>;

} // namespace

const char* CheckStatusName(CheckStatus s)
{
    switch (s) {
    case CheckStatus::Present: return "present";
    case CheckStatus::Missing: return "missing";
    case CheckStatus::Damaged: return "damaged";
    case CheckStatus::Unlisted: return "unlisted";
    }
    return "";
}

void ValidateFound(FoundFiles& found, unsigned threads)
{
    std::vector<std::string> errors(found.files.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        DemGrid grid;
        for (size_t i; (i = next++) < found.files.size();)
            if (!LoadDemSource(found.files[i], grid, errors[i]) && errors[i].empty())
                errors[i] = "unreadable";
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
    std::map<Key, const DemSource*> good;
    for (const DemSource& f : found.files)
        good.emplace(Key{f.name.mesh, f.name.kind}, &f);
    std::map<Key, const DamagedSource*> bad;       // files whose own name says what they are
    std::map<Key, const DamagedSource*> badZips;   // archives, by second-level code
    for (const DamagedSource& d : found.damaged) {
        if (!d.name)
            continue;
        (d.xmlName.empty() ? badZips : bad).emplace(Key{d.name->mesh, d.name->kind}, &d);
    }
    std::vector<CheckRow> rows;
    std::map<Key, bool> listed;
    for (const ExpectedDemFile& e : expected) {
        CheckRow row{CheckStatus::Missing, e.edition, e.zipName, e.xmlName, e.mesh, "", ""};
        const std::optional<DemName> name = ParseDemName(e.xmlName);
        if (name) {
            const Key key{name->mesh, name->kind};
            listed[key] = true;
            const Key zipKey{name->mesh >= 10000000 ? name->mesh / 100 : name->mesh, name->kind};
            if (auto g = good.find(key); g != good.end()) {
                row.status = CheckStatus::Present;
                row.path = g->second->shownPath;
            } else if (auto b = bad.find(key); b != bad.end()) {
                row.status = CheckStatus::Damaged;
                row.path = b->second->shownPath;
                row.reason = b->second->reason;
            } else if (auto z = badZips.find(zipKey); z != badZips.end()) {
                row.status = CheckStatus::Damaged;
                row.path = z->second->shownPath;
                row.reason = z->second->reason;
            }
        }
        rows.push_back(std::move(row));
    }
    std::map<Key, bool> shown;
    for (const DemSource& f : found.files) {
        const Key key{f.name.mesh, f.name.kind};
        if (listed.count(key) || shown.count(key) || !inArea(f.name))
            continue;
        shown[key] = true;
        rows.push_back(CheckRow{CheckStatus::Unlisted, EditionOf(f.name.kind), f.zipName, f.xmlName, f.name.mesh,
                                f.shownPath, ""});
    }
    for (const DamagedSource& d : found.damaged) {
        if (!d.name || d.xmlName.empty())
            continue;
        const Key key{d.name->mesh, d.name->kind};
        if (listed.count(key) || shown.count(key) || !inArea(*d.name))
            continue;
        shown[key] = true;
        rows.push_back(CheckRow{CheckStatus::Unlisted, EditionOf(d.name->kind), d.zipName, d.xmlName, d.name->mesh,
                                d.shownPath, d.reason});
    }
    return rows;
}

std::string FormatCheckRows(const std::vector<CheckRow>& rows, CheckFormat format)
{
    std::string out;
    if (format == CheckFormat::Csv)
        out += "status,edition,zip,xml,mesh,path\n";
    if (format == CheckFormat::Json)
        out += "[";
    bool first = true;
    for (const CheckRow& r : rows) {
        const std::string mesh = std::to_string(r.mesh);
        switch (format) {
        case CheckFormat::Text:
            out += std::string(CheckStatusName(r.status)) + "   " + r.edition + "   " + r.zipName + "   " + r.xmlName +
                   "   " + mesh + (r.path.empty() ? "" : "   " + r.path) + "\n";
            break;
        case CheckFormat::Csv:
            out += std::string(CheckStatusName(r.status)) + "," + r.edition + "," + CsvField(r.zipName) + "," +
                   CsvField(r.xmlName) + "," + mesh + "," + CsvField(r.path) + "\n";
            break;
        case CheckFormat::Json:
            out += first ? "\n" : ",\n";
            out += "  {\"status\": \"" + std::string(CheckStatusName(r.status)) + "\", \"edition\": \"" + r.edition +
                   "\", \"zip\": " + JsonString(r.zipName) + ", \"xml\": " + JsonString(r.xmlName) +
                   ", \"mesh\": " + mesh + ", \"path\": " + JsonString(r.path) + "}";
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
        }
    }
    return t;
}
