#pragma once
// A GDI-like drawing surface over a QImage. Everything the model, the view and printing draw
// goes through it, so that drawings are pixel-testable. Right and bottom edges are exclusive.
//
// Drawing state (pen, brush, font, text colours and alignment, clip region, modes) is kept
// per context and saved/restored as a whole by SaveDC/RestoreDC. Every drawing operation,
// SetPixel included, is limited by the clip region; GetPixel answers CLR_INVALID outside it.
#include "LogFont.h"
#include "Types.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <vector>

enum DeviceCap { LOGPIXELSX = 88, LOGPIXELSY = 90, HORZRES = 8, VERTRES = 10 };
enum PenStyle { PS_SOLID = 0, PS_NULL = 5 };
enum BrushStyle { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1 };
enum PolyFillMode { ALTERNATE = 1, WINDING = 2 };
enum BkMode { TRANSPARENT = 1, OPAQUE = 2 };
enum StretchMode { COLORONCOLOR = 3, HALFTONE = 4 };
enum : std::uint32_t { SRCCOPY = 0x00CC0020u };
enum TextAlignFlags : unsigned {
    TA_LEFT = 0,
    TA_TOP = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};
enum DrawTextFlags : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};
// Result of SelectClipRgn / GetClipBox.
enum RegionKind { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

struct Pen {
    int style = PS_SOLID;
    int width = 1; // 0 draws as 1
    COLORREF color = RGB(0, 0, 0);
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    int style = BS_SOLID;
    COLORREF color = RGB(255, 255, 255);
    friend bool operator==(const Brush&, const Brush&) = default;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct TextMetrics {
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0; // height - character height
    int externalLeading = 0;
    int aveCharWidth = 0;
};

// GDI's region constructors, in device pixels. An ellipse region holds exactly the pixels
// that Ellipse with a one-pixel pen covers, so clipping to it and painting it agree.
namespace regions {
QRegion Rectangle(const Rect& r);
QRegion Ellipse(const Rect& r);
QRegion Polygon(const Point* points, int count, int fillMode);
} // namespace regions

class DeviceContext {
public:
    // target must outlive the context; other formats than ARGB32/RGB32 are converted in place.
    explicit DeviceContext(QImage& target, int dpiX = 96, int dpiY = 96);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    int GetDeviceCaps(int index) const;

    // --- state ---------------------------------------------------------------------------
    // Pushes the whole drawing state; returns its level (1 for the first save).
    int SaveDC();
    // level > 0 restores that saved level (dropping the ones above), level < 0 pops that
    // many levels back (-1: the last save). False when there is no such level.
    bool RestoreDC(int level);

    Pen SelectPen(const Pen& pen);       // returns the previous pen
    Brush SelectBrush(const Brush& brush); // returns the previous brush
    LogFont SelectFont(const LogFont& font); // returns the previous font
    const Pen& CurrentPen() const;
    const Brush& CurrentBrush() const;
    const LogFont& CurrentFont() const;

    COLORREF SetTextColor(COLORREF c); // returns the previous value
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF c);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    unsigned SetTextAlign(unsigned flags);
    unsigned GetTextAlign() const;
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const;

    // --- clipping -----------------------------------------------------------------------
    // nullptr removes the clip (the whole surface is drawable). Returns the region kind.
    int SelectClipRgn(const QRegion* region);
    int SelectClipRgn(const QRegion& region) { return SelectClipRgn(&region); }
    // Intersects the current clip with a rectangle.
    int IntersectClipRect(const Rect& r);
    bool HasClip() const;
    // The drawable area: the clip region cut to the surface (the surface without a clip).
    QRegion ClipRegion() const;
    // Bounding box of the drawable area.
    Rect GetClipBox() const;
    // Whether (x, y) is on the surface and inside the clip.
    bool PtVisible(int x, int y) const;

    // --- pixels -------------------------------------------------------------------------
    // CLR_INVALID outside the surface or the clip.
    COLORREF GetPixel(int x, int y) const;
    // Returns the colour set, CLR_INVALID when (x, y) is not drawable.
    COLORREF SetPixel(int x, int y, COLORREF color);

    // Direct pixel access for per-pixel algorithms (anti-aliased lines, fills): the same
    // answers as GetPixel/SetPixel without a call per pixel. Valid until the next other
    // use of this context; the image must not be copied or resized meanwhile.
    class PixelAccess {
    public:
        bool Visible(int x, int y) const {
            if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
            if (isRect_) return x >= rect_.left && x < rect_.right && y >= rect_.top &&
                                y < rect_.bottom;
            for (int i = rowFirst_[y]; i < rowFirst_[y + 1]; ++i)
                if (x >= spans_[i].first && x < spans_[i].second) return true;
            return false;
        }
        COLORREF Get(int x, int y) const {
            if (!Visible(x, y)) return CLR_INVALID;
            const QRgb p = Row(y)[x];
            return RGB(qRed(p), qGreen(p), qBlue(p));
        }
        bool Set(int x, int y, COLORREF c) {
            if (!Visible(x, y)) return false;
            Row(y)[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
            return true;
        }
        QRgb* Row(int y) const { return reinterpret_cast<QRgb*>(bits_ + y * stride_); }
        int Width() const { return width_; }
        int Height() const { return height_; }

    private:
        friend class DeviceContext;
        uchar* bits_ = nullptr;
        qsizetype stride_ = 0;
        int width_ = 0;
        int height_ = 0;
        bool isRect_ = true;
        Rect rect_;
        const int* rowFirst_ = nullptr;
        const std::pair<int, int>* spans_ = nullptr;
    };
    PixelAccess Pixels();

    // --- filled shapes ------------------------------------------------------------------
    // Fills the rectangle as given (left/top inclusive, right/bottom exclusive); an
    // un-normalised or empty rectangle fills nothing.
    void FillSolidRect(const Rect& r, COLORREF color);
    void FillRect(const Rect& r, const Brush& brush);
    void FillRgn(const QRegion& region, const Brush& brush);
    // GDI Rectangle/Ellipse: the box is normalised; the brush fills the interior, the pen
    // (centred on the box's edge, width w) strokes it. A null pen or brush draws nothing
    // of its part.
    bool Rectangle(int left, int top, int right, int bottom);
    bool Ellipse(int left, int top, int right, int bottom);
    // Filled with the brush by the poly fill mode, outlined with the pen.
    bool Polygon(const Point* points, int count);
    // Straight lines with the current pen; LineTo does not paint the end point.
    Point MoveTo(int x, int y);
    bool LineTo(int x, int y);
    // Boundary fill with the current brush: the 4-connected area around (x, y) that does
    // not have the boundary colour. False when the start is not drawable or is boundary.
    bool FloodFill(int x, int y, COLORREF boundary);

    // --- copies -------------------------------------------------------------------------
    // Copies w x h pixels from (sx, sy) of src to (x, y); source pixels outside src are
    // not copied. Only SRCCOPY is supported.
    bool BitBlt(int x, int y, int w, int h, const DeviceContext& src, int sx, int sy,
                std::uint32_t rop = SRCCOPY);
    bool BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy,
                std::uint32_t rop = SRCCOPY);
    // Stretches the source rectangle into the destination rectangle: nearest neighbour
    // in COLORONCOLOR mode, smooth filtering in HALFTONE mode.
    bool StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                    int sh, std::uint32_t rop = SRCCOPY);

    // --- text ---------------------------------------------------------------------------
    // The selected LogFont as a QFont for this device: a negative height is the character
    // height in pixels, a positive one the cell height; the face resolves through
    // fontconfig and falls back; weight, italic, underline and strike-out are honoured.
    QFont CurrentQFont() const;
    TextMetrics GetTextMetrics() const;
    // Draws one line at (x, y) by the text alignment, in the text colour; the background
    // is filled with the background colour when the mode is OPAQUE. lfEscapement (tenths
    // of a degree, counter-clockwise) turns the text about the reference point.
    bool TextOut(int x, int y, const QString& text);
    // Width of the line and the font's cell height (no prefix processing).
    Size GetTextExtentPoint32(const QString& text) const;
    // Multi-line text in a rectangle. "&" marks a prefix (underlined next character, "&&"
    // is a literal ampersand) unless DT_NOPREFIX. With DT_CALCRECT nothing is drawn and
    // rect's right and bottom are set to fit the text. Returns the text height.
    int DrawText(const QString& text, Rect& rect, unsigned format);

    struct State;

private:
    State& S();
    const State& S() const;
    bool Visible(int x, int y) const;
    void ClipChanged();
    void BuildClipIndex() const;
    // Paints the drawable part of a region in one colour.
    void PaintRegion(const QRegion& region, COLORREF color);
    // Calls f(y, x0, x1) for each drawable run of row y within [x0, x1).
    template <typename F> void ForEachVisibleRun(int y, int x0, int x1, F&& f) const;
    void PlotPen(int x, int y, std::uint32_t rgb);

    QImage& image_;
    int dpiX_;
    int dpiY_;
    std::vector<State> stack_; // back() is the current state
    // Clip acceleration, built lazily from the current clip: either one rectangle, or for
    // each surface row the visible [x0, x1) runs (spans_[rowFirst_[y]] .. [rowFirst_[y+1]]).
    mutable bool clipIndexValid_ = false;
    mutable bool clipIsRect_ = true;
    mutable Rect clipRect_;
    mutable QRegion indexedClip_;
    mutable std::vector<int> rowFirst_;
    mutable std::vector<std::pair<int, int>> spans_;
    Point penPos_;
    // The QFont last built by CurrentQFont, reused while the selected LogFont is unchanged.
    mutable QFont cachedFont_;
    mutable LogFont cachedLogFont_;
    mutable bool cachedFontValid_ = false;
};

// The complete drawing state saved by SaveDC.
struct DeviceContext::State {
    Pen pen;
    Brush brush;
    LogFont font;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int stretchMode = COLORONCOLOR;
    int polyFillMode = ALTERNATE;
    bool hasClip = false;
    QRegion clip;
};
