// The string table. Kept in UTF-8 here; the program reads it as CP932 (LoadStringA).
#include "resources/resource_table.h"

namespace {
struct Entry {
    unsigned id;
    const char* text;
};

const Entry kStrings[] = {
    {128, "Tesselo\n\nTesselo\n\n\nTesselo.Document\nTesselo.Document"},
    {151, "            "},
    {57344, "Tesselo"},
    {57345, "レディ"},
    {57346, "                                                        "},
    // Middle click comes first: many desktops keep Alt+click for moving windows.
    {57347, "ホイール：拡大縮小　右ドラッグ：移動　クリック：一覧　中/Alt+クリック：Webマップ"},
    // The data-use notice drawn at the foot of the map: the sources and their attributions
    // (README.md gives them in full).
    {57348, "出典：国土数値情報（行政区域・標高傾斜度3次メッシュ）国土交通省、国土地理院（山岳一覧・地勢図図名・標高タイル）、地名集日本（2007）、GSHHG を加工して作成"},
};
} // namespace

const char* FindEmbeddedString(unsigned id)
{
    for (const Entry& e : kStrings)
        if (e.id == id)
            return e.text;
    return nullptr;
}
