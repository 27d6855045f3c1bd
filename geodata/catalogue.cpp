#include "geodata/catalogue.h"

#include "geodata/inflate.h"
#include "geodata/meshcode.h"
#include "geodata/records.h"
#include "platform/cp932.h"

#include <algorithm>
#include <cstring>

std::vector<PrefectureEntry> g_prefectures;
DemFiles g_dem10Files;
DemTiles g_dem10Tiles;
DemFiles g_dem5Files;
DemTiles g_dem5Tiles;

namespace {
StringPool g_dem10Names;
StringPool g_dem5Names;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The field's bytes up to its NUL, or the whole width when there is none.
std::string_view Field(const unsigned char* p, size_t width)
{
    const void* nul = std::memchr(p, 0, width);
    const size_t n = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p) : width;
    return {reinterpret_cast<const char*>(p), n};
}

} // namespace

const char* const kPrefectureNamesUtf8[47] = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県", "茨城県", "栃木県", "群馬県",
    "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県", "石川県", "福井県", "山梨県", "長野県",
    "岐阜県", "静岡県", "愛知県", "三重県", "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県",
    "鳥取県", "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

void LoadPrefectures()
{
    g_prefectures.clear();
    if (g_prefectures.capacity() < 50)
        g_prefectures.reserve(50);
    for (int i = 0; i < 47; ++i)
        g_prefectures.push_back(PrefectureEntry{i, Utf8ToCp932(kPrefectureNamesUtf8[i])});
}

namespace {

int TwoDigits(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

// The catalogues' own form, "FG-GML-dddd-dd-dd-...": the prefix holds no digit, so the scan
// below would find the groups at these very places.
std::optional<MeshCode> StandardFormCode(std::string_view name, DemEdition edition)
{
    const bool five = edition == DemEdition::Dem5m;
    const char* n = name.data();
    if (name.size() < (five ? 18u : 15u) || name.substr(0, 7) != "FG-GML-")
        return std::nullopt;
    if (!IsDigit(n[7]) || !IsDigit(n[8]) || !IsDigit(n[9]) || !IsDigit(n[10]) || n[11] != '-' || !IsDigit(n[12]) ||
        !IsDigit(n[13]) || n[14] != '-')
        return std::nullopt;
    if (five && (!IsDigit(n[15]) || !IsDigit(n[16]) || n[17] != '-'))
        return std::nullopt;
    const int code = (TwoDigits(n + 7) * 100 + TwoDigits(n + 9)) * 100 + TwoDigits(n + 12);
    return five ? code * 100 + TwoDigits(n + 15) : code;
}

// Any other name: the first four digits in a row, then "-DD-" groups after them.
std::optional<MeshCode> ScannedCode(std::string_view name, DemEdition edition)
{
    const size_t L = name.size();
    size_t p = 0;
    int first = -1;
    while (first < 0 && p + 5 < L) {
        if (IsDigit(name[p]) && IsDigit(name[p + 1]) && IsDigit(name[p + 2]) && IsDigit(name[p + 3])) {
            first = (name[p] - '0') * 1000 + (name[p + 1] - '0') * 100 + (name[p + 2] - '0') * 10 + (name[p + 3] - '0');
            p += 3;
        }
        ++p;
    }
    if (first < 0)
        return std::nullopt;
    // "-DD-" at or after p; the closing hyphen of one group opens the next.
    auto group = [&](size_t& from) -> int {
        for (size_t q = from; q + 3 < L; ++q)
            if (name[q] == '-' && IsDigit(name[q + 1]) && IsDigit(name[q + 2]) && name[q + 3] == '-') {
                from = q + 3;
                return (name[q + 1] - '0') * 10 + (name[q + 2] - '0');
            }
        return -1;
    };
    const int second = group(p);
    if (second < 0)
        return std::nullopt;
    if (edition == DemEdition::Dem10m)
        return first * 100 + second;
    const int third = group(p);
    if (third < 0)
        return std::nullopt;
    return (first * 100 + second) * 100 + third;
}

} // namespace

std::optional<MeshCode> MeshCodeFromXmlName(std::string_view name, DemEdition edition)
{
    if (const std::optional<MeshCode> code = StandardFormCode(name, edition))
        return code;
    return ScannedCode(name, edition);
}

namespace {
uint64_t g_generation = 0;
}

uint64_t CatalogueGeneration()
{
    return g_generation;
}

void ReadDemCatalogue(DemEdition edition, const unsigned char* content, size_t size, bool namesInPlace)
{
    ++g_generation;
    if (!content || size < 4)
        return;
    const bool ten = edition == DemEdition::Dem10m;
    DemFiles& files = ten ? g_dem10Files : g_dem5Files;
    DemTiles& tiles = ten ? g_dem10Tiles : g_dem5Tiles;
    StringPool& pool = ten ? g_dem10Names : g_dem5Names;
    const size_t records = RecordsInside(ReadInt32(content), size, kCatalogueRecordSize);
    MakeRoom(files, records + 2);
    MakeRoom(tiles, records + 2);
    if (!namesInPlace) {
        // An XML name and its NUL take at most 41 bytes; a ZIP name is shared by a run of
        // records, so this is about the room needed. Should it run out, the pool adds chunks.
        pool.Reserve(records * 41);
    }
    // A ZIP holds the files of one second-level mesh, which follow each other: one copy each.
    PooledString lastZip;
    std::string_view lastZipBytes;
    bool haveZip = false;
    auto copiedZip = [&](std::string_view zip) {
        if (!haveZip || lastZipBytes != zip) {
            lastZip = pool.Add(zip);
            lastZipBytes = lastZip.view();
            haveZip = true;
        }
        return lastZip;
    };
    for (size_t i = 0; i < records; ++i) {
        const unsigned char* r = content + 4 + kCatalogueRecordSize * i;
        const char* xmlField = reinterpret_cast<const char*>(r + 4);
        const char* zipField = reinterpret_cast<const char*>(r + 44);
        DemFileEntry& entry = files.emplace_back();
        entry.prefecture = ReadInt32(r);
        // Names in place are the fields themselves: a field that ends in a NUL holds its name
        // whole. Any other field is copied, cut at its width.
        if (namesInPlace && xmlField[39] == 0)
            entry.xmlName = PooledString(xmlField);
        else
            entry.xmlName = pool.Add(Field(r + 4, 40));
        if (namesInPlace && zipField[31] == 0)
            entry.zipName = PooledString(zipField);
        else
            entry.zipName = copiedZip(Field(r + 44, 32));
        // The catalogues' own form is read from the field as it stands (the places it looks at
        // hold no NUL when it succeeds); anything else by the scan of the name.
        std::optional<MeshCode> code = StandardFormCode({xmlField, 40}, edition);
        if (!code)
            code = ScannedCode(Field(r + 4, 40), edition);
        if (code) {
            DemTile& tile = tiles.emplace_back();
            if (MeshCodeToRect(*code, tile.bounds)) {
                tile.code = *code;
                tile.xmlName = entry.xmlName;
            } else {
                tiles.pop_back();
            }
        }
    }
}

void LoadDemCatalogue(DemEdition edition, HGLOBAL& block, int32_t& blockSize)
{
    const int id = edition == DemEdition::Dem10m ? kResourceDem10 : kResourceDem5;
    if (!InflateResource(static_cast<uint16_t>(id), block, blockSize))
        return;
    const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
    if (!bytes)
        return;
    // The 5 m catalogue is the last resource of the start-up block: rather than copy a million
    // names out of it, its names stay where they are and the block goes with them.
    const bool keep = edition == DemEdition::Dem5m;
    ReadDemCatalogue(edition, bytes, BlockBytes(block, blockSize), keep);
    if (!keep) {
        GlobalUnlock(block);
        return;
    }
    g_dem5Names.Keep(block);
    block = nullptr;
    blockSize = 0;
}

void ClearDemCatalogues()
{
    ++g_generation;
    for (auto* v : {&g_dem10Files, &g_dem5Files})
        DemFiles().swap(*v);
    for (auto* v : {&g_dem10Tiles, &g_dem5Tiles})
        DemTiles().swap(*v);
    g_dem10Names.Clear();
    g_dem5Names.Clear();
}
