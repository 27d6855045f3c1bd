// Device contexts and drawing objects on QImage, with the semantics the drawing code relies on:
// a line includes its start pixel and excludes its end pixel; a rectangle (l, t, r, b) covers x
// from l to r - 1 and y from t to b - 1; selecting an object returns the one selected before.
#pragma once

#include "platform/glyphstamps.h"
#include "platform/wintypes.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QList>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QPainter;

constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

constexpr unsigned ETO_OPAQUE = 0x0002;
constexpr unsigned ETO_CLIPPED = 0x0004;

constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr int COLORONCOLOR = 3;

constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;

constexpr int FW_NORMAL = 400;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr int FF_MODERN = 0x30;

struct LOGFONTA {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[32] = {};
};

struct BITMAP {
    int32_t bmType = 0;
    int32_t bmWidth = 0;
    int32_t bmHeight = 0;
    int32_t bmWidthBytes = 0;
    uint16_t bmPlanes = 0;
    uint16_t bmBitsPixel = 0;
};

// The face the program asks for ("MS gothic" and the dialog faces) and the one we have.
QString MapFaceName(std::string_view face);

class CGdiObject {
public:
    virtual ~CGdiObject() = default;
    // True once the object was created; a deleted or never-created object draws as the default.
    bool IsValid() const { return m_valid; }
    void DeleteObject() { m_valid = false; }

protected:
    bool m_valid = false;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    bool CreatePen(int style, int width, COLORREF color);
    int Style() const { return m_style; }
    int Width() const { return m_width; }
    COLORREF Color() const { return m_color; }

private:
    int m_style = PS_SOLID;
    int m_width = 1;
    COLORREF m_color = RGB(0, 0, 0);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    bool CreateSolidBrush(COLORREF color);
    bool CreateHollow();
    bool IsHollow() const { return m_hollow; }
    COLORREF Color() const { return m_color; }

private:
    bool m_hollow = false;
    COLORREF m_color = RGB(255, 255, 255);
};

class CFont : public CGdiObject {
public:
    bool CreateFontIndirect(const LOGFONTA* lf);
    const LOGFONTA& LogFont() const { return m_lf; }
    const QFont& Font() const { return m_font; }
    void SetQFont(const QFont& font);
    // Metrics of the face, made once: text is measured for every label of every frame.
    const QFontMetrics& Metrics() const;

    // A text laid out in this font: its advance as the metrics measure it and its glyphs placed
    // from the pen position at the baseline, as drawing the string places them.
    struct Layout {
        int width = 0;
        QList<QGlyphRun> runs;
        // The glyphs' stamps in drawing order, when every glyph has one.
        std::vector<PlacedStamp> stamps;
        bool stamped = false;
    };
    // The layout of a CP932 text, made the first time the text is drawn in this font: the same
    // labels are drawn frame after frame. It stays where it is until TrimLayouts.
    const Layout& LayoutOf(std::string_view cp932) const;
    // Forgets every layout when there are too many kept.
    void TrimLayouts() const;
    // True when this font's stamps draw text in color (a surface pixel) as Qt draws it; the first
    // question for each colour draws layout both ways and compares.
    bool StampsDrawAsQt(uint32_t color, const Layout& layout) const;

private:
    Layout MakeLayout(std::string_view cp932) const;
    void ClearLayouts();

    LOGFONTA m_lf;
    QFont m_font;
    mutable std::unique_ptr<QFontMetrics> m_metrics;
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    mutable std::unordered_map<std::string, Layout, TextHash, std::equal_to<>> m_layouts;
    mutable GlyphStampCache m_stamps;
    mutable std::unordered_map<uint32_t, bool> m_stampColors;
};

class CDC;

class CBitmap : public CGdiObject {
public:
    bool CreateCompatibleBitmap(CDC* dc, int width, int height);
    bool CreateFromImage(const QImage& image);
    // Bitmap resource by id (the application's bitmaps).
    bool LoadBitmap(int id);
    int GetBitmap(BITMAP* out) const;
    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
};

// Stock objects, shared by every context.
CGdiObject* GetStockObject(int which);
CBrush* StockBrush(int which);
CPen* StockPen(int which);
CFont* StockFont(int which);

class CDC {
public:
    CDC();
    // A context that draws onto an image it does not own (a window's surface).
    explicit CDC(QImage* surface);
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Memory context: a 1 x 1 bitmap is selected until the caller selects its own.
    bool CreateCompatibleDC(CDC* other);
    void DeleteDC();

    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    CGdiObject* SelectStockObject(int which);
    CPen* GetCurrentPen() const { return m_pen; }
    CBrush* GetCurrentBrush() const { return m_brush; }
    CFont* GetCurrentFont() const { return m_font; }

    POINT MoveTo(int x, int y);
    bool LineTo(int x, int y);
    // MoveTo(ends[2 i]) then LineTo(ends[2 i + 1]) for each of count segments in turn.
    void Segments(const POINT* ends, size_t count);
    POINT GetCurrentPosition() const { return m_pos; }
    bool Rectangle(int left, int top, int right, int bottom);
    bool Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    bool RoundRect(int left, int top, int right, int bottom, int width, int height);
    bool Ellipse(int left, int top, int right, int bottom);
    bool PolyPolygon(const POINT* points, const int* counts, int polygons);
    void FillSolidRect(const RECT& r, COLORREF color);
    // Rectangle for each of many rectangles, the context's state looked at once.
    void Rectangles(const RECT* rects, size_t count);
    // Rectangle(rects[i]) then TextOut(at[i], texts[i]) for each i in turn.
    void FramedTexts(const RECT* rects, const POINT* at, const std::string_view* texts, size_t count);

    COLORREF SetPixelV(int x, int y, COLORREF color);
    // SetPixelV for each of many points in one colour, the context's state looked at once.
    void SetPixelsV(const POINT* points, size_t count, COLORREF color);
    COLORREF GetPixel(int x, int y) const;

    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_bkMode; }
    unsigned SetTextAlign(unsigned align);
    unsigned GetTextAlign() const { return m_textAlign; }
    // Texts are CP932 bytes.
    bool TextOut(int x, int y, const char* text, int count);
    // Off: each text is laid out again as it is drawn, with no layout kept (a plain reference).
    void SetTextLayouts(bool kept) { m_keptLayouts = kept; }
    bool TextOut(int x, int y, std::string_view text) { return TextOut(x, y, text.data(), static_cast<int>(text.size())); }
    bool ExtTextOut(int x, int y, unsigned options, const RECT* rect, const char* text, unsigned count, const int* dx);
    SIZE GetTextExtent(std::string_view text) const;

    POINT SetWindowOrg(int x, int y);
    POINT GetWindowOrg() const { return m_origin; }
    int GetClipBox(RECT* r) const;
    // The device-coordinate rectangle drawing is limited to (a paint context's update area).
    void SetDeviceClip(const RECT& r);

    bool BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, uint32_t rop);
    bool StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int srcWidth,
                    int srcHeight, uint32_t rop);
    int SetStretchBltMode(int mode);
    // 32-bit BI_RGB pixels, bottom-up when biHeight > 0. Returns the number of scan lines set.
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc, unsigned startScan,
                          unsigned lines, const void* bits, const BITMAPINFO* info, unsigned usage);

    // The image drawn on (the selected bitmap's for a memory context); null when there is none.
    QImage* Surface() const;

    // The surface's pixels for a software rasteriser, any painting under way ended first: device
    // row y starts at bits + y * stride; a logical point (x, y) is device (x - origin.x,
    // y - origin.y); writes stay inside clip (device coordinates). False without a surface.
    struct Pixels {
        uint32_t* bits = nullptr;
        qsizetype stride = 0;  // in pixels
        RECT clip;
        POINT origin;
    };
    bool GetPixels(Pixels* out);

private:
    // Where a text goes in the current font and alignment (logical coordinates).
    struct TextBox {
        const CFont::Layout* layout = nullptr;  // null when layouts are not kept
        QString text;                           // decoded, when they are not
        int left = 0, top = 0, width = 0, height = 0;
        QPoint baseline;  // the pen position on the baseline
    };
    // False when the text cannot reach the clip box, wherever its alignment puts it.
    bool PlaceText(int x, int y, std::string_view bytes, TextBox& box);
    // The layout's stamps draw it on this surface in the text colour as Qt would.
    bool Stamped(const CFont::Layout& layout) const;
    QPainter* Painter();
    void EndPainter();
    // Row r of the surface for writing; the surface is detached once, not per pixel.
    uint32_t* Row(int r);
    RECT DeviceClip() const;
    void HLine(int x0, int x1, int y, uint32_t pixel, const RECT& clip);
    void ThinLine(int x0, int y0, int x1, int y1, uint32_t pixel, const RECT& clip);
    void ApplyPenAndBrush(QPainter* p) const;
    QString Decode(std::string_view text) const;

    QImage* m_target = nullptr;   // window surface, not owned
    bool m_memory = false;
    CBitmap m_defaultBitmap;
    CBitmap* m_bitmap = nullptr;  // selected bitmap of a memory context
    CPen* m_pen;
    CBrush* m_brush;
    CFont* m_font;
    POINT m_pos;
    POINT m_origin;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    int m_bkMode = OPAQUE;
    unsigned m_textAlign = TA_LEFT | TA_TOP;
    int m_stretchMode = 1;
    bool m_keptLayouts = true;
    bool m_hasDeviceClip = false;
    RECT m_deviceClip;
    std::unique_ptr<QPainter> m_painter;
    QImage* m_painterSurface = nullptr;
    bool m_painterSet = false;  // the painter's clip and transform are those of m_painterClip, m_painterOrigin
    RECT m_painterClip;
    POINT m_painterOrigin;
    QImage* m_bitsSurface = nullptr;
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
};

// Pixel value of a colour in our surfaces (QImage::Format_RGB32).
inline uint32_t PixelOf(COLORREF c)
{
    return 0xFF000000u | (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
           static_cast<uint32_t>(GetBValue(c));
}
inline COLORREF ColorOfPixel(uint32_t p)
{
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}
