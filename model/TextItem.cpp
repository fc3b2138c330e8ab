#include "TextItem.h"

#include "DeviceContext.h"
#include "TextCodec.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::size_t kTabSpaces = 8;

unsigned AlignmentFormat(std::int32_t alignment) {
    switch (alignment) {
    case 1:
        return DT_CENTER;
    case 2:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

// Angle reduced into (-360, 360] as repeated steps of 360 would leave it.
double ReduceAngle(double a) {
    if (!std::isfinite(a)) return 0.0;
    if (a > 360.0) {
        a = std::fmod(a, 360.0);
        if (a == 0.0) a = 360.0;
    } else if (a <= -360.0) {
        a = std::fmod(a, 360.0);
    }
    return a;
}

// Angle taken into [0, 360), a full turn counting as none.
double NormalizeAngle(double a) {
    if (!std::isfinite(a)) return 0.0;
    a = std::fmod(a, 360.0);
    if (a < 0.0) a += 360.0;
    if (a >= 360.0) a = 0.0;
    return a;
}

// Lines of text; a run of several CR/LF characters is one break, so empty lines vanish.
std::vector<QString> NonEmptyLines(const QString& text) {
    std::vector<QString> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        while (start < n && (text[start] == u'\r' || text[start] == u'\n'))
            ++start;
        qsizetype end = start;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        if (end > start) lines.push_back(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

} // namespace

TextItem::TextItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor,
                   std::string_view text, const LogFont& font)
    : LabelItem(ItemKind::Text) {
    data_.rect = {x1, y1, x2, y2};
    data_.lineColor = lineColor;
    data_.fillColor = fillColor;
    data_.font = font;
    data_.text = ExpandTabs(text);
    // An empty text still counts one byte, its terminator, in records.
    data_.textLength =
        data_.text.empty() ? 1 : ClampToInt32(static_cast<std::int64_t>(data_.text.size()));
}

TextItem::TextItem(ItemKind kind) : LabelItem(kind) {}

TextItem::TextItem(const std::uint8_t* record, std::size_t length)
    : TextItem(ItemKind::Text, record, length) {}

TextItem::TextItem(ItemKind kind, const std::uint8_t* record, std::size_t length)
    : LabelItem(kind) {
    ReadRecord(record, length);
}

std::string TextItem::ExpandTabs(std::string_view text) {
    std::size_t tabs = 0;
    for (char c : text)
        tabs += c == '\t';
    if (tabs == 0) return std::string(text);
    std::string out;
    out.reserve(text.size() + tabs * (kTabSpaces - 1));
    for (char c : text) {
        if (c == '\t')
            out.append(kTabSpaces, ' ');
        else
            out.push_back(c);
    }
    return out;
}

LogFont TextItem::DeviceFont(const DeviceContext& dc) const {
    LogFont font = data_.font;
    font.lfHeight = -MulDiv(data_.font.lfHeight, dc.GetDeviceCaps(LOGPIXELSY), 72);
    return font;
}

QString TextItem::DisplayText() const {
    return textcodec::Decode(data_.text);
}

QString TextItem::MeasuredText() const {
    return DisplayText().replace(u'&', QStringLiteral("&&"));
}

void TextItem::FitToText(DeviceContext& dc) {
    const int saved = dc.SaveDC();
    dc.SelectFont(DeviceFont(dc));
    Rect r = data_.rect;
    dc.DrawText(MeasuredText(), r, AlignmentFormat(data_.alignment) | DT_CALCRECT);
    // Italic glyphs lean past their advance; the slack is taken on the right coordinate
    // itself, not on the width.
    if (data_.font.lfItalic) r.right = TruncToInt32(r.right * 1.05);
    data_.rect = r;
    dc.RestoreDC(saved);
}

void TextItem::Resize(int handle, int x, int y) {
    Rect& r = data_.rect;
    switch (handle) {
    case 1:
        if (x < r.right) r.left = x;
        if (y < r.bottom) r.top = y;
        break;
    case 2:
        if (x > r.left) r.right = x;
        if (y < r.bottom) r.top = y;
        break;
    case 3:
        if (x > r.left) r.right = x;
        if (y > r.top) r.bottom = y;
        break;
    case 4:
        if (x < r.right) r.left = x;
        if (y > r.top) r.bottom = y;
        break;
    default:
        break;
    }
}

void TextItem::DrawHandles(DeviceContext& dc) const {
    PaintHandles(dc, kTextHandleColor);
}

TextLayout TextItem::LayoutText(DeviceContext& dc) {
    const double rotation = data_.rotation;
    TextLayout layout;
    layout.font = DeviceFont(dc);
    layout.font.lfEscapement = TruncToInt32(-10.0 * rotation);

    // Find the box the text has before its turn by turning the geometry back and forth.
    // With even sides the centre is exact, so the two turns cancel.
    const Rect placed = data_.rect;
    const auto savedPoints = data_.points;
    Rect& r = data_.rect;
    r.right = ClampToInt32(std::int64_t{r.right} + (std::int64_t{r.right} - r.left) % 2);
    r.bottom = ClampToInt32(std::int64_t{r.bottom} + (std::int64_t{r.bottom} - r.top) % 2);
    RotateBy(-rotation);
    const Rect up = data_.rect;
    RotateBy(rotation);
    data_.rect = placed;
    data_.points = savedPoints;
    data_.rotation = rotation;

    double x = up.left;
    const double y = up.top;
    switch (data_.alignment) {
    case 1:
        layout.textAlign = TA_CENTER | TA_TOP;
        x = static_cast<double>((std::int64_t{up.left} + up.right) / 2);
        break;
    case 2:
        layout.textAlign = TA_RIGHT | TA_TOP;
        x = up.right;
        break;
    default:
        layout.textAlign = TA_LEFT | TA_TOP;
        break;
    }

    // Turn the origin with the box, a quarter at a time about the upright box's centre.
    const double cx = (double(up.left) + up.right) / 2.0;
    const double cy = (double(up.top) + up.bottom) / 2.0;
    double ox = x, oy = y;
    double a = ReduceAngle(rotation);
    while (a > 0.0) {
        const double dx = ox - cx, dy = oy - cy;
        ox = cx - dy;
        oy = cy + dx;
        a -= 90.0;
    }
    while (a < 0.0) {
        const double dx = ox - cx, dy = oy - cy;
        ox = cx + dy;
        oy = cy - dx;
        a += 90.0;
    }

    const double turn = NormalizeAngle(rotation);
    const int saved = dc.SaveDC();
    dc.SelectFont(layout.font);
    for (QString& line : NonEmptyLines(DisplayText())) {
        const Size extent = dc.GetTextExtentPoint32(line);
        layout.lineAdvance = extent.cy;
        layout.lines.push_back({std::move(line), {TruncToInt32(ox), TruncToInt32(oy)}});
        // Successive lines go down the text's own "down", which turns with the text.
        if (turn == 0.0)
            oy += extent.cy;
        else if (turn == 90.0)
            ox -= extent.cy;
        else if (turn == 180.0)
            oy -= extent.cy;
        else if (turn == 270.0)
            ox += extent.cy;
    }
    dc.RestoreDC(saved);
    return layout;
}

void TextItem::Draw(DeviceContext& dc, bool) {
    const int saved = dc.SaveDC();
    const TextLayout layout = LayoutText(dc);
    dc.SelectFont(layout.font);
    dc.SetTextAlign(layout.textAlign);
    dc.SetTextColor(data_.fillColor);
    dc.SetBkMode(TRANSPARENT);
    for (const TextLine& line : layout.lines)
        dc.TextOut(line.origin.x, line.origin.y, line.text);
    dc.RestoreDC(saved);
}
