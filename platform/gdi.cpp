#include "platform/gdi.h"

#include "platform/qtext.h"
#include "platform/resources.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// Outlines are shared between both cores from this many on a frame of a million pixels or more.
constexpr size_t kShareFromRectangles = 20000;
constexpr int64_t kSharePixels = 1 << 20;
// Framed texts (a tile's outline and its code) from this many on such a frame.
constexpr size_t kShareFromFramedTexts = 200;
// Line segments in one colour from this many.
constexpr size_t kShareFromSegments = 2000;

// A hollow outline as Rectangle writes it with a one-pixel pen, only its pixels inside band
// (device coordinates).
void Outline(uint32_t* bits, qsizetype stride, POINT origin, const RECT& rect, const RECT& band, uint32_t pixel)
{
    int left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (right <= left || bottom <= top)
        return;
    const int l = left - origin.x, r = right - 1 - origin.x;
    const int t = top - origin.y, b = bottom - 1 - origin.y;
    if (r < band.left || l >= band.right || b < band.top || t >= band.bottom)
        return;
    const int x0 = std::max(l, band.left), x1 = std::min(r + 1, band.right);
    if (t >= band.top)
        std::fill(bits + t * stride + x0, bits + t * stride + x1, pixel);
    if (b < band.bottom && b != t)
        std::fill(bits + b * stride + x0, bits + b * stride + x1, pixel);
    const int y0 = std::max(t + 1, band.top), y1 = std::min(b, band.bottom);
    const bool west = l >= band.left, east = r < band.right;
    uint32_t* row = bits + static_cast<qsizetype>(y0) * stride;
    for (int y = y0; y < y1; ++y, row += stride) {
        if (west)
            row[l] = pixel;
        if (east)
            row[r] = pixel;
    }
}

// fn(clip), or, for count items of at least shareFrom on a clip of a million pixels or more,
// fn(upper band) here and fn(lower band) on the other core; done on return either way.
template <typename Fn>
void InBands(size_t count, size_t shareFrom, const RECT& clip, Fn&& fn)
{
    if (count < shareFrom || int64_t{clip.right - clip.left} * (clip.bottom - clip.top) < kSharePixels ||
        std::thread::hardware_concurrency() < 2) {
        fn(clip);
        return;
    }
    const int middle = clip.top + (clip.bottom - clip.top) / 2;
    const RECT upper{clip.left, clip.top, clip.right, middle}, lower{clip.left, middle, clip.right, clip.bottom};
    std::thread other;
    try {
        other = std::thread([&] { fn(lower); });
    } catch (const std::system_error&) {
        fn(lower);  // no thread to be had
    }
    fn(upper);
    if (other.joinable())
        other.join();
}

// A one-pixel line from (x0, y0) up to but not including (x1, y1), device coordinates, only
// its pixels inside clip.
void ThinLinePixels(uint32_t* bits, qsizetype stride, int x0, int y0, int x1, int y1, uint32_t pixel, const RECT& clip)
{
    // Device coordinates. Pixels i = 0 .. n - 1 along the major axis: the end pixel is excluded.
    const int64_t dx = static_cast<int64_t>(x1) - x0;
    const int64_t dy = static_cast<int64_t>(y1) - y0;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const int64_t n = xMajor ? adx : ady;
    if (n == 0)
        return;
    if (dy == 0) {
        if (y0 < clip.top || y0 >= clip.bottom)
            return;
        const int left = std::max(sx > 0 ? x0 : x1 + 1, clip.left), right = std::min(sx > 0 ? x1 : x0 + 1, clip.right);
        if (left < right)
            std::fill(bits + static_cast<qsizetype>(y0) * stride + left, bits + static_cast<qsizetype>(y0) * stride + right,
                      pixel);
        return;
    }
    // Limit i to the part of the major axis that lies inside the clip box.
    const int64_t major0 = xMajor ? x0 : y0;
    const int s = xMajor ? sx : sy;
    const int64_t lo = xMajor ? clip.left : clip.top;
    const int64_t hi = xMajor ? clip.right : clip.bottom;
    int64_t iFirst, iEnd;
    if (s > 0) {
        iFirst = lo - major0;
        iEnd = hi - major0;
    } else {
        iFirst = major0 - hi + 1;
        iEnd = major0 - lo + 1;
    }
    iFirst = std::max<int64_t>(iFirst, 0);
    iEnd = std::min<int64_t>(iEnd, n);
    if (iFirst >= iEnd)
        return;
    // The minor step of pixel i is (2 i m + n) / (2 n), rounded down; from the first pixel on,
    // its quotient and remainder are carried instead of dividing for every pixel (2 m <= 2 n).
    const int64_t minorDelta = xMajor ? ady : adx;
    const int64_t twoN = 2 * n, twoM = 2 * minorDelta;
    const int64_t start = 2 * iFirst * minorDelta + n;
    int64_t minorStep = start / twoN, rest = start % twoN;
    const int64_t minor0 = xMajor ? y0 : x0, minorLo = xMajor ? clip.top : clip.left,
                  minorHi = xMajor ? clip.bottom : clip.right;
    const int sMinor = xMajor ? sy : sx;
    for (int64_t i = iFirst; i < iEnd; ++i) {
        const int64_t major = major0 + s * i, minor = minor0 + sMinor * minorStep;
        if (minor >= minorLo && minor < minorHi) {
            if (xMajor)
                bits[minor * stride + major] = pixel;
            else
                bits[major * stride + minor] = pixel;
        }
        rest += twoM;
        if (rest >= twoN) {
            rest -= twoN;
            ++minorStep;
        }
    }
}

} // namespace

QString MapFaceName(std::string_view face)
{
    const std::string f(face);
    // The Japanese gothic faces map to the free faces designed to match them: fixed-pitch
    // "MS Gothic" to IPAGothic, the proportional and dialog faces to IPAPGothic.
    static const char* const gothic[] = {"MS gothic", "System", ""};
    static const char* const proportional[] = {"MS UI Gothic", "MS Shell Dlg", "MS Shell Dlg 2", "MS PGothic"};
    for (const char* g : gothic)
        if (strcasecmp(f.c_str(), g) == 0)
            return QStringLiteral("IPAGothic");
    for (const char* g : proportional)
        if (strcasecmp(f.c_str(), g) == 0)
            return QStringLiteral("IPAPGothic");
    const QString decoded = QStringFromCp932(f);
    if (decoded == QStringLiteral("ＭＳ ゴシック"))
        return QStringLiteral("IPAGothic");
    if (decoded == QStringLiteral("ＭＳ Ｐゴシック"))
        return QStringLiteral("IPAPGothic");
    return decoded;
}

bool CPen::CreatePen(int style, int width, COLORREF color)
{
    m_style = style;
    m_width = std::max(1, width);
    m_color = color;
    m_valid = true;
    return true;
}

bool CBrush::CreateSolidBrush(COLORREF color)
{
    m_hollow = false;
    m_color = color;
    m_valid = true;
    return true;
}

bool CBrush::CreateHollow()
{
    m_hollow = true;
    m_valid = true;
    return true;
}

bool CFont::CreateFontIndirect(const LOGFONTA* lf)
{
    if (!lf)
        return false;
    m_lf = *lf;
    m_lf.lfFaceName[sizeof m_lf.lfFaceName - 1] = 0;
    QFont font(MapFaceName(m_lf.lfFaceName));
    // A negative height is the character height (em) in pixels; a positive one the cell height,
    // of which the em of a gothic face is about seven eighths.
    int pixels = 16;
    if (m_lf.lfHeight < 0)
        pixels = -m_lf.lfHeight;
    else if (m_lf.lfHeight > 0)
        pixels = std::max(1, m_lf.lfHeight * 7 / 8);
    font.setPixelSize(std::max(1, pixels));
    if (m_lf.lfWeight >= 100 && m_lf.lfWeight <= 900)
        font.setWeight(static_cast<QFont::Weight>(m_lf.lfWeight));
    font.setItalic(m_lf.lfItalic != 0);
    font.setUnderline(m_lf.lfUnderline != 0);
    font.setStrikeOut(m_lf.lfStrikeOut != 0);
    font.setStyleHint(QFont::TypeWriter);
    m_font = font;
    m_metrics.reset();
    ClearLayouts();
    m_valid = true;
    return true;
}

void CFont::SetQFont(const QFont& font)
{
    m_font = font;
    m_metrics.reset();
    ClearLayouts();
    m_valid = true;
}

void CFont::ClearLayouts()
{
    m_layouts.clear();
    m_stamps.Clear();
    m_stampColors.clear();
}

bool CFont::StampsDrawAsQt(uint32_t color, const Layout& layout) const
{
    if (!layout.stamped)
        return false;
    auto it = m_stampColors.find(color);
    if (it == m_stampColors.end()) {
        // The digits and the text at hand, over a patterned background.
        const Layout digits = MakeLayout("0123456789");
        const bool same = (!digits.stamped || ::StampsDrawAsQt(digits.runs, digits.stamps, color, QImage::Format_RGB32)) &&
                          (layout.stamps.empty() ||
                           ::StampsDrawAsQt(layout.runs, layout.stamps, color, QImage::Format_RGB32));
        it = m_stampColors.emplace(color, same).first;
    }
    return it->second;
}

const QFontMetrics& CFont::Metrics() const
{
    if (!m_metrics)
        m_metrics = std::make_unique<QFontMetrics>(m_font);
    return *m_metrics;
}

const CFont::Layout& CFont::LayoutOf(std::string_view cp932) const
{
    auto it = m_layouts.find(cp932);
    if (it != m_layouts.end())
        return it->second;
    return m_layouts.emplace(std::string(cp932), MakeLayout(cp932)).first->second;
}

void CFont::TrimLayouts() const
{
    // Tile codes come and go as the map is panned; the names are a few thousand. The stamps are
    // a few per glyph of the face, but layouts point into them.
    if (m_layouts.size() > 50000)
        m_layouts.clear();
    if (m_stamps.Size() > 20000) {
        m_layouts.clear();
        m_stamps.Clear();
    }
}

CFont::Layout CFont::MakeLayout(std::string_view cp932) const
{
    const QString text = QStringFromCp932(cp932);
    Layout layout;
    layout.width = Metrics().horizontalAdvance(text);
    QTextLayout lines(text, m_font);
    lines.beginLayout();
    QTextLine line = lines.createLine();
    lines.endLayout();
    if (line.isValid()) {
        layout.runs = lines.glyphRuns();
        // Placed from the pen position on the baseline, not from the layout's top-left corner.
        const QPointF baseline(line.x(), line.ascent());
        for (QGlyphRun& run : layout.runs) {
            QList<QPointF> at = run.positions();
            for (QPointF& p : at)
                p -= baseline;
            run.setPositions(at);
        }
        layout.stamped = m_stamps.Place(layout.runs, layout.stamps);
    }
    return layout;
}

bool CBitmap::CreateCompatibleBitmap(CDC*, int width, int height)
{
    m_image = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    if (m_image.isNull())
        return false;
    m_image.fill(0xFF000000u);
    m_valid = true;
    return true;
}

bool CBitmap::CreateFromImage(const QImage& image)
{
    if (image.isNull())
        return false;
    m_image = image.convertToFormat(QImage::Format_RGB32);
    m_valid = !m_image.isNull();
    return m_valid;
}

bool CBitmap::LoadBitmap(int id)
{
    return CreateFromImage(LoadBitmapResource(id));
}

int CBitmap::GetBitmap(BITMAP* out) const
{
    if (!m_valid || m_image.isNull() || !out)
        return 0;
    out->bmType = 0;
    out->bmWidth = m_image.width();
    out->bmHeight = m_image.height();
    out->bmWidthBytes = static_cast<int32_t>(m_image.bytesPerLine());
    out->bmPlanes = 1;
    out->bmBitsPixel = 32;
    return sizeof(BITMAP);
}

CBrush* StockBrush(int which)
{
    static CBrush white(RGB(255, 255, 255));
    static CBrush hollow = [] {
        CBrush b;
        b.CreateHollow();
        return b;
    }();
    return which == NULL_BRUSH ? &hollow : &white;
}

CPen* StockPen(int which)
{
    static CPen black(PS_SOLID, 1, RGB(0, 0, 0));
    static CPen none(PS_NULL, 1, RGB(0, 0, 0));
    return which == NULL_PEN ? &none : &black;
}

CFont* StockFont(int)
{
    // The context's default font: the gothic face at a plain 16-pixel character height.
    static CFont font = [] {
        CFont f;
        LOGFONTA lf;
        lf.lfHeight = -16;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = SHIFTJIS_CHARSET;
        std::strcpy(lf.lfFaceName, "MS gothic");
        f.CreateFontIndirect(&lf);
        return f;
    }();
    return &font;
}

CGdiObject* GetStockObject(int which)
{
    switch (which) {
    case WHITE_BRUSH:
    case NULL_BRUSH:
        return StockBrush(which);
    case BLACK_PEN:
    case NULL_PEN:
        return StockPen(which);
    default:
        return StockFont(which);
    }
}

CDC::CDC() : m_pen(StockPen(BLACK_PEN)), m_brush(StockBrush(WHITE_BRUSH)), m_font(StockFont(SYSTEM_FONT)) {}

CDC::CDC(QImage* surface) : CDC()
{
    m_target = surface;
}

CDC::~CDC()
{
    EndPainter();
}

bool CDC::CreateCompatibleDC(CDC*)
{
    EndPainter();
    m_memory = true;
    m_target = nullptr;
    m_defaultBitmap.CreateCompatibleBitmap(nullptr, 1, 1);
    m_bitmap = &m_defaultBitmap;
    return true;
}

void CDC::DeleteDC()
{
    EndPainter();
    m_bitmap = nullptr;
    m_target = nullptr;
}

QImage* CDC::Surface() const
{
    if (m_memory)
        return m_bitmap ? &m_bitmap->Image() : nullptr;
    return m_target;
}

bool CDC::GetPixels(Pixels* out)
{
    QImage* s = Surface();
    if (!s || s->isNull() || s->depth() != 32)
        return false;
    EndPainter();
    out->bits = Row(0);
    out->stride = m_stride / 4;
    out->clip = DeviceClip();
    out->origin = m_origin;
    return true;
}

CPen* CDC::SelectObject(CPen* pen)
{
    CPen* old = m_pen;
    if (pen)
        m_pen = pen;
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    CBrush* old = m_brush;
    if (brush)
        m_brush = brush;
    return old;
}

CFont* CDC::SelectObject(CFont* font)
{
    CFont* old = m_font;
    if (font)
        m_font = font;
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    if (!m_memory || !bitmap)
        return nullptr;
    EndPainter();
    CBitmap* old = m_bitmap;
    m_bitmap = bitmap;
    return old;
}

CGdiObject* CDC::SelectStockObject(int which)
{
    switch (which) {
    case WHITE_BRUSH:
    case NULL_BRUSH:
        return SelectObject(StockBrush(which));
    case BLACK_PEN:
    case NULL_PEN:
        return SelectObject(StockPen(which));
    default:
        return SelectObject(StockFont(which));
    }
}

RECT CDC::DeviceClip() const
{
    RECT r;
    if (const QImage* s = Surface()) {
        r.right = s->width();
        r.bottom = s->height();
    }
    if (m_hasDeviceClip) {
        r.left = std::max(r.left, m_deviceClip.left);
        r.top = std::max(r.top, m_deviceClip.top);
        r.right = std::min(r.right, m_deviceClip.right);
        r.bottom = std::min(r.bottom, m_deviceClip.bottom);
    }
    return r;
}

void CDC::SetDeviceClip(const RECT& r)
{
    EndPainter();
    m_hasDeviceClip = true;
    m_deviceClip = r;
}

int CDC::GetClipBox(RECT* r) const
{
    RECT c = DeviceClip();
    c.left += m_origin.x;
    c.right += m_origin.x;
    c.top += m_origin.y;
    c.bottom += m_origin.y;
    if (r)
        *r = c;
    return (c.right > c.left && c.bottom > c.top) ? SIMPLEREGION : NULLREGION;
}

POINT CDC::SetWindowOrg(int x, int y)
{
    POINT old = m_origin;
    m_origin = {x, y};
    return old;
}

QPainter* CDC::Painter()
{
    QImage* s = Surface();
    if (!s || s->isNull())
        return nullptr;
    if (m_painter && m_painterSurface != s)
        EndPainter();
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(s);
        m_painterSurface = s;
        m_painterSet = false;
    }
    // Clip and transform are set again only when they changed: a frame draws thousands of texts.
    const RECT c = DeviceClip();
    if (!m_painterSet || !(c == m_painterClip) || !(m_origin == m_painterOrigin)) {
        m_painter->resetTransform();
        m_painter->setClipRect(QRect(c.left, c.top, c.right - c.left, c.bottom - c.top));
        m_painter->translate(-m_origin.x, -m_origin.y);
        m_painter->setRenderHint(QPainter::Antialiasing, false);
        m_painterSet = true;
        m_painterClip = c;
        m_painterOrigin = m_origin;
    }
    return m_painter.get();
}

uint32_t* CDC::Row(int r)
{
    QImage* s = Surface();
    if (s != m_bitsSurface || !m_bits) {
        m_bitsSurface = s;
        m_bits = s->bits();
        m_stride = s->bytesPerLine();
    }
    return reinterpret_cast<uint32_t*>(m_bits + r * m_stride);
}

void CDC::EndPainter()
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    m_painterSurface = nullptr;
}

void CDC::HLine(int x0, int x1, int y, uint32_t pixel, const RECT& clip)
{
    if (y < clip.top || y >= clip.bottom)
        return;
    x0 = std::max(x0, clip.left);
    x1 = std::min(x1, clip.right);
    if (x0 >= x1)
        return;
    uint32_t* row = Row(y);
    std::fill(row + x0, row + x1, pixel);
}

void CDC::ThinLine(int x0, int y0, int x1, int y1, uint32_t pixel, const RECT& clip)
{
    uint32_t* const bits = Row(0);  // sets m_stride
    ThinLinePixels(bits, m_stride / 4, x0, y0, x1, y1, pixel, clip);
}

void CDC::Segments(const POINT* ends, size_t count)
{
    if (count == 0)
        return;
    if (!Surface() || !m_pen->IsValid() || m_pen->Style() == PS_NULL || m_pen->Width() > 1) {
        for (size_t i = 0; i < count; ++i) {
            MoveTo(ends[2 * i].x, ends[2 * i].y);
            LineTo(ends[2 * i + 1].x, ends[2 * i + 1].y);
        }
        return;
    }
    m_pos = ends[2 * count - 1];
    EndPainter();
    const uint32_t pixel = PixelOf(m_pen->Color());
    const RECT clip = DeviceClip();
    uint32_t* const bits = Row(0);
    const qsizetype stride = m_stride / 4;
    const POINT origin = m_origin;
    const auto draw = [=](const RECT& band) {
        for (size_t i = 0; i < count; ++i)
            ThinLinePixels(bits, stride, ends[2 * i].x - origin.x, ends[2 * i].y - origin.y, ends[2 * i + 1].x - origin.x,
                           ends[2 * i + 1].y - origin.y, pixel, band);
    };
    // Many lines of a large frame: the lower rows on the other core. One colour, so the order of
    // the lines does not matter, and each line's pixels do not depend on the clip.
    InBands(count, kShareFromSegments, clip, draw);
}

POINT CDC::MoveTo(int x, int y)
{
    POINT old = m_pos;
    m_pos = {x, y};
    return old;
}

bool CDC::LineTo(int x, int y)
{
    const POINT from = m_pos;
    m_pos = {x, y};
    if (!Surface() || !m_pen->IsValid() || m_pen->Style() == PS_NULL)
        return true;
    if (m_pen->Width() <= 1) {
        EndPainter();
        ThinLine(from.x - m_origin.x, from.y - m_origin.y, x - m_origin.x, y - m_origin.y, PixelOf(m_pen->Color()),
                 DeviceClip());
        return true;
    }
    if (QPainter* p = Painter()) {
        QPen pen(QColor(GetRValue(m_pen->Color()), GetGValue(m_pen->Color()), GetBValue(m_pen->Color())));
        pen.setWidth(m_pen->Width());
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        p->setPen(pen);
        p->drawLine(from.x, from.y, x, y);
    }
    return true;
}

void CDC::FillSolidRect(const RECT& r, COLORREF color)
{
    if (!Surface())
        return;
    const RECT clip = DeviceClip();
    const int left = std::max<int>(r.left - m_origin.x, clip.left);
    const int right = std::min<int>(r.right - m_origin.x, clip.right);
    const int top = std::max<int>(r.top - m_origin.y, clip.top);
    const int bottom = std::min<int>(r.bottom - m_origin.y, clip.bottom);
    if (left >= right || top >= bottom)
        return;
    const uint32_t pixel = PixelOf(color);
    if (m_painter) {
        // Keep a painter that text drawing has open; filling through it is as exact.
        m_painter->resetTransform();
        m_painter->setClipping(false);
        m_painterSet = false;
        m_painter->fillRect(QRect(left, top, right - left, bottom - top), QColor::fromRgb(pixel));
        return;
    }
    for (int y = top; y < bottom; ++y)
        HLine(left, right, y, pixel, clip);
}

bool CDC::Rectangle(int left, int top, int right, int bottom)
{
    if (!Surface())
        return false;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const bool pen = m_pen->IsValid() && m_pen->Style() != PS_NULL;
    if (pen && m_pen->Width() > 1) {
        if (QPainter* p = Painter()) {
            ApplyPenAndBrush(p);
            const int w = m_pen->Width();
            p->drawRect(QRect(left + w / 2, top + w / 2, right - left - w, bottom - top - w));
        }
        return true;
    }
    // The outline is written straight into the pixels; an open painter (the text drawn between
    // rectangles) stays open, as its drawing is done by the time each call returns.
    if (!m_brush->IsHollow() && m_brush->IsValid()) {
        // Without a pen the filled area is one pixel smaller, as the window system does it.
        const RECT inner = pen ? RECT{left + 1, top + 1, right - 1, bottom - 1} : RECT{left, top, right - 1, bottom - 1};
        FillSolidRect(inner, m_brush->Color());
    }
    if (pen && right > left && bottom > top) {
        const uint32_t pixel = PixelOf(m_pen->Color());
        const RECT clip = DeviceClip();
        const int l = left - m_origin.x, r = right - 1 - m_origin.x;
        const int t = top - m_origin.y, b = bottom - 1 - m_origin.y;
        HLine(l, r + 1, t, pixel, clip);
        HLine(l, r + 1, b, pixel, clip);
        const int y0 = std::max(t + 1, clip.top), y1 = std::min(b, clip.bottom);
        if (y0 < y1) {
            uint32_t* row = Row(y0);
            const bool left = l >= clip.left && l < clip.right, right = r >= clip.left && r < clip.right;
            for (int y = y0; y < y1; ++y, row += m_stride / 4) {
                if (left)
                    row[l] = pixel;
                if (right)
                    row[r] = pixel;
            }
        }
    }
    return true;
}

void CDC::Rectangles(const RECT* rects, size_t count)
{
    if (!Surface() || count == 0)
        return;
    const bool pen = m_pen->IsValid() && m_pen->Style() != PS_NULL;
    const bool hollow = m_brush->IsHollow() || !m_brush->IsValid();
    if (!pen || m_pen->Width() > 1 || !hollow) {
        for (size_t i = 0; i < count; ++i)
            Rectangle(&rects[i]);
        return;
    }
    // Hollow with a one-pixel pen: only outlines, each as Rectangle writes it, the clip and the
    // surface looked up once for all of them.
    const uint32_t pixel = PixelOf(m_pen->Color());
    const RECT clip = DeviceClip();
    uint32_t* const bits = Row(0);
    const qsizetype stride = m_stride / 4;
    const POINT origin = m_origin;
    const auto outlines = [=](const RECT& band) {
        for (size_t i = 0; i < count; ++i)
            Outline(bits, stride, origin, rects[i], band, pixel);
    };
    // Many outlines of a large frame: the lower rows on the other core, meanwhile the upper ones
    // here. They are all one colour, so each pixel ends as it would one by one.
    InBands(count, kShareFromRectangles, clip, outlines);
}

void CDC::FramedTexts(const RECT* rects, const POINT* at, const std::string_view* texts, size_t count)
{
    QImage* surface = Surface();
    if (!surface || count == 0)
        return;
    const bool pen = m_pen->IsValid() && m_pen->Style() != PS_NULL;
    const bool hollow = m_brush->IsHollow() || !m_brush->IsValid();
    // Written straight into the pixels when the outlines are one pixel wide and every text is
    // stamped; otherwise one by one.
    bool direct = pen && m_pen->Width() <= 1 && hollow && m_bkMode == TRANSPARENT && m_keptLayouts;
    struct Item {
        RECT rect;
        const CFont::Layout* layout;  // null when the text cannot reach the clip box
        QPoint baseline;              // device
    };
    std::vector<Item> items;
    m_font->TrimLayouts();  // not while the items point into the layouts
    if (direct) {
        items.reserve(count);
        for (size_t i = 0; i < count && direct; ++i) {
            TextBox box;
            const bool shown = PlaceText(at[i].x, at[i].y, texts[i], box);
            direct = !shown || Stamped(*box.layout);
            items.push_back(Item{rects[i], shown ? box.layout : nullptr, box.baseline - QPoint(m_origin.x, m_origin.y)});
        }
    }
    if (!direct) {
        for (size_t i = 0; i < count; ++i) {
            Rectangle(&rects[i]);
            TextOut(at[i].x, at[i].y, texts[i]);
        }
        return;
    }
    const uint32_t outline = PixelOf(m_pen->Color()), color = PixelOf(m_textColor);
    const RECT clip = DeviceClip();
    uint32_t* const bits = Row(0);
    const qsizetype stride = m_stride / 4;
    const POINT origin = m_origin;
    // Each band takes every outline and text in order, so each pixel ends as it would one by one.
    const auto draw = [&](const RECT& band) {
        for (const Item& item : items) {
            Outline(bits, stride, origin, item.rect, band, outline);
            if (item.layout)
                BlendStamps(bits, stride, band, item.baseline.x(), item.baseline.y(), item.layout->stamps.data(),
                            item.layout->stamps.size(), color);
        }
    };
    InBands(count, kShareFromFramedTexts, clip, draw);
}

void CDC::ApplyPenAndBrush(QPainter* p) const
{
    if (m_pen->IsValid() && m_pen->Style() != PS_NULL) {
        QPen pen(QColor(GetRValue(m_pen->Color()), GetGValue(m_pen->Color()), GetBValue(m_pen->Color())));
        pen.setWidth(m_pen->Width() <= 1 ? 0 : m_pen->Width());
        p->setPen(pen);
    } else {
        p->setPen(Qt::NoPen);
    }
    if (m_brush->IsValid() && !m_brush->IsHollow())
        p->setBrush(QColor(GetRValue(m_brush->Color()), GetGValue(m_brush->Color()), GetBValue(m_brush->Color())));
    else
        p->setBrush(Qt::NoBrush);
}

bool CDC::RoundRect(int left, int top, int right, int bottom, int width, int height)
{
    QPainter* p = Painter();
    if (!p)
        return false;
    ApplyPenAndBrush(p);
    p->drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), width / 2.0, height / 2.0);
    return true;
}

bool CDC::Ellipse(int left, int top, int right, int bottom)
{
    QPainter* p = Painter();
    if (!p)
        return false;
    ApplyPenAndBrush(p);
    p->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    return true;
}

bool CDC::PolyPolygon(const POINT* points, const int* counts, int polygons)
{
    QPainter* p = Painter();
    if (!p || !points || !counts)
        return false;
    ApplyPenAndBrush(p);
    for (int i = 0; i < polygons; ++i) {
        QPolygon poly;
        for (int k = 0; k < counts[i]; ++k)
            poly << QPoint(points[k].x, points[k].y);
        p->drawPolygon(poly, Qt::OddEvenFill);
        points += counts[i];
    }
    return true;
}

COLORREF CDC::SetPixelV(int x, int y, COLORREF color)
{
    const POINT p{x, y};
    SetPixelsV(&p, 1, color);
    return color;
}

void CDC::SetPixelsV(const POINT* points, size_t count, COLORREF color)
{
    if (!Surface() || count == 0)
        return;
    const RECT clip = DeviceClip();
    EndPainter();
    const uint32_t pixel = PixelOf(color);
    uint32_t* const bits = Row(0);
    const qsizetype stride = m_stride / 4;
    const POINT origin = m_origin;
    const auto set = [=](const RECT& band) {
        for (size_t i = 0; i < count; ++i) {
            const int x = points[i].x - origin.x, y = points[i].y - origin.y;
            if (x >= band.left && x < band.right && y >= band.top && y < band.bottom)
                bits[y * stride + x] = pixel;
        }
    };
    // Many points of a large frame: the lower rows set on the other core. One colour, so the
    // order of the points does not matter.
    InBands(count, kShareFromRectangles, clip, set);
}

COLORREF CDC::GetPixel(int x, int y) const
{
    const QImage* s = Surface();
    x -= m_origin.x;
    y -= m_origin.y;
    if (!s || x < 0 || y < 0 || x >= s->width() || y >= s->height())
        return 0xFFFFFFFFu;
    return ColorOfPixel(reinterpret_cast<const uint32_t*>(s->constScanLine(y))[x]);
}

COLORREF CDC::SetTextColor(COLORREF color)
{
    return std::exchange(m_textColor, color);
}

COLORREF CDC::SetBkColor(COLORREF color)
{
    return std::exchange(m_bkColor, color);
}

int CDC::SetBkMode(int mode)
{
    return std::exchange(m_bkMode, mode);
}

unsigned CDC::SetTextAlign(unsigned align)
{
    return std::exchange(m_textAlign, align);
}

QString CDC::Decode(std::string_view text) const
{
    // Labels are drawn every frame; decode each distinct text once.
    static QHash<QByteArray, QString> cache;
    const QByteArray key(text.data(), static_cast<qsizetype>(text.size()));
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    if (cache.size() > 20000)
        cache.clear();
    QString decoded = QStringFromCp932(text);
    cache.insert(key, decoded);
    return decoded;
}

SIZE CDC::GetTextExtent(std::string_view text) const
{
    const QFontMetrics& fm = m_font->Metrics();
    return {fm.horizontalAdvance(Decode(text)), fm.ascent() + fm.descent()};
}

bool CDC::TextOut(int x, int y, const char* text, int count)
{
    return ExtTextOut(x, y, 0, nullptr, text, count > 0 ? static_cast<unsigned>(count) : 0u, nullptr);
}

bool CDC::PlaceText(int x, int y, std::string_view bytes, TextBox& box)
{
    // Text that cannot reach the clip box whatever its alignment draws nothing: skip its layout.
    {
        const int em = std::max(1, m_font->Font().pixelSize());
        const int64_t reach = static_cast<int64_t>(bytes.size()) * em + 2 * em;
        const RECT clip = DeviceClip();
        const int64_t dx = static_cast<int64_t>(x) - m_origin.x, dy = static_cast<int64_t>(y) - m_origin.y;
        if (dx + reach < clip.left || dx - reach > clip.right || dy + reach < clip.top || dy - reach > clip.bottom)
            return false;
    }
    const QFontMetrics& fm = m_font->Metrics();
    box.layout = m_keptLayouts ? &m_font->LayoutOf(bytes) : nullptr;
    if (!box.layout)
        box.text = Decode(bytes);
    box.width = box.layout ? box.layout->width : fm.horizontalAdvance(box.text);
    box.height = fm.ascent() + fm.descent();
    box.left = x;
    switch (m_textAlign & 6u) {
    case TA_CENTER:
        box.left = x - box.width / 2;
        break;
    case TA_RIGHT:
        box.left = x - box.width;
        break;
    default:
        break;
    }
    box.top = y;
    switch (m_textAlign & 24u) {
    case TA_BOTTOM:
        box.top = y - box.height;
        break;
    case TA_BASELINE:
        box.top = y - fm.ascent();
        break;
    default:
        break;
    }
    box.baseline = QPoint(box.left, box.top + fm.ascent());
    return true;
}

bool CDC::Stamped(const CFont::Layout& layout) const
{
    const QImage* surface = Surface();
    return surface->format() == QImage::Format_RGB32 && surface->devicePixelRatio() == 1.0 &&
           m_font->StampsDrawAsQt(PixelOf(m_textColor), layout);
}

bool CDC::ExtTextOut(int x, int y, unsigned options, const RECT* rect, const char* text, unsigned count, const int*)
{
    if (!Surface())
        return false;
    if ((options & ETO_OPAQUE) && rect)
        FillSolidRect(*rect, m_bkColor);
    if (!text || count == 0)
        return true;
    m_font->TrimLayouts();
    TextBox box;
    if (!PlaceText(x, y, std::string_view(text, count), box))
        return true;
    if (m_bkMode == OPAQUE)
        FillSolidRect(RECT{box.left, box.top, box.left + box.width, box.top + box.height}, m_bkColor);
    // Stamped glyphs go straight into the pixels; an open painter stays open, as its drawing is
    // done by the time each call returns.
    if (box.layout && !(options & ETO_CLIPPED) && Stamped(*box.layout)) {
        const RECT clip = DeviceClip();
        uint32_t* bits = Row(0);
        const uint32_t color = PixelOf(m_textColor);
        const int bx = box.baseline.x() - m_origin.x, by = box.baseline.y() - m_origin.y;
        BlendStamps(bits, m_stride / 4, clip, bx, by, box.layout->stamps.data(), box.layout->stamps.size(), color);
        return true;
    }
    QPainter* p = Painter();
    if (!p)
        return false;
    if ((options & ETO_CLIPPED) && rect) {
        p->setClipRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
                       Qt::IntersectClip);
        m_painterSet = false;
    }
    p->setPen(QColor(GetRValue(m_textColor), GetGValue(m_textColor), GetBValue(m_textColor)));
    if (box.layout) {
        for (const QGlyphRun& run : box.layout->runs)
            p->drawGlyphRun(box.baseline, run);
    } else {
        p->setFont(m_font->Font());
        p->drawText(box.baseline, box.text);
    }
    return true;
}

bool CDC::BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, uint32_t)
{
    QImage* d = Surface();
    QImage* s = src ? src->Surface() : nullptr;
    if (!d || !s)
        return false;
    EndPainter();
    src->EndPainter();
    // Device coordinates of both sides.
    int dx = x - m_origin.x, dy = y - m_origin.y;
    int sx = xSrc - src->m_origin.x, sy = ySrc - src->m_origin.y;
    const RECT clip = DeviceClip();
    if (dx < clip.left) {
        const int k = clip.left - dx;
        dx += k, sx += k, width -= k;
    }
    if (dy < clip.top) {
        const int k = clip.top - dy;
        dy += k, sy += k, height -= k;
    }
    if (sx < 0) {
        dx -= sx, width += sx, sx = 0;
    }
    if (sy < 0) {
        dy -= sy, height += sy, sy = 0;
    }
    width = std::min({width, clip.right - dx, s->width() - sx});
    height = std::min({height, clip.bottom - dy, s->height() - sy});
    if (width <= 0 || height <= 0)
        return true;
    if (s == d) {
        const QImage copy = s->copy(sx, sy, width, height);
        for (int row = 0; row < height; ++row)
            std::memcpy(d->scanLine(dy + row) + dx * 4, copy.constScanLine(row), static_cast<size_t>(width) * 4);
        return true;
    }
    for (int row = 0; row < height; ++row)
        std::memcpy(d->scanLine(dy + row) + dx * 4, s->constScanLine(sy + row) + sx * 4,
                    static_cast<size_t>(width) * 4);
    return true;
}

bool CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int srcWidth, int srcHeight,
                     uint32_t rop)
{
    if (width == srcWidth && height == srcHeight)
        return BitBlt(x, y, width, height, src, xSrc, ySrc, rop);
    QImage* s = src ? src->Surface() : nullptr;
    QPainter* p = Painter();
    if (!s || !p)
        return false;
    src->EndPainter();
    p->setRenderHint(QPainter::SmoothPixmapTransform, m_stretchMode != COLORONCOLOR && m_stretchMode > 3);
    p->drawImage(QRect(x, y, width, height), *s,
                 QRect(xSrc - src->m_origin.x, ySrc - src->m_origin.y, srcWidth, srcHeight));
    return true;
}

int CDC::SetStretchBltMode(int mode)
{
    return std::exchange(m_stretchMode, mode);
}

int CDC::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc, unsigned startScan,
                           unsigned lines, const void* bits, const BITMAPINFO* info, unsigned)
{
    QImage* d = Surface();
    if (!d || !bits || !info)
        return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0)
        return 0;
    EndPainter();
    // Bottom-up pixels only, as the relief raster keeps them.
    if (h.biHeight < 0)
        return 0;
    const int64_t bmpRows = h.biHeight;
    const int64_t stride = static_cast<int64_t>(h.biWidth) * 4;
    const auto* base = static_cast<const uint8_t*>(bits);
    const RECT clip = DeviceClip();
    int set = 0;
    for (int j = 0; j < height; ++j) {
        const int64_t dy = static_cast<int64_t>(yDest) + j - m_origin.y;
        if (dy < clip.top || dy >= clip.bottom)
            continue;
        // Scan line shown on destination row j: the source rectangle's origin is its lower-left
        // corner, and only the scan lines handed over are there.
        const int64_t scan = static_cast<int64_t>(ySrc) + (height - 1 - j);
        if (scan < startScan || scan >= static_cast<int64_t>(startScan) + lines || scan >= bmpRows)
            continue;
        const int64_t bufferRow = scan - startScan;
        const auto* srcRow = reinterpret_cast<const uint32_t*>(base + bufferRow * stride);
        auto* dstRow = reinterpret_cast<uint32_t*>(d->scanLine(static_cast<int>(dy)));
        // The columns i whose destination lies in the clip and whose source lies in the bitmap.
        const int64_t dx0 = static_cast<int64_t>(xDest) - m_origin.x;
        const int64_t from = std::max<int64_t>({0, clip.left - dx0, -static_cast<int64_t>(xSrc)});
        const int64_t to = std::min<int64_t>({width, clip.right - dx0, h.biWidth - static_cast<int64_t>(xSrc)});
        for (int64_t i = from; i < to; ++i)
            dstRow[dx0 + i] = srcRow[xSrc + i] | 0xFF000000u;
        ++set;
    }
    return set;
}
