#include "platform/glyphstamps.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

// x * a / 255 for the four bytes of x, rounded as Qt's raster engine rounds it.
inline uint32_t ByteMul(uint32_t x, uint32_t a)
{
    uint64_t t = ((uint64_t{x} | (uint64_t{x} << 24)) & 0x00ff00ff00ff00ffULL) * a;
    t = (t + ((t >> 8) & 0x00ff00ff00ff00ffULL) + 0x0080008000800080ULL) >> 8;
    t &= 0x00ff00ff00ff00ffULL;
    return static_cast<uint32_t>(t) | static_cast<uint32_t>(t >> 24);
}

inline void BlendPixel(uint32_t& d, uint32_t color, uint32_t a)
{
    if (a == 0)
        return;
    if (a == 255)
        d = color;
    else
        d = ByteMul(color, a) + ByteMul(d, 255 - a);
}

// The stamp's rows and columns that fall inside clip with its corner at (x, y).
struct Span {
    int x0, x1, y0, y1;  // in the stamp
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Span Clipped(const RECT& clip, int x, int y, const GlyphStamp& s)
{
    return Span{std::max(0, clip.left - x), std::min(s.width, clip.right - x), std::max(0, clip.top - y),
                std::min(s.height, clip.bottom - y)};
}

bool IsStampable(QImage::Format format)
{
    return format == QImage::Format_RGB32;
}

} // namespace

std::optional<GlyphStamp> StampOfGlyph(const QGlyphRun& model, quint32 glyph, int fx64, QImage::Format format)
{
    if (!IsStampable(format))
        return std::nullopt;
    const QRawFont font = model.rawFont();
    const QRectF box = font.boundingRect(glyph);
    if (!std::isfinite(box.left()) || !std::isfinite(box.top()) || box.width() > 2000 || box.height() > 2000)
        return std::nullopt;
    // A margin wide enough for the anti-aliased fringe and for hinting that moves the outline.
    const int margin = 4 + static_cast<int>(std::ceil(font.pixelSize() / 4));
    const int ox = margin - static_cast<int>(std::floor(box.left()));
    const int oy = margin - static_cast<int>(std::floor(box.top()));
    const int w = static_cast<int>(std::ceil(box.width())) + 2 * margin + 2;
    const int h = static_cast<int>(std::ceil(box.height())) + 2 * margin + 2;
    QImage image(w, h, format);
    image.fill(QColor(Qt::black));
    {
        QPainter p(&image);
        p.setPen(QColor(Qt::white));
        QGlyphRun run(model);
        run.setGlyphIndexes({glyph});
        run.setPositions({QPointF(fx64 / 64.0, 0)});
        p.drawGlyphRun(QPointF(ox, oy), run);
    }
    // White on black leaves the coverage in every colour channel; anything else (colour or
    // sub-pixel glyphs) is not one coverage.
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const uint32_t p = row[x] & 0xFFFFFFu;
            if (p == 0)
                continue;
            const uint32_t c = p & 0xFF;
            if (((p >> 8) & 0xFF) != c || (p >> 16) != c)
                return std::nullopt;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    GlyphStamp stamp;
    if (right < 0)
        return stamp;  // draws nothing
    if (left == 0 || top == 0 || right == w - 1 || bottom == h - 1)
        return std::nullopt;  // may reach beyond the box
    stamp.left = left - ox;
    stamp.top = top - oy;
    stamp.width = right - left + 1;
    stamp.height = bottom - top + 1;
    stamp.stride = (stamp.width + 7) / 8 * 8;
    stamp.coverage.assign(static_cast<size_t>(stamp.stride) * static_cast<size_t>(stamp.height), 0);
    for (int y = 0; y < stamp.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(top + y)) + left;
        for (int x = 0; x < stamp.width; ++x)
            stamp.coverage[static_cast<size_t>(y) * static_cast<size_t>(stamp.stride) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(row[x] & 0xFF);
    }
    return stamp;
}

void BlendStampPlain(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y, const GlyphStamp& stamp,
                     uint32_t color)
{
    const Span s = Clipped(clip, x, y, stamp);
    if (s.Empty())
        return;
    for (int r = s.y0; r < s.y1; ++r) {
        uint32_t* d = bits + static_cast<qsizetype>(y + r) * stride + x;
        const uint8_t* a = stamp.coverage.data() + static_cast<size_t>(r) * static_cast<size_t>(stamp.stride);
        for (int c = s.x0; c < s.x1; ++c)
            BlendPixel(d[c], color, a[c]);
    }
}

#if defined(__SSE2__)
namespace {

// Four pixels at a time in 16-bit lanes: c * a and d * (255 - a) each fit, and so does the
// rounding (t + (t >> 8) + 0x80) >> 8 of either. Zero coverage leaves d as it was.
inline __m128i Mul4(__m128i v, __m128i a)
{
    const __m128i t = _mm_mullo_epi16(v, a);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
}

// Columns c to end - 1 of a row, four at a time as far as limit allows; the rest one by one.
inline void BlendRowSse2(uint32_t* d, const uint8_t* a, int c, int end, int limit, uint32_t color)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i c16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), zero);
    const __m128i full = _mm_set1_epi16(255);
    for (; c + 4 <= limit; c += 4) {
        uint32_t four;
        std::memcpy(&four, a + c, 4);
        if (four == 0)
            continue;
        const __m128i a16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero);
        const __m128i pairs = _mm_unpacklo_epi16(a16, a16);
        const __m128i alo = _mm_unpacklo_epi32(pairs, pairs), ahi = _mm_unpackhi_epi32(pairs, pairs);
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + c));
        const __m128i lo = _mm_add_epi16(Mul4(c16, alo), Mul4(_mm_unpacklo_epi8(dst, zero), _mm_sub_epi16(full, alo)));
        const __m128i hi = _mm_add_epi16(Mul4(c16, ahi), Mul4(_mm_unpackhi_epi8(dst, zero), _mm_sub_epi16(full, ahi)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + c), _mm_packus_epi16(lo, hi));
    }
    for (; c < end; ++c)
        BlendPixel(d[c], color, a[c]);
}

void BlendSse2(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y, const GlyphStamp& stamp,
               uint32_t color)
{
    const Span s = Clipped(clip, x, y, stamp);
    if (s.Empty())
        return;
    // The padding is blended too where the clip leaves room for it: no coverage, no change.
    const int limit = std::min(stamp.stride, clip.right - x);
    for (int r = s.y0; r < s.y1; ++r)
        BlendRowSse2(bits + static_cast<qsizetype>(y + r) * stride + x,
                     stamp.coverage.data() + static_cast<size_t>(r) * static_cast<size_t>(stamp.stride), s.x0, s.x1,
                     limit, color);
}

__attribute__((target("avx2"))) inline __m256i Mul8(__m256i v, __m256i a)
{
    const __m256i t = _mm256_mullo_epi16(v, a);
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), _mm256_set1_epi16(0x80)),
                             8);
}

// The same eight pixels at a time.
__attribute__((target("avx2"))) void BlendAvx2(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y,
                                               const GlyphStamp& stamp, uint32_t color)
{
    const Span s = Clipped(clip, x, y, stamp);
    if (s.Empty())
        return;
    const int limit = std::min(stamp.stride, clip.right - x);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i c16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(color)), zero);
    const __m256i full = _mm256_set1_epi16(255);
    // Each 128-bit half unpacks two pixels into its low and two into its high lanes: pixels
    // 0, 1 | 4, 5 and 2, 3 | 6, 7; each coverage byte spread over its pixel's four channels.
    const __m256i spreadLo = _mm256_setr_epi8(0, -1, 0, -1, 0, -1, 0, -1, 1, -1, 1, -1, 1, -1, 1, -1, 4, -1, 4, -1, 4,
                                              -1, 4, -1, 5, -1, 5, -1, 5, -1, 5, -1);
    const __m256i spreadHi = _mm256_setr_epi8(2, -1, 2, -1, 2, -1, 2, -1, 3, -1, 3, -1, 3, -1, 3, -1, 6, -1, 6, -1, 6,
                                              -1, 6, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    for (int r = s.y0; r < s.y1; ++r) {
        uint32_t* d = bits + static_cast<qsizetype>(y + r) * stride + x;
        const uint8_t* a = stamp.coverage.data() + static_cast<size_t>(r) * static_cast<size_t>(stamp.stride);
        int c = s.x0;
        for (; c + 8 <= limit; c += 8) {
            int64_t eight;
            std::memcpy(&eight, a + c, 8);
            if (eight == 0)
                continue;
            const __m256i cov = _mm256_set1_epi64x(eight);
            const __m256i alo = _mm256_shuffle_epi8(cov, spreadLo), ahi = _mm256_shuffle_epi8(cov, spreadHi);
            const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + c));
            const __m256i lo =
                _mm256_add_epi16(Mul8(c16, alo), Mul8(_mm256_unpacklo_epi8(dst, zero), _mm256_sub_epi16(full, alo)));
            const __m256i hi =
                _mm256_add_epi16(Mul8(c16, ahi), Mul8(_mm256_unpackhi_epi8(dst, zero), _mm256_sub_epi16(full, ahi)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + c), _mm256_packus_epi16(lo, hi));
        }
        BlendRowSse2(d, a, c, s.x1, limit, color);
    }
}

using BlendFunction = void (*)(uint32_t*, qsizetype, const RECT&, int, int, const GlyphStamp&, uint32_t);

BlendFunction Blender(StampBlending how)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    switch (how) {
    case StampBlending::Fastest:
        return avx2 ? BlendAvx2 : BlendSse2;
    case StampBlending::FourAtATime:
        return BlendSse2;
    case StampBlending::EightAtATime:
        return avx2 ? BlendAvx2 : nullptr;
    case StampBlending::OneAtATime:
        break;
    }
    return BlendStampPlain;
}

} // namespace
#else
namespace {
using BlendFunction = void (*)(uint32_t*, qsizetype, const RECT&, int, int, const GlyphStamp&, uint32_t);
BlendFunction Blender(StampBlending how)
{
    return how == StampBlending::Fastest || how == StampBlending::OneAtATime ? BlendStampPlain : nullptr;
}
} // namespace
#endif

bool BlendStampsWith(StampBlending how, uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y,
                     const PlacedStamp* stamps, size_t count, uint32_t color)
{
    const BlendFunction blend = Blender(how);
    if (!blend)
        return false;
    for (size_t i = 0; i < count; ++i)
        blend(bits, stride, clip, x + stamps[i].x, y + stamps[i].y, *stamps[i].stamp, color);
    return true;
}

void BlendStamps(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y, const PlacedStamp* stamps,
                 size_t count, uint32_t color)
{
    BlendStampsWith(StampBlending::Fastest, bits, stride, clip, x, y, stamps, count, color);
}

bool StampsDrawAsQt(const QList<QGlyphRun>& runs, const std::vector<PlacedStamp>& placed, uint32_t color,
                    QImage::Format format)
{
    if (!IsStampable(format) || placed.empty())
        return false;
    int left = 0, top = 0, right = 1, bottom = 1;
    for (const PlacedStamp& g : placed) {
        left = std::min(left, g.x);
        top = std::min(top, g.y);
        right = std::max(right, g.x + g.stamp->width);
        bottom = std::max(bottom, g.y + g.stamp->height);
    }
    constexpr int kMargin = 4;
    const int w = right - left + 2 * kMargin, h = bottom - top + 2 * kMargin;
    const QPoint pen(kMargin - left, kMargin - top);
    // A background of every kind of pixel: the blending must hold over each.
    QImage ours(w, h, format);
    uint32_t state = 0x9E3779B9u;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(ours.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[x] = 0xFF000000u | (state & 0xFFFFFFu);
        }
    }
    QImage qt = ours.copy();
    {
        QPainter p(&qt);
        p.setPen(QColor::fromRgb(color));
        for (const QGlyphRun& run : runs)
            p.drawGlyphRun(pen, run);
    }
    const RECT clip{0, 0, w, h};
    auto* bits = reinterpret_cast<uint32_t*>(ours.bits());
    const qsizetype stride = ours.bytesPerLine() / 4;
    BlendStamps(bits, stride, clip, pen.x(), pen.y(), placed.data(), placed.size(), color);
    return ours == qt;
}

bool GlyphStampCache::Place(const QList<QGlyphRun>& runs, std::vector<PlacedStamp>& out)
{
    out.clear();
    for (const QGlyphRun& run : runs) {
        if (run.overline() || run.underline() || run.strikeOut())
            return false;
        const QRawFont font = run.rawFont();
        size_t fontIndex = 0;
        while (fontIndex < m_fonts.size() && !(m_fonts[fontIndex] == font))
            ++fontIndex;
        if (fontIndex == m_fonts.size())
            m_fonts.push_back(font);
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> at = run.positions();
        if (glyphs.size() != at.size())
            return false;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            // Layout positions are whole 64ths of a pixel; a stamp is kept for each 64th across.
            const double x64 = at[i].x() * 64, y64 = at[i].y() * 64;
            if (x64 != std::floor(x64) || y64 != std::floor(y64) || std::fabs(x64) > 1e8 || std::fabs(y64) > 1e8)
                return false;
            const auto fx = static_cast<int64_t>(x64);
            const int64_t whole = fx >= 0 ? fx / 64 : -((-fx + 63) / 64);
            const int fraction = static_cast<int>(fx - whole * 64);
            if (static_cast<int64_t>(y64) % 64 != 0)
                return false;  // whole pixels down only
            const uint64_t key = (uint64_t{fontIndex} << 40) | (uint64_t{glyphs[i]} << 8) | uint64_t(fraction);
            if (m_refused.count(key))
                return false;
            auto it = m_stamps.find(key);
            if (it == m_stamps.end()) {
                std::optional<GlyphStamp> made = StampOfGlyph(run, glyphs[i], fraction, QImage::Format_RGB32);
                if (!made) {
                    m_refused.emplace(key, true);
                    return false;
                }
                it = m_stamps.emplace(key, std::make_unique<GlyphStamp>(std::move(*made))).first;
            }
            const GlyphStamp& s = *it->second;
            if (s.width == 0)
                continue;
            out.push_back(PlacedStamp{&s, static_cast<int>(whole) + s.left, static_cast<int>(y64 / 64) + s.top});
        }
    }
    return true;
}

void GlyphStampCache::Clear()
{
    m_stamps.clear();
    m_refused.clear();
    m_fonts.clear();
}
