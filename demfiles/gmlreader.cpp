#include "demfiles/gmlreader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool Digits(std::string_view s, size_t at, size_t n, int32_t& v)
{
    if (at + n > s.size())
        return false;
    v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    return true;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Whole-text numbers separated by white space, in the C format.
template <typename T> bool Numbers(std::string_view text, T* out, size_t count)
{
    const char* p = text.data();
    const char* end = p + text.size();
    for (size_t i = 0; i < count; ++i) {
        while (p < end && IsSpace(*p))
            ++p;
        if (p < end && *p == '+')
            ++p;
        const auto r = std::from_chars(p, end, out[i]);
        if (r.ec != std::errc() || (r.ptr < end && !IsSpace(*r.ptr)))
            return false;
        if constexpr (std::is_floating_point_v<T>) {
            if (!std::isfinite(out[i]))
                return false;
        }
        p = r.ptr;
    }
    while (p < end && IsSpace(*p))
        ++p;
    return p == end;
}

// yyyymmdd of a plausible date, 0 otherwise.
int32_t PlausibleDate(int32_t y, int32_t m, int32_t d)
{
    return y >= 1990 && y <= 2199 && m >= 1 && m <= 12 && d >= 1 && d <= 31 ? (y * 100 + m) * 100 + d : 0;
}

// "2017-02-02" (what follows the day, a time or a zone, is not looked at).
int32_t IsoDate(std::string_view text)
{
    int32_t y, m, d;
    if (!Digits(text, 0, 4, y) || text.size() < 10 || text[4] != '-' || !Digits(text, 5, 2, m) || text[7] != '-' ||
        !Digits(text, 8, 2, d))
        return 0;
    return PlausibleDate(y, m, d);
}

enum class Encoding { Utf8, ShiftJis };

// The type names of the tuple list in both encodings, and whether the cell keeps its value.
struct TypeName {
    const char* utf8;
    const char* sjis;
    bool keeps;
};
const TypeName kTypes[] = {
    {"地表面", "\x92\x6e\x95\x5c\x96\xca", true},
    {"表層面", "\x95\x5c\x91\x77\x96\xca", true},
    {"海水面", "\x8a\x43\x90\x85\x96\xca", false},
    {"内水面", "\x93\xe0\x90\x85\x96\xca", true},
    {"データなし", "\x83\x66\x81\x5b\x83\x5e\x82\xc8\x82\xb5", false},
    {"その他", "\x82\xbb\x82\xcc\x91\xbc", true},
};

// -1: not a type name; 0: no value; 1: the value counts.
int Classify(std::string_view type, Encoding enc)
{
    for (const TypeName& t : kTypes)
        if (type == (enc == Encoding::Utf8 ? t.utf8 : t.sjis))
            return t.keeps ? 1 : 0;
    return -1;
}

// The value of an attribute of a start tag's text, or nothing.
std::optional<std::string_view> Attribute(std::string_view tag, std::string_view name)
{
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool startsWord = at > 0 && IsSpace(tag[at - 1]);
        size_t p = at + name.size();
        while (p < tag.size() && IsSpace(tag[p]))
            ++p;
        if (startsWord && p < tag.size() && tag[p] == '=') {
            ++p;
            while (p < tag.size() && IsSpace(tag[p]))
                ++p;
            if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
                const size_t close = tag.find(tag[p], p + 1);
                if (close == std::string_view::npos)
                    return std::nullopt;
                return tag.substr(p + 1, close - p - 1);
            }
            return std::nullopt;
        }
        at += name.size();
    }
    return std::nullopt;
}

std::string_view LocalName(std::string_view qname)
{
    const size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

class Reader {
public:
    Reader(std::string_view bytes, DemGrid& grid, std::string& error, int32_t expectWidth = 0, int32_t expectHeight = 0)
        : s_(bytes), g_(grid), error_(error), expectWidth_(expectWidth), expectHeight_(expectHeight)
    {
    }

    bool Run()
    {
        g_ = DemGrid{};
        if (s_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
        if (!Declaration())
            return false;
        bool haveMesh = false, haveGrid = false, haveList = false, haveEnvelope = false;
        bool haveType = false, haveStart = false;
        int32_t devDate = 0, spanDate = 0;
        while (pos_ < s_.size()) {
            const size_t lt = s_.find('<', pos_);
            if (lt == std::string_view::npos)
                break;
            pos_ = lt;
            if (Starts("<!--")) {
                const size_t e = s_.find("-->", pos_ + 4);
                if (e == std::string_view::npos)
                    return Fail("unterminated comment");
                pos_ = e + 3;
                continue;
            }
            if (Starts("<!"))
                return Fail("document type declarations, entities and CDATA sections are not accepted");
            if (Starts("<?")) {
                const size_t e = s_.find("?>", pos_ + 2);
                if (e == std::string_view::npos)
                    return Fail("unterminated processing instruction");
                pos_ = e + 2;
                continue;
            }
            if (Starts("</")) {
                const size_t e = s_.find('>', pos_);
                if (e == std::string_view::npos)
                    return Fail("unterminated end tag");
                pos_ = e + 1;
                continue;
            }
            std::string_view tag;
            if (!StartTag(tag))
                return false;
            const bool empty = !tag.empty() && tag.back() == '/';
            if (empty)
                tag.remove_suffix(1);
            size_t nameEnd = 0;
            while (nameEnd < tag.size() && !IsSpace(tag[nameEnd]))
                ++nameEnd;
            const std::string_view name = LocalName(tag.substr(0, nameEnd));
            if (name == "devDate" || name == "lfSpanFr")
                dateOf_ = name;
            if (name == "Envelope") {
                const auto srs = Attribute(tag, "srsName");
                if (!srs)
                    return Fail("an envelope without srsName");
                if (*srs == "fguuid:jgd2011.bl")
                    g_.datum = DemDatum::Jgd2011;
                else if (*srs == "fguuid:jgd2024.bl")
                    g_.datum = DemDatum::Jgd2024;
                else if (*srs == "fguuid:jgd2000.bl")
                    g_.datum = DemDatum::Jgd2000;
                else
                    return Fail("unknown coordinate system " + std::string(*srs));
                haveEnvelope = true;
                continue;
            }
            if (name == "sequenceRule") {
                const auto order = Attribute(tag, "order");
                if (order && *order != "+x-y")
                    return Fail("cell order " + std::string(*order) + " is not +x-y");
            }
            if (empty)
                continue;
            if (name == "tupleList") {
                if (haveList)
                    return Fail("two tuple lists");
                if (!haveGrid)
                    return Fail("a tuple list before the grid envelope");
                if (!Tuples())
                    return false;
                haveList = true;
                continue;
            }
            // Texts of the elements read; other elements are passed over.
            const bool wanted = name == "mesh" || name == "type" || name == "lowerCorner" || name == "upperCorner" ||
                                name == "low" || name == "high" || name == "startPoint" || name == "timePosition";
            if (!wanted)
                continue;
            std::string_view text;
            if (!Text(text))
                return false;
            if (name == "mesh" && !haveMesh) {
                if (!Numbers(text, &g_.mesh, 1) || g_.mesh <= 0)
                    return Fail("mesh is not a code");
                haveMesh = true;
            } else if (name == "type" && !haveType) {
                g_.type = std::string(text);
                haveType = true;
            } else if (name == "lowerCorner") {
                if (!Numbers(text, g_.lower, 2))
                    return Fail("lowerCorner is not two numbers");
            } else if (name == "upperCorner") {
                if (!Numbers(text, g_.upper, 2))
                    return Fail("upperCorner is not two numbers");
            } else if (name == "low") {
                int32_t low[2];
                if (!Numbers(text, low, 2) || low[0] != 0 || low[1] != 0)
                    return Fail("the grid's low corner is not 0 0");
            } else if (name == "high") {
                if (haveGrid)
                    return Fail("two grid envelopes");
                int32_t high[2];
                if (!Numbers(text, high, 2) || high[0] < 0 || high[1] < 0 || high[0] >= 65535 || high[1] >= 65535)
                    return Fail("the grid's high corner is not two sizes");
                const int64_t cells = (int64_t{high[0]} + 1) * (int64_t{high[1]} + 1);
                if (cells > kMaxGridCells)
                    return Fail("the grid is too large");
                g_.width = high[0] + 1;
                g_.height = high[1] + 1;
                // Known before the cells are allocated: a small file cannot claim a large grid.
                if (expectWidth_ && (g_.width != expectWidth_ || g_.height != expectHeight_))
                    return Fail("the grid " + std::to_string(g_.width) + " x " + std::to_string(g_.height) +
                                " does not match the name");
                haveGrid = true;
            } else if (name == "timePosition") {
                if (dateOf_ == "devDate" && !devDate)
                    devDate = IsoDate(text);
                else if (dateOf_ == "lfSpanFr" && !spanDate)
                    spanDate = IsoDate(text);
                dateOf_ = {};
            } else if (name == "startPoint") {
                int32_t start[2];
                if (haveStart || !Numbers(text, start, 2))
                    return Fail("startPoint is not two cell numbers");
                g_.startX = start[0];
                g_.startY = start[1];
                haveStart = true;
            }
        }
        if (!haveMesh || !haveGrid || !haveList || !haveEnvelope)
            return Fail(!haveMesh ? "no mesh" : !haveGrid ? "no grid envelope" : !haveList ? "no tuple list" : "no envelope");
        g_.date = devDate ? devDate : spanDate;
        return Place();
    }

private:
    bool Fail(const std::string& message)
    {
        error_ = message;
        return false;
    }

    bool Starts(std::string_view prefix) const { return s_.compare(pos_, prefix.size(), prefix) == 0; }

    // <?xml version="1.0" encoding="..."?>, when it is there.
    bool Declaration()
    {
        if (!Starts("<?xml"))
            return true;
        const size_t e = s_.find("?>", pos_);
        if (e == std::string_view::npos)
            return Fail("unterminated XML declaration");
        const std::string_view decl = s_.substr(pos_, e - pos_);
        pos_ = e + 2;
        const auto enc = Attribute(decl, "encoding");
        if (!enc || EqualNoCase(*enc, "UTF-8") || EqualNoCase(*enc, "UTF8")) {
            enc_ = Encoding::Utf8;
            return true;
        }
        for (const char* sj : {"Shift_JIS", "Shift-JIS", "SJIS", "x-sjis", "Windows-31J", "CP932", "MS_Kanji"})
            if (EqualNoCase(*enc, sj)) {
                enc_ = Encoding::ShiftJis;
                return true;
            }
        return Fail("unsupported encoding " + std::string(*enc));
    }

    // The text between '<' and '>' of a start tag, quotes respected; pos_ after it.
    bool StartTag(std::string_view& tag)
    {
        size_t p = pos_ + 1;
        char quote = 0;
        for (; p < s_.size(); ++p) {
            const char c = s_[p];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            } else if (c == '<') {
                return Fail("'<' inside a tag");
            }
        }
        if (p >= s_.size())
            return Fail("unterminated start tag");
        tag = s_.substr(pos_ + 1, p - pos_ - 1);
        if (tag.empty() || IsSpace(tag[0]))
            return Fail("a tag without a name");
        pos_ = p + 1;
        return true;
    }

    // Character data up to the next tag, which must be an end tag. References are not
    // expanded: an '&' in a text read here is refused.
    bool Text(std::string_view& text)
    {
        const size_t lt = s_.find('<', pos_);
        if (lt == std::string_view::npos || s_.compare(lt, 2, "</") != 0)
            return Fail("an element read as text holds other elements");
        text = s_.substr(pos_, lt - pos_);
        if (text.find('&') != std::string_view::npos)
            return Fail("references are not accepted in values");
        pos_ = lt;
        text = Trim(text);
        return true;
    }

    // "type,value" lines into the grid from its first cell on; Place moves them to the start point.
    bool Tuples()
    {
        const size_t cells = static_cast<size_t>(g_.width) * static_cast<size_t>(g_.height);
        g_.values.assign(cells, kNoData);
        const size_t lt = s_.find('<', pos_);
        if (lt == std::string_view::npos || s_.compare(lt, 2, "</") != 0)
            return Fail("unterminated tuple list");
        const char* p = s_.data() + pos_;
        const char* const end = s_.data() + lt;
        pos_ = lt;
        float* out = g_.values.data();
        size_t n = 0;
        std::string_view lastType;
        int lastClass = -1;
        for (;;) {
            while (p < end && IsSpace(*p))
                ++p;
            if (p == end)
                break;
            const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(end - p)));
            if (!comma)
                return Fail("a tuple without a comma");
            const std::string_view type(p, static_cast<size_t>(comma - p));
            if (type != lastType) {
                lastClass = Classify(type, enc_);
                if (lastClass < 0)
                    return Fail("unknown cell type in tuple " + std::to_string(n + 1));
                lastType = type;
            }
            p = comma + 1;
            float v;
            const auto r = std::from_chars(p, end, v);
            if (r.ec != std::errc() || (r.ptr < end && !IsSpace(*r.ptr)) || !std::isfinite(v))
                return Fail("tuple " + std::to_string(n + 1) + " has no number");
            p = r.ptr;
            if (n == cells)
                return Fail("more tuples than cells");
            out[n++] = lastClass == 1 && v != kNoData ? v : kNoData;
        }
        g_.tuples = n;
        return true;
    }

    bool Place()
    {
        if (g_.startX < 0 || g_.startY < 0 || g_.startX >= g_.width || g_.startY >= g_.height)
            return Fail("the start point lies outside the grid");
        const size_t start = static_cast<size_t>(g_.startY) * static_cast<size_t>(g_.width) + static_cast<size_t>(g_.startX);
        if (start + g_.tuples > g_.values.size())
            return Fail("more tuples than cells after the start point");
        if (start > 0 && g_.tuples > 0) {
            std::memmove(g_.values.data() + start, g_.values.data(), g_.tuples * sizeof(float));
            std::fill(g_.values.begin(), g_.values.begin() + static_cast<std::ptrdiff_t>(std::min(start, g_.tuples)), kNoData);
        }
        return true;
    }

    std::string_view s_;
    DemGrid& g_;
    std::string& error_;
    size_t pos_ = 0;
    Encoding enc_ = Encoding::Utf8;
    std::string_view dateOf_;  // the element whose timePosition comes next
    int32_t expectWidth_ = 0, expectHeight_ = 0;
};

} // namespace

const char* KindName(DemKind k)
{
    switch (k) {
    case DemKind::Dem1A: return "DEM1A";
    case DemKind::Dem5A: return "DEM5A";
    case DemKind::Dem5B: return "DEM5B";
    case DemKind::Dem5C: return "DEM5C";
    case DemKind::Dem10A: return "DEM10A";
    case DemKind::Dem10B: return "DEM10B";
    }
    return "";
}

const char* EditionOf(DemKind k)
{
    return k == DemKind::Dem1A ? "1m" : IsFiveMeter(k) ? "5m" : "10m";
}

const char* DatumName(DemDatum d)
{
    switch (d) {
    case DemDatum::Jgd2000: return "JGD2000";
    case DemDatum::Jgd2011: return "JGD2011";
    case DemDatum::Jgd2024: return "JGD2024";
    }
    return "";
}

std::optional<DemName> ParseDemName(std::string_view s)
{
    const size_t slash = s.find_last_of("/\\");
    if (slash != std::string_view::npos)
        s = s.substr(slash + 1);
    if (s.size() < 7 || !EqualNoCase(s.substr(0, 7), "FG-GML-"))
        return std::nullopt;
    // The code: groups of digits joined by '-', up to the kind; 6 or 8 digits in all.
    size_t at = 7;
    int32_t code = 0, digits = 0;
    for (;;) {
        size_t n = 0;
        while (at + n < s.size() && s[at + n] >= '0' && s[at + n] <= '9')
            ++n;
        if (n == 0 || at + n >= s.size() || s[at + n] != '-')
            break;
        if (!((digits == 0 && (n == 4 || n == 6 || n == 8)) || (digits == 4 && n == 2) || (digits == 6 && n == 2)))
            return std::nullopt;
        int32_t v;
        Digits(s, at, n, v);
        for (size_t i = 0; i < n; ++i)
            code *= 10;
        code += v;
        digits += static_cast<int32_t>(n);
        at += n + 1;
    }
    if (digits != 6 && digits != 8)
        return std::nullopt;
    DemName name;
    name.mesh = code;
    const std::string_view rest = s.substr(at);
    auto kindIs = [&](std::string_view k) {
        if (rest.size() < k.size() || !EqualNoCase(rest.substr(0, k.size()), k))
            return false;
        if (rest.size() == k.size())
            return true;
        const char c = rest[k.size()];
        return c == '-' || c == '.' || c == '_' || c == ' ';
    };
    if (kindIs("DEM1A"))
        name.kind = DemKind::Dem1A;
    else if (kindIs("DEM5A"))
        name.kind = DemKind::Dem5A;
    else if (kindIs("DEM5B"))
        name.kind = DemKind::Dem5B;
    else if (kindIs("DEM5C"))
        name.kind = DemKind::Dem5C;
    else if (kindIs("DEM10A"))
        name.kind = DemKind::Dem10A;
    else if (kindIs("DEM10B"))
        name.kind = DemKind::Dem10B;
    else
        return std::nullopt;
    // A 10 m file has a second-level code; an 8-digit code names a 1 m or 5 m file.
    if (!IsThirdLevel(name.kind) && name.mesh >= 1000000)
        return std::nullopt;
    return name;
}

int32_t NameDate(std::string_view s)
{
    const size_t slash = s.find_last_of("/\\");
    if (slash != std::string_view::npos)
        s = s.substr(slash + 1);
    int32_t found = 0;
    size_t at = 0;
    while (at < s.size()) {
        size_t end = at;
        while (end < s.size() && s[end] != '-' && s[end] != '_' && s[end] != '.' && s[end] != ' ')
            ++end;
        int32_t y, m, d;
        if (end - at == 8 && Digits(s, at, 4, y) && Digits(s, at + 4, 2, m) && Digits(s, at + 6, 2, d))
            if (const int32_t date = PlausibleDate(y, m, d))
                found = date;
        at = end + 1;
    }
    return found;
}

int32_t DemXmlDate(std::string_view head)
{
    for (std::string_view element : {"devDate", "lfSpanFr"}) {
        size_t at = head.find(element);
        if (at == std::string_view::npos)
            continue;
        at = head.find("timePosition", at);
        if (at == std::string_view::npos)
            continue;
        at = head.find('>', at);
        if (at == std::string_view::npos)
            continue;
        if (const int32_t date = IsoDate(Trim(head.substr(at + 1, 40))))
            return date;
    }
    return 0;
}

bool ReadDemXml(std::string_view bytes, DemGrid& grid, std::string& error)
{
    Reader reader(bytes, grid, error);
    return reader.Run();
}

void ExpectedGrid(DemKind kind, int32_t& width, int32_t& height)
{
    width = IsFiveMeter(kind) ? 225 : 1125;
    height = IsFiveMeter(kind) ? 150 : 750;
}

bool ReadNamedDemXml(std::string_view bytes, const DemName& name, DemGrid& grid, std::string& error)
{
    int32_t w, h;
    ExpectedGrid(name.kind, w, h);
    Reader reader(bytes, grid, error, w, h);
    if (!reader.Run())
        return false;
    if (IsThirdLevel(name.kind) && name.mesh < 10000000) {
        error = std::string("a ") + (name.kind == DemKind::Dem1A ? "1" : "5") + " m XML file's name needs an 8-digit mesh code";
        return false;
    }
    if (grid.mesh != name.mesh) {
        error = "the mesh " + std::to_string(grid.mesh) + " does not match the name";
        return false;
    }
    return true;
}

bool MeshSquareCells(int32_t mesh, MeshCells& c)
{
    const bool fine = mesh >= 10000000 && mesh <= 99999999;
    if (!fine && (mesh < 100000 || mesh > 999999))
        return false;
    const int32_t second = fine ? mesh / 100 : mesh;
    const int32_t p = second / 10000, u = second / 100 % 100, q = second / 10 % 10, v = second % 10;
    if (q > 7 || v > 7)
        return false;
    // A first-level square is 1 degree by 40 minutes, a second-level one an eighth of that.
    c.x0 = int64_t{u + 100} * kCellsPerDegree + int64_t{v} * 11250;
    c.y0 = int64_t{p} * 60000 + int64_t{q} * 7500;
    c.width = 11250;
    c.height = 7500;
    if (fine) {
        const int32_t r = mesh / 10 % 10, w = mesh % 10;
        c.x0 += int64_t{w} * 1125;
        c.y0 += int64_t{r} * 750;
        c.width = 1125;
        c.height = 750;
    }
    return true;
}
