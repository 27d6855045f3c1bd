#include "picking/boxselect.h"

#include "picking/filelist.h"
#include "platform/cp932.h"

#include <algorithm>
#include <charconv>

namespace {

// The shortest text that reads back as the same double: the command finds the same squares.
std::string Number(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Counts(const char* edition, const std::vector<AreaFile>& files)
{
    const AreaTotals t = CountAreaFiles(files);
    return std::string(edition) + ": " + std::to_string(t.xmlFiles) + " ファイル " + std::to_string(t.zips) + " ZIP";
}

std::vector<FileListRow> Rows(const std::vector<AreaFile>& files)
{
    std::vector<FileListRow> rows;
    rows.reserve(files.size());
    for (const AreaFile& f : files)
        rows.push_back(FileListRow{f.prefecture, f.zipName, f.xmlName});
    return rows;
}

} // namespace

bool BoxDrag::Press(unsigned flags, POINT p, bool onPanelButton, bool mapShown)
{
    active = (flags & MK_SHIFT) && !onPanelButton && mapShown;
    if (active)
        start = end = p;
    return active;
}

bool BoxDrag::Move(POINT p)
{
    if (active)
        end = p;
    return active;
}

bool BoxDrag::Release(POINT p)
{
    if (!active)
        return false;
    end = p;
    active = false;
    return true;
}

POINT ClampToMap(POINT p, int width, int height)
{
    return POINT{std::clamp(p.x, 0, std::max(0, width - 1)), std::clamp(p.y, 0, std::max(0, height - 1))};
}

RECT BoxPixels(POINT a, POINT b)
{
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

GeoRect BoxOfPixels(const MapViewport& vp, POINT a, POINT b)
{
    const GeoPoint g = ClientToGeo(vp, ClampToMap(a, vp.clientWidth, vp.clientHeight));
    const GeoPoint h = ClientToGeo(vp, ClampToMap(b, vp.clientWidth, vp.clientHeight));
    return GeoRect{std::min(g.lat, h.lat), std::min(g.lon, h.lon), std::max(g.lat, h.lat), std::max(g.lon, h.lon)};
}

BoxFileList MakeBoxFileList(const GeoRect& box, bool with5m, size_t maxLines)
{
    AreaQuery query;
    query.kind = AreaQuery::Kind::Box;
    query.box = box;
    const std::vector<AreaFile> ten = FindAreaFiles(query, EditionChoice::Dem10m);
    const std::vector<AreaFile> five = with5m ? FindAreaFiles(query, EditionChoice::Dem5m) : std::vector<AreaFile>{};
    BoxFileList list;
    list.title = Utf8ToCp932("範囲  " + Counts("10m", ten) + (with5m ? "  " + Counts("5m", five) : ""));
    std::string text = FileListText(Rows(ten), DemEdition::Dem10m, g_prefectures);
    if (with5m)
        text += FileListText(Rows(five), DemEdition::Dem5m, g_prefectures);
    size_t cut = std::string::npos;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        if (++list.lines == maxLines)
            cut = at + 2;
    if (list.lines > maxLines) {
        text.resize(cut);
        text += Utf8ToCp932("（ほか " + std::to_string(list.lines - maxLines) + " 行: tesselo-cli files --bbox " +
                            Number(box.south) + "," + Number(box.west) + "," + Number(box.north) + "," +
                            Number(box.east) + (with5m ? "" : " --edition 10m") + " で全部を一覧できます）\r\n");
    }
    list.text = std::move(text);
    return list;
}
