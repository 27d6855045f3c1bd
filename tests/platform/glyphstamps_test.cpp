// Texts blended from glyph stamps against Qt's own drawing of them, pixel for pixel.
#include "platform/gdi.h"
#include "platform/glyphstamps.h"
#include "tests/image_difference.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A background of every kind of pixel, the same for the same seed.
QImage Patterned(int w, int h, uint32_t seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (seed >> 8);
        }
    }
    return image;
}

LOGFONTA Face(int height, int weight = FW_NORMAL, const char* face = "MS gothic")
{
    LOGFONTA lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strcpy(lf.lfFaceName, face);
    return lf;
}

} // namespace

// Every colour channel over every background channel at every coverage: blending four and
// eight pixels at a time agrees with one at a time, whole and cut by the clip's right edge
// inside a group, and full and empty coverage are exact.
TEST(GlyphStamps, BlendingAgreesForEveryChannelAndCoverage)
{
    GlyphStamp stamp;
    stamp.width = stamp.stride = 256;
    stamp.height = 256;
    stamp.coverage.resize(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            stamp.coverage[static_cast<size_t>(y * 256 + x)] = static_cast<uint8_t>(x);
    const PlacedStamp placed{&stamp, 0, 0};
    QImage background(258, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 258; ++x)
            background.setPixel(x, y, 0xFF000000u | (uint32_t(y) << 16) | (uint32_t(255 - y) << 8) | uint32_t(y ^ 0x5A));
    int wrong = 0, ways = 0;
    for (StampBlending how : {StampBlending::FourAtATime, StampBlending::EightAtATime, StampBlending::Fastest}) {
        for (int right : {258, 203}) {
            const RECT clip{0, 0, right, 256};
            for (uint32_t c = 0; c < 256; c += (right == 258 ? 1 : 15)) {
                const uint32_t color = 0xFF000000u | (c << 16) | ((c * 7 & 255) << 8) | (255 - c);
                QImage wide = background.copy(), plain = background.copy();
                // One column in: the rows start off the image's groups of four and eight.
                if (!BlendStampsWith(how, reinterpret_cast<uint32_t*>(wide.bits()), wide.bytesPerLine() / 4, clip, 1,
                                     0, &placed, 1, color))
                    break;
                ++ways;
                BlendStampPlain(reinterpret_cast<uint32_t*>(plain.bits()), plain.bytesPerLine() / 4, clip, 1, 0, stamp,
                                color);
                wrong += wide != plain;
                for (int y = 0; y < 256; ++y) {
                    wrong += plain.pixel(1, y) != background.pixel(1, y);  // coverage 0
                    wrong += plain.pixel(0, y) != background.pixel(0, y);  // outside the box
                    wrong += plain.pixel(right - 1, y) != background.pixel(right - 1, y) && right == 258;
                    wrong += right == 258 && plain.pixel(256, y) != color;  // coverage 255
                    wrong += right < 258 && plain.pixel(right, y) != background.pixel(right, y);  // clipped off
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(ways, 2 * (256 + 18));  // four at a time and the fastest, at least
}

// The faces and sizes of the map, digits and Japanese names, in several colours, at every
// fraction of a pixel and cut by each edge of the clip box: the stamped text is Qt's.
TEST(GlyphStamps, TextsAsQtDrawsThem)
{
    const char* const texts[] = {"53394611", "5339-46-11", "0123456789", "WWW", "\x93\x8c\x8b\x9e\x93\x73",
                                 "\x8d\xb2\x93\x63\x8d\x95\x8e\x73", "\x95\x78\x8e\x6d\x8e\x52 3776", "i.j,l"};
    const COLORREF colors[] = {RGB(255, 255, 255), RGB(179, 179, 179), RGB(0, 0, 0), RGB(205, 41, 144)};
    const LOGFONTA faces[] = {Face(-11), Face(-15), Face(-12, 700), Face(-23), Face(-12, FW_NORMAL, "MS UI Gothic")};
    int stampedTexts = 0, cases = 0;
    for (const LOGFONTA& lf : faces) {
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        for (const char* text : texts) {
            stampedTexts += font.LayoutOf(text).stamped;
            for (COLORREF color : colors) {
                QImage stamped = Patterned(120, 60, static_cast<uint32_t>(cases)), drawn = stamped.copy();
                for (QImage* image : {&stamped, &drawn}) {
                    CDC dc(image);
                    dc.SetTextLayouts(image == &stamped);
                    dc.SelectObject(&font);
                    dc.SetBkMode(TRANSPARENT);
                    dc.SetTextColor(color);
                    dc.SetDeviceClip(RECT{7, 5, 113, 55});
                    // Whole, then across the left, right, top and bottom edges of the clip.
                    for (POINT at : {POINT{30, 20}, POINT{0, 25}, POINT{90, 30}, POINT{40, -2}, POINT{10, 48}})
                        dc.TextOut(at.x, at.y, text, static_cast<int>(std::strlen(text)));
                    // Drawn over itself shifted by one pixel: the second blends over the first.
                    dc.TextOut(31, 21, text, static_cast<int>(std::strlen(text)));
                }
                EXPECT_EQ(FirstDifference(stamped, drawn), "") << text << " in " << lf.lfHeight << "/" << lf.lfWeight;
                ++cases;
            }
        }
    }
    // Every text of these faces is stamped here, so the comparisons above are of the stamps.
    EXPECT_EQ(stampedTexts, static_cast<int>(std::size(faces) * std::size(texts)));
}

TEST(GlyphStamps, AFontsStampsAreUsedInAColourOnlyAfterDrawingAsQtDoes)
{
    CFont font;
    const LOGFONTA lf = Face(-11);
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    const CFont::Layout& layout = font.LayoutOf("53394611");
    ASSERT_TRUE(layout.stamped);
    ASSERT_EQ(layout.stamps.size(), 8u);
    EXPECT_TRUE(font.StampsDrawAsQt(0xFFFFFFFFu, layout));
    // A stamp spoilt by one level of coverage no longer draws as Qt does.
    std::vector<PlacedStamp> spoilt = layout.stamps;
    GlyphStamp changed = *spoilt[3].stamp;
    for (uint8_t& a : changed.coverage)
        if (a > 0 && a < 255) {
            --a;
            break;
        }
    spoilt[3].stamp = &changed;
    EXPECT_TRUE(StampsDrawAsQt(layout.runs, layout.stamps, 0xFFFFFFFFu, QImage::Format_RGB32));
    EXPECT_FALSE(StampsDrawAsQt(layout.runs, spoilt, 0xFFFFFFFFu, QImage::Format_RGB32));
    // Nor does any stamp into an image of another format.
    EXPECT_FALSE(StampsDrawAsQt(layout.runs, layout.stamps, 0xFFFFFFFFu, QImage::Format_ARGB32_Premultiplied));
}

// Underlined text is drawn by Qt: the line is no glyph.
TEST(GlyphStamps, UnderlinedTextIsNotStamped)
{
    LOGFONTA lf = Face(-12);
    lf.lfUnderline = 1;
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    EXPECT_FALSE(font.LayoutOf("53394611").stamped);
    QImage stamped = Patterned(80, 30, 7), drawn = stamped.copy();
    for (QImage* image : {&stamped, &drawn}) {
        CDC dc(image);
        dc.SetTextLayouts(image == &stamped);
        dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.TextOut(5, 5, "53394611", 8);
    }
    EXPECT_EQ(FirstDifference(stamped, drawn), "");
}
