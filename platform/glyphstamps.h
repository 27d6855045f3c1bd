// Glyph coverage as Qt's raster engine lays it on a 32-bit image, kept once per glyph so that the
// thousands of small texts of a frame are blended straight into its pixels. Every stamp is taken
// from Qt's own drawing of the glyph, and a font's stamps are used in a colour only once they
// have drawn a sample exactly as Qt draws it.
#pragma once

#include "platform/wintypes.h"

#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QRawFont>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// One glyph's coverage (0 to 255 a pixel) in the box it touches.
struct GlyphStamp {
    int left = 0, top = 0;  // of the box, from the glyph's whole-pixel anchor on the baseline
    int width = 0, height = 0;
    // Rows are whole groups of eight pixels, the last padded with no coverage, so that blending
    // eight or four at a time needs no tail.
    int stride = 0;
    std::vector<uint8_t> coverage;  // stride * height, row after row
};

// A stamp where a text puts it: the box's top-left corner from the pen position on the baseline.
struct PlacedStamp {
    const GlyphStamp* stamp = nullptr;
    int x = 0, y = 0;
};

// The coverage of one glyph of model's font at a fraction of a pixel (fx64 / 64) right of a
// whole pixel, as Qt draws it white on black into an image of the format given. Empty when the
// glyph draws nothing, when what it draws is not a grey coverage (colour or sub-pixel glyphs) or
// when it has no box that holds it.
std::optional<GlyphStamp> StampOfGlyph(const QGlyphRun& model, quint32 glyph, int fx64, QImage::Format format);

// Blends colour (0xAARRGGBB, opaque) through each stamp's coverage into 32-bit pixels, a text's
// pen position at device (x, y), writes limited to clip: each channel becomes
// c * a / 255 + d * (255 - a) / 255, each product rounded as Qt's raster engine rounds it. The
// widest way this processor has.
void BlendStamps(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y, const PlacedStamp* stamps,
                 size_t count, uint32_t color);
// The same one way in particular; false when this processor or build has no such way.
enum class StampBlending { Fastest, OneAtATime, FourAtATime, EightAtATime };
bool BlendStampsWith(StampBlending how, uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y,
                     const PlacedStamp* stamps, size_t count, uint32_t color);
// One stamp, one pixel at a time: the reference.
void BlendStampPlain(uint32_t* bits, qsizetype stride, const RECT& clip, int x, int y, const GlyphStamp& stamp,
                     uint32_t color);

// True when the stamps of a text blend into a patterned image exactly as Qt draws its glyph runs
// there in colour (both from the pen position baseline).
bool StampsDrawAsQt(const QList<QGlyphRun>& runs, const std::vector<PlacedStamp>& placed, uint32_t color,
                    QImage::Format format);

// The stamps of one font's glyphs, made on first use.
class GlyphStampCache {
public:
    // The stamps of runs (positions from the pen on the baseline), in drawing order; false when
    // some glyph cannot be stamped (its text is then drawn by Qt).
    bool Place(const QList<QGlyphRun>& runs, std::vector<PlacedStamp>& out);
    size_t Size() const { return m_stamps.size(); }
    void Clear();

private:
    std::vector<QRawFont> m_fonts;
    // Key: font index, glyph and the position's fraction; a null stamp for a glyph drawing nothing.
    std::unordered_map<uint64_t, std::unique_ptr<GlyphStamp>> m_stamps;
    std::unordered_map<uint64_t, bool> m_refused;
};
