#include "platform/gdi.h"
#include "tests/image_difference.h"
#include "platform/qtext.h"

#include <QPainter>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

struct Canvas {
    QImage image{40, 30, QImage::Format_RGB32};
    CDC dc{&image};
    Canvas() { image.fill(0xFF000000u); }
    int Count(COLORREF c) const
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += dc.GetPixel(x, y) == c;
        return n;
    }
};

} // namespace

TEST(CDC, LineIncludesItsStartAndExcludesItsEnd)
{
    Canvas c;
    CPen pen(PS_SOLID, 1, kRed);
    c.dc.SelectObject(&pen);
    c.dc.MoveTo(2, 5);
    c.dc.LineTo(10, 5);
    EXPECT_EQ(c.dc.GetPixel(2, 5), kRed);
    EXPECT_EQ(c.dc.GetPixel(9, 5), kRed);
    EXPECT_EQ(c.dc.GetPixel(10, 5), kBlack);
    EXPECT_EQ(c.Count(kRed), 8);
    // Leftwards and vertical, and a diagonal: the same rule.
    c.dc.MoveTo(20, 20);
    c.dc.LineTo(15, 20);
    EXPECT_EQ(c.dc.GetPixel(20, 20), kRed);
    EXPECT_EQ(c.dc.GetPixel(15, 20), kBlack);
    c.dc.MoveTo(30, 2);
    c.dc.LineTo(30, 7);
    EXPECT_EQ(c.dc.GetPixel(30, 2), kRed);
    EXPECT_EQ(c.dc.GetPixel(30, 7), kBlack);
    c.dc.MoveTo(0, 10);
    c.dc.LineTo(4, 14);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(c.dc.GetPixel(i, 10 + i), kRed);
    EXPECT_EQ(c.dc.GetPixel(4, 14), kBlack);
    EXPECT_EQ(c.dc.GetCurrentPosition(), (POINT{4, 14}));
}

TEST(CDC, LinesFarOutsideAreClippedWithoutWalkingThem)
{
    Canvas c;
    CPen pen(PS_SOLID, 1, kRed);
    c.dc.SelectObject(&pen);
    c.dc.MoveTo(-2000000000, 5);
    c.dc.LineTo(2000000000, 5);
    EXPECT_EQ(c.Count(kRed), 40);
    c.dc.MoveTo(-1000000, -1000000);
    c.dc.LineTo(1000000, 1000000);
    EXPECT_EQ(c.dc.GetPixel(7, 7), kRed);
}

TEST(CDC, RectangleCoversLeftToRightMinusOne)
{
    Canvas c;
    CPen pen(PS_SOLID, 1, kRed);
    CBrush brush(RGB(0, 0, 255));
    c.dc.SelectObject(&pen);
    c.dc.SelectObject(&brush);
    c.dc.Rectangle(5, 5, 10, 9);
    EXPECT_EQ(c.dc.GetPixel(5, 5), kRed);
    EXPECT_EQ(c.dc.GetPixel(9, 8), kRed);
    EXPECT_EQ(c.dc.GetPixel(10, 8), kBlack);
    EXPECT_EQ(c.dc.GetPixel(9, 9), kBlack);
    EXPECT_EQ(c.dc.GetPixel(7, 7), RGB(0, 0, 255));
    EXPECT_EQ(c.Count(kRed), 14);
    // The hollow brush fills nothing.
    c.dc.SelectStockObject(NULL_BRUSH);
    c.dc.Rectangle(20, 10, 30, 20);
    EXPECT_EQ(c.dc.GetPixel(25, 15), kBlack);
    EXPECT_EQ(c.dc.GetPixel(29, 19), kRed);
}

TEST(CDC, SelectReturnsThePreviousObject)
{
    Canvas c;
    CPen a(PS_SOLID, 1, kRed), b(PS_SOLID, 2, kRed);
    CPen* original = c.dc.SelectObject(&a);
    EXPECT_EQ(c.dc.SelectObject(&b), &a);
    EXPECT_EQ(c.dc.SelectObject(original), &b);
    CBrush* defaultBrush = c.dc.GetCurrentBrush();
    EXPECT_FALSE(defaultBrush->IsHollow());
    EXPECT_EQ(defaultBrush->Color(), RGB(255, 255, 255));
    EXPECT_EQ(c.dc.SelectStockObject(NULL_BRUSH), defaultBrush);
}

TEST(CDC, OpaqueExtTextOutFillsWithTheBackgroundColour)
{
    Canvas c;
    c.dc.SetBkColor(RGB(0, 245, 255));
    RECT r{3, 4, 7, 8};
    c.dc.ExtTextOut(3, 4, ETO_OPAQUE, &r, "", 0, nullptr);
    EXPECT_EQ(c.Count(RGB(0, 245, 255)), 16);
    EXPECT_EQ(c.dc.GetPixel(7, 7), kBlack);
}

TEST(CDC, TextAlignmentPlacesTheTextBox)
{
    CFont font;
    LOGFONTA lf;
    lf.lfHeight = -12;
    std::strcpy(lf.lfFaceName, "MS gothic");
    font.CreateFontIndirect(&lf);
    EXPECT_EQ(font.Font().family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(font.Font().pixelSize(), 12);

    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(0xFF000000u);
    CDC dc(&img);
    dc.SelectObject(&font);
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(RGB(0, 0, 255));
    dc.SetTextColor(RGB(255, 255, 255));
    const std::string text = Cp932FromQString(QStringLiteral("地図選択"));
    const SIZE ext = dc.GetTextExtent(text);
    EXPECT_GT(ext.cx, 30);
    EXPECT_GE(ext.cy, 12);
    // Centre and bottom: the opaque box ends just above y and is centred on x.
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.TextOut(100, 40, text);
    EXPECT_NE(dc.GetPixel(100, 39), kBlack);
    EXPECT_EQ(dc.GetPixel(100, 40), kBlack);
    EXPECT_EQ(dc.GetPixel(100, 40 - ext.cy - 1), kBlack);
    EXPECT_NE(dc.GetPixel(100 - ext.cx / 2, 39), kBlack);
    EXPECT_EQ(dc.GetPixel(100 - ext.cx / 2 - 2, 39), kBlack);
    // Left and top: the box starts at the point.
    img.fill(0xFF000000u);
    dc.SetTextAlign(TA_LEFT | TA_TOP);
    dc.TextOut(10, 5, text);
    EXPECT_NE(dc.GetPixel(10, 5), kBlack);
    EXPECT_EQ(dc.GetPixel(9, 5), kBlack);
    EXPECT_EQ(dc.GetPixel(10, 4), kBlack);
    // Transparent: only glyph pixels change.
    img.fill(0xFF000000u);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(10, 5, text);
    int blue = 0, lit = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            blue += dc.GetPixel(x, y) == RGB(0, 0, 255);
            lit += dc.GetPixel(x, y) != kBlack;
        }
    EXPECT_EQ(blue, 0);
    EXPECT_GT(lit, 20);
}

TEST(CDC, WindowOriginShiftsDrawingAndTheClipBox)
{
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    CBitmap bmp;
    bmp.CreateCompatibleBitmap(&mem, 20, 10);
    CBitmap* previous = mem.SelectObject(&bmp);
    ASSERT_NE(previous, nullptr);
    mem.SetWindowOrg(100, 50);
    RECT box;
    mem.GetClipBox(&box);
    EXPECT_EQ(box, (RECT{100, 50, 120, 60}));
    mem.SetPixelV(101, 51, kRed);
    EXPECT_EQ(ColorOfPixel(bmp.Image().pixel(1, 1)), kRed);

    // BitBlt from logical (100, 50) of the source to (5, 5) of a window surface.
    QImage target(30, 30, QImage::Format_RGB32);
    target.fill(0xFF000000u);
    CDC dc(&target);
    dc.BitBlt(5, 5, 20, 10, &mem, 100, 50, SRCCOPY);
    EXPECT_EQ(dc.GetPixel(6, 6), kRed);
    EXPECT_EQ(mem.SelectObject(previous), &bmp);
}

TEST(CDC, SetDIBitsToDeviceShowsBottomUpRowsOneBelowTheScanCount)
{
    // The relief's copy for an 800 x 600 client: header 802 x 603, copy 801 x 601, 600 lines.
    const int W = 800, H = 600;
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = W + 2;
    info.bmiHeader.biHeight = H + 3;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> bits(static_cast<size_t>((W + 2) * (H + 3)));
    for (int r = 0; r < H + 3; ++r)
        for (int x = 0; x < W + 2; ++x)
            bits[static_cast<size_t>(r * (W + 2) + x)] = static_cast<uint32_t>(r);  // green, blue = row
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(0xFFFFFFFFu);
    CDC dc(&img);
    RECT clip{0, 0, W, H};
    dc.SetDeviceClip(clip);
    const int set = dc.SetDIBitsToDevice(0, 0, W + 1, H + 1, 0, 0, 0, H, bits.data(), &info, DIB_RGB_COLORS);
    EXPECT_EQ(set, H - 1);  // row 600 is outside the client, row 0 gets nothing
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 255, 255));
    auto row = [&](int x, int y) { return static_cast<int>(img.pixel(x, y) & 0xFFFF); };
    EXPECT_EQ(row(0, 1), 599);
    EXPECT_EQ(row(799, 599), 1);
    EXPECT_EQ(img.pixel(5, 300) >> 24, 0xFFu);
}

TEST(CDC, SetDIBitsToDeviceCopiesOnlyColumnsInsideClipAndBitmap)
{
    // An 8 x 2 bitmap whose pixels hold their column; drawn from source column 2, starting left
    // of the clip, eight columns wide.
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> bits(16);
    for (int i = 0; i < 16; ++i)
        bits[static_cast<size_t>(i)] = static_cast<uint32_t>(10 + i % 8);
    QImage img(12, 4, QImage::Format_RGB32);
    img.fill(0xFFFFFFFFu);
    CDC dc(&img);
    dc.SetWindowOrg(-1, 0);  // logical x = device x - 1
    dc.SetDeviceClip(RECT{1, 0, 12, 4});
    dc.SetDIBitsToDevice(-3, 0, 8, 2, 2, 0, 0, 2, bits.data(), &info, DIB_RGB_COLORS);
    // Column i lands on device column i - 2 and comes from source column 2 + i: the clip lets
    // i = 3 on, the bitmap ends at i = 5.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool drawn = y < 2 && x >= 1 && x <= 3;
            EXPECT_EQ(img.pixel(x, y), drawn ? 0xFF000000u | static_cast<uint32_t>(10 + x + 4) : 0xFFFFFFFFu) << x << "," << y;
        }
}

TEST(CDC, StretchBltUnscaledCopiesAndScaledPicksNearest)
{
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    CBitmap bmp;
    bmp.CreateCompatibleBitmap(&mem, 2, 2);
    bmp.Image().setPixel(1, 1, PixelOf(kRed));
    mem.SelectObject(&bmp);
    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(0xFF000000u);
    CDC dc(&target);
    dc.SetStretchBltMode(COLORONCOLOR);
    dc.StretchBlt(-1, -1, 2, 2, &mem, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(dc.GetPixel(0, 0), kRed);
    dc.StretchBlt(4, 4, 4, 4, &mem, 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(dc.GetPixel(7, 7), kRed);
    EXPECT_EQ(dc.GetPixel(5, 5), kBlack);
}

TEST(CDC, ManyPixelsAtOnceAreThoseSetOneByOne)
{
    std::vector<POINT> points;
    for (int y = -3; y < 34; y += 2)
        for (int x = -5; x < 46; x += 3)
            points.push_back(POINT{x, y});
    points.push_back(POINT{1 << 30, -(1 << 30)});
    for (POINT origin : {POINT{0, 0}, POINT{7, -4}}) {
        Canvas one, many;
        one.dc.SetWindowOrg(origin.x, origin.y);
        many.dc.SetWindowOrg(origin.x, origin.y);
        one.dc.SetDeviceClip(RECT{2, 3, 35, 25});
        many.dc.SetDeviceClip(RECT{2, 3, 35, 25});
        for (POINT p : points)
            one.dc.SetPixelV(p.x, p.y, kRed);
        many.dc.SetPixelsV(points.data(), points.size(), kRed);
        EXPECT_EQ(one.image, many.image);
        EXPECT_GT(many.Count(kRed), 50);
    }
    // Enough of them on a large frame to be set in two bands, the lower on the other core.
    QImage oneLarge(1400, 800, QImage::Format_RGB32), manyLarge(1400, 800, QImage::Format_RGB32);
    oneLarge.fill(0xFF000000u);
    manyLarge.fill(0xFF000000u);
    std::vector<POINT> scattered;
    unsigned seed = 99;
    for (int i = 0; i < 40000; ++i) {
        seed = seed * 1103515245u + 12345u;
        scattered.push_back(POINT{static_cast<int>(seed >> 8) % 1500 - 50, static_cast<int>(seed >> 4) % 900 - 50});
    }
    CDC one(&oneLarge), many(&manyLarge);
    for (CDC* dc : {&one, &many}) {
        dc->SetWindowOrg(3, -2);
        dc->SetDeviceClip(RECT{1, 2, 1397, 796});
    }
    for (POINT p : scattered)
        one.SetPixelV(p.x, p.y, kRed);
    many.SetPixelsV(scattered.data(), scattered.size(), kRed);
    EXPECT_EQ(FirstDifference(oneLarge, manyLarge), "");
}

// Outlines written as pixels, one by one and many at once, against QPainter's aliased cosmetic
// pen: rectangles of one and two pixels, given corner first or last, cut by each clip edge.
TEST(CDC, ManyHollowRectanglesAreQPaintersOutlines)
{
    std::vector<RECT> rects;
    unsigned seed = 12345;
    const auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
    };
    for (int i = 0; i < 400; ++i) {
        const int x = next(60) - 10, y = next(50) - 10, w = 1 + next(9), h = 1 + next(9);
        rects.push_back(next(4) == 0 ? RECT{x + w, y + h, x, y} : RECT{x, y, x + w, y + h});
    }
    rects.push_back(RECT{5, 5, 5, 9});  // empty: nothing
    rects.push_back(RECT{-(1 << 29), -(1 << 29), 1 << 29, 1 << 29});
    CPen pen(PS_SOLID, 1, kRed);
    for (POINT origin : {POINT{0, 0}, POINT{7, -4}}) {
        const RECT clip{2, 3, 35, 25};
        Canvas one, many;
        // Unclipped on a canvas with room around it, then cut to the clip box: Qt's clipping of
        // a cosmetic outline that crosses a clip edge leaves out the corner where it closes.
        constexpr int kMargin = 40;
        QImage room(one.image.width() + 2 * kMargin, one.image.height() + 2 * kMargin, QImage::Format_RGB32);
        room.fill(0xFF000000u);
        {
            QPainter p(&room);
            p.translate(kMargin - origin.x, kMargin - origin.y);
            p.setPen(QPen(QColor(255, 0, 0), 0));
            p.setBrush(Qt::NoBrush);
            for (const RECT& r : rects) {
                const int l = std::min(r.left, r.right), t = std::min(r.top, r.bottom);
                const int w = std::abs(r.right - r.left), h = std::abs(r.bottom - r.top);
                if (w == 0 || h == 0 || w > 1000)
                    continue;
                if (w == 1 || h == 1)
                    p.fillRect(QRect(l, t, w, h), QColor(255, 0, 0));
                else
                    p.drawRect(QRect(l, t, w - 1, h - 1));
            }
        }
        QImage painted(one.image.size(), QImage::Format_RGB32);
        painted.fill(0xFF000000u);
        for (int y = clip.top; y < clip.bottom; ++y)
            for (int x = clip.left; x < clip.right; ++x)
                painted.setPixel(x, y, room.pixel(x + kMargin, y + kMargin));
        for (Canvas* c : {&one, &many}) {
            c->dc.SetWindowOrg(origin.x, origin.y);
            c->dc.SetDeviceClip(clip);
            c->dc.SelectObject(&pen);
            c->dc.SelectStockObject(NULL_BRUSH);
        }
        for (const RECT& r : rects)
            if (std::abs(r.right - r.left) < 1000)
                one.dc.Rectangle(&r);
        std::vector<RECT> drawn;
        for (const RECT& r : rects)
            if (std::abs(r.right - r.left) < 1000)
                drawn.push_back(r);
        many.dc.Rectangles(drawn.data(), drawn.size());
        EXPECT_EQ(FirstDifference(one.image, painted), "");
        EXPECT_EQ(FirstDifference(many.image, painted), "");
        EXPECT_GT(many.Count(kRed), 300);
        // The huge one: its edges lie outside the clip, so nothing of it is drawn.
        Canvas huge;
        huge.dc.SelectObject(&pen);
        huge.dc.SelectStockObject(NULL_BRUSH);
        huge.dc.Rectangles(&rects.back(), 1);
        EXPECT_EQ(huge.Count(kRed), 0);
    }
}

// Enough outlines on a large enough image that both cores share them, by rows.
TEST(CDC, ManyRectanglesOnALargeImageAreThoseDrawnOneByOne)
{
    QImage oneImage(1200, 1000, QImage::Format_RGB32), manyImage(1200, 1000, QImage::Format_RGB32);
    oneImage.fill(0xFF000000u);
    manyImage.fill(0xFF000000u);
    CDC one(&oneImage), many(&manyImage);
    CPen pen(PS_SOLID, 1, kRed);
    for (CDC* dc : {&one, &many}) {
        dc->SetWindowOrg(3, -5);
        dc->SetDeviceClip(RECT{1, 2, 1190, 997});
        dc->SelectObject(&pen);
        dc->SelectStockObject(NULL_BRUSH);
    }
    std::vector<RECT> rects;
    unsigned seed = 99;
    const auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
    };
    for (int i = 0; i < 30000; ++i) {
        const int x = next(1240) - 20, y = next(1040) - 20;
        rects.push_back(RECT{x, y, x + 1 + next(40), y + 1 + next(40)});
    }
    for (const RECT& r : rects)
        one.Rectangle(&r);
    many.Rectangles(rects.data(), rects.size());
    EXPECT_EQ(FirstDifference(oneImage, manyImage), "");
}

TEST(CDC, TextAfterAClippedTextAndAnOriginChangeIsWholeAndMoved)
{
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(0xFF000000u);
    const auto lit = [&](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += (img.pixel(x, y) & 0xFFFFFFu) != 0;
        return n;
    };
    CDC dc(&image);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(255, 255, 255));
    const RECT corner{0, 0, 3, 3};
    dc.ExtTextOut(10, 10, ETO_CLIPPED, &corner, "WWW", 3, nullptr);
    EXPECT_EQ(lit(image), 0);
    // The clip of one text is not kept for the next.
    dc.TextOut(10, 10, "WWW", 3);
    const QImage first = image.copy();
    EXPECT_GT(lit(first), 20);
    // Nor the origin: the same text lands 50 pixels further right.
    image.fill(0xFF000000u);
    dc.SetWindowOrg(-50, 0);
    dc.TextOut(10, 10, "WWW", 3);
    EXPECT_EQ(image.copy(50, 0, 150, 60), first.copy(0, 0, 150, 60));
    EXPECT_EQ(lit(image), lit(first));
}

// Each tile's outline and then its code, for a frame large enough to be drawn in two bands: as
// drawn one by one, with texts new to the font on the way, stamped or (underlined) not.
TEST(CDC, FramedTextsAreEachOutlineThenItsText)
{
    constexpr int kW = 1400, kH = 800;
    unsigned seed = 777;
    const auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    std::vector<RECT> rects;
    std::vector<POINT> at;
    std::vector<std::string> texts;
    for (int i = 0; i < 700; ++i) {
        const int x = next(kW + 200) - 100, y = next(kH + 200) - 100, w = 2 + next(120), h = 2 + next(90);
        rects.push_back(RECT{x, y, x + w, y + h});
        at.push_back(POINT{x + w / 2, y + h / 2});
        texts.push_back(std::to_string(50000000 + i * 7919));
    }
    rects.push_back(RECT{-5, kH / 2 - 40, kW + 5, kH / 2 + 40});  // across both bands
    at.push_back(POINT{kW / 2, kH / 2 + 3});
    texts.push_back("5339-46-11");
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    CPen pen(PS_SOLID, 1, RGB(205, 41, 144));
    for (bool underline : {false, true}) {
        LOGFONTA lf;
        lf.lfHeight = -11;
        lf.lfUnderline = underline;
        std::strcpy(lf.lfFaceName, "MS gothic");
        CFont oneFont, batchFont;
        ASSERT_TRUE(oneFont.CreateFontIndirect(&lf));
        ASSERT_TRUE(batchFont.CreateFontIndirect(&lf));
        QImage one(kW, kH, QImage::Format_RGB32);
        one.fill(0xFF203040u);
        QImage batch = one.copy();
        for (QImage* image : {&one, &batch}) {
            CDC dc(image);
            dc.SetWindowOrg(-3, 5);
            dc.SetDeviceClip(RECT{2, 3, kW - 4, kH - 6});
            dc.SelectObject(&pen);
            dc.SelectStockObject(NULL_BRUSH);
            dc.SelectObject(image == &one ? &oneFont : &batchFont);
            dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
            dc.SetBkMode(TRANSPARENT);
            dc.SetTextColor(RGB(255, 255, 255));
            if (image == &one) {
                for (size_t i = 0; i < rects.size(); ++i) {
                    dc.Rectangle(&rects[i]);
                    dc.TextOut(at[i].x, at[i].y, views[i]);
                }
            } else {
                dc.FramedTexts(rects.data(), at.data(), views.data(), rects.size());
            }
        }
        EXPECT_EQ(FirstDifference(one, batch), "") << (underline ? "underlined" : "stamped");
    }
}

// One-pixel lines against the rule they follow, pixel i of n along the major axis stepping
// (2 i m + n) / (2 n) along the minor one: one by one, and many at once on a frame large enough
// to be drawn in two bands, cut by each edge of the clip box.
TEST(CDC, ManyLinesAreThoseDrawnOneByOneByTheirRule)
{
    constexpr int kW = 1400, kH = 800;
    const RECT clip{3, 2, kW - 5, kH - 1};
    const POINT origin{-4, 6};
    unsigned seed = 4242;
    const auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    std::vector<POINT> ends;
    for (int i = 0; i < 3000; ++i) {
        const POINT a{next(kW + 400) - 200, next(kH + 400) - 200};
        const int len = i % 10 == 0 ? 1500 : 40;
        const POINT b = i % 7 == 0 ? POINT{a.x + next(2 * len) - len, a.y}  // horizontal
                                   : POINT{a.x + next(2 * len) - len, a.y + next(2 * len) - len};
        ends.push_back(a);
        ends.push_back(b);
    }
    QImage rule(kW, kH, QImage::Format_RGB32);
    rule.fill(0xFF000000u);
    for (size_t k = 0; k < ends.size(); k += 2) {
        const int64_t x0 = ends[k].x - origin.x, y0 = ends[k].y - origin.y;
        const int64_t dx = ends[k + 1].x - ends[k].x, dy = ends[k + 1].y - ends[k].y;
        const int64_t n = std::max(std::abs(dx), std::abs(dy)), m = std::min(std::abs(dx), std::abs(dy));
        for (int64_t i = 0; i < n; ++i) {
            const int64_t step = (2 * i * m + n) / (2 * n);
            const bool xMajor = std::abs(dx) >= std::abs(dy);
            const int64_t x = x0 + (dx < 0 ? -1 : 1) * (xMajor ? i : step);
            const int64_t y = y0 + (dy < 0 ? -1 : 1) * (xMajor ? step : i);
            if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                rule.setPixel(static_cast<int>(x), static_cast<int>(y), 0xFFFF0000u);
        }
    }
    QImage one(kW, kH, QImage::Format_RGB32), many(kW, kH, QImage::Format_RGB32);
    one.fill(0xFF000000u);
    many.fill(0xFF000000u);
    CPen pen(PS_SOLID, 1, kRed);
    CDC oneDc(&one), manyDc(&many);
    for (CDC* dc : {&oneDc, &manyDc}) {
        dc->SetWindowOrg(origin.x, origin.y);
        dc->SetDeviceClip(clip);
        dc->SelectObject(&pen);
    }
    for (size_t k = 0; k < ends.size(); k += 2) {
        oneDc.MoveTo(ends[k].x, ends[k].y);
        oneDc.LineTo(ends[k + 1].x, ends[k + 1].y);
    }
    manyDc.Segments(ends.data(), ends.size() / 2);
    EXPECT_EQ(FirstDifference(one, rule), "");
    EXPECT_EQ(FirstDifference(many, rule), "");
    EXPECT_EQ(manyDc.GetCurrentPosition(), ends.back());
}
