// Fonts and text output of DeviceContext. Glyphs are rendered by Qt onto the target image;
// the GDI rules kept here are the ones layouts depend on: how a LogFont height picks a size,
// where the reference point of TextOut sits, and how DrawText breaks, aligns and measures.
#include "DeviceContext.h"

#include "TextCodec.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Glyphs beyond this size only cost memory; no label or print resolution gets near it.
constexpr int kMaxPixelSize = 16384;
// lfQuality value that asks for aliased glyphs.
constexpr std::uint8_t kNonAntialiasedQuality = 3;
// Tab stops of DT_EXPANDTABS are this many average character widths apart.
constexpr int kTabStopChars = 8;

QColor ToColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

int ClampPixelSize(std::int64_t px) {
    return static_cast<int>(std::clamp<std::int64_t>(px, 1, kMaxPixelSize));
}

// Everything of the LogFont except its size. The face goes first; a generic face of the
// same family follows so that an unknown face falls back to something of the right kind
// (fontconfig substitutes the common Windows faces with metric-compatible ones).
QFont FontWithoutSize(const LogFont& lf) {
    const int family = lf.lfPitchAndFamily & 0xF0;
    const bool fixedPitch = (lf.lfPitchAndFamily & 0x03) == FIXED_PITCH;
    QString generic;
    QFont::StyleHint hint;
    if (fixedPitch || family == FF_MODERN) {
        generic = QStringLiteral("Courier New");
        hint = QFont::TypeWriter;
    } else if (family == FF_ROMAN) {
        generic = QStringLiteral("Times New Roman");
        hint = QFont::Serif;
    } else {
        generic = QStringLiteral("Arial");
        hint = QFont::SansSerif;
    }
    QStringList families;
    const QString face = textcodec::Decode(lf.FaceName()).trimmed();
    if (!face.isEmpty()) families << face;
    if (face.compare(generic, Qt::CaseInsensitive) != 0) families << generic;

    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    // 0 is "don't care", which GDI treats as normal weight.
    const int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min(lf.lfWeight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(lf.lfItalic != 0);
    font.setUnderline(lf.lfUnderline != 0);
    font.setStrikeOut(lf.lfStrikeOut != 0);
    // GDI places glyphs by their advances alone; kerning would make measured and drawn
    // widths of a string differ from the sum of its parts.
    font.setKerning(false);
    if (lf.lfQuality == kNonAntialiasedQuality) font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int CellHeightAt(QFont font, int pixelSize, const QPaintDevice* device) {
    font.setPixelSize(pixelSize);
    const QFontMetrics fm(font, device);
    return fm.ascent() + fm.descent();
}

// The largest pixel size whose cell (ascent + descent) does not exceed cell, as the font
// mapper matches a positive height against the cell height.
int PixelSizeForCell(const QFont& font, int cell, const QPaintDevice* device) {
    cell = ClampPixelSize(cell);
    const int measured = std::max(1, CellHeightAt(font, cell, device));
    int px = ClampPixelSize(static_cast<std::int64_t>(cell) * cell / measured);
    while (px > 1 && CellHeightAt(font, px, device) > cell)
        --px;
    while (px < kMaxPixelSize && CellHeightAt(font, px + 1, device) <= cell)
        ++px;
    return px;
}

// A line after prefix processing: "&&" is a literal ampersand, "&x" shows x underlined.
struct PrefixedLine {
    QString text;
    int underlined = -1; // index into text, -1 for none
};

PrefixedLine StripPrefixes(const QString& line) {
    PrefixedLine out;
    out.text.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c != u'&') {
            out.text.append(c);
            continue;
        }
        if (i + 1 >= line.size()) break; // a lone trailing prefix shows nothing
        if (line[i + 1] == u'&') {
            out.text.append(u'&');
            ++i;
        } else {
            out.underlined = static_cast<int>(out.text.size());
        }
    }
    return out;
}

// Hard lines: CR LF, a lone CR and a lone LF each end a line; a break at the very end does
// not start another line.
std::vector<QString> SplitHardLines(const QString& text) {
    std::vector<QString> lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && text[i] != u'\r' && text[i] != u'\n')
            ++i;
        lines.push_back(text.mid(start, i - start));
        if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    return lines;
}

// Measures and draws one line the way DrawText shows it: after prefix processing and,
// when asked, with tabs advancing to the next tab stop.
class LineShaper {
public:
    LineShaper(const QFontMetrics& fm, unsigned format)
        : fm_(fm), prefixes_(!(format & DT_NOPREFIX)), expandTabs_(format & DT_EXPANDTABS),
          tabWidth_(std::max(1, kTabStopChars * fm.averageCharWidth())) {}

    PrefixedLine Prepare(const QString& raw) const {
        if (prefixes_) return StripPrefixes(raw);
        return {raw, -1};
    }

    // Advance of the first count characters of a prepared line.
    int Advance(const QString& text, qsizetype count) const {
        count = std::min(count, text.size());
        if (!expandTabs_) return fm_.horizontalAdvance(text.left(count));
        std::int64_t x = 0;
        qsizetype segment = 0;
        for (qsizetype i = 0; i <= count; ++i) {
            if (i < count && text[i] != u'\t') continue;
            x += fm_.horizontalAdvance(text.mid(segment, i - segment));
            if (i < count) x = (x / tabWidth_ + 1) * tabWidth_;
            segment = i + 1;
        }
        return static_cast<int>(std::min<std::int64_t>(x, INT32_MAX));
    }
    int Width(const QString& text) const { return Advance(text, text.size()); }

    void Draw(QPainter& p, int x, int baseline, const PrefixedLine& line) const {
        const QString& text = line.text;
        if (!expandTabs_) {
            p.drawText(QPoint(x, baseline), text);
        } else {
            qsizetype segment = 0;
            for (qsizetype i = 0; i <= text.size(); ++i) {
                if (i < text.size() && text[i] != u'\t') continue;
                if (i > segment)
                    p.drawText(QPoint(x + Advance(text, segment), baseline),
                               text.mid(segment, i - segment));
                segment = i + 1;
            }
        }
        if (line.underlined >= 0 && line.underlined < text.size()) {
            const int from = Advance(text, line.underlined);
            const int to = Advance(text, line.underlined + 1);
            p.fillRect(QRect(x + from, baseline + fm_.underlinePos(), std::max(1, to - from),
                             std::max(1, fm_.lineWidth())),
                       p.pen().color());
        }
    }

    // Greedy word wrap at spaces; a word wider than the box keeps a line of its own.
    std::vector<QString> Wrap(const QString& raw, int maxWidth) const {
        std::vector<QString> out;
        QString rest = raw;
        while (true) {
            if (Width(Prepare(rest).text) <= maxWidth) {
                out.push_back(rest);
                break;
            }
            qsizetype breakAt = -1;
            bool word = false; // a break before the first word would only make a blank line
            for (qsizetype i = 0; i < rest.size(); ++i) {
                if (rest[i] != u' ') {
                    word = true;
                    continue;
                }
                if (!word) continue;
                if (Width(Prepare(rest.left(i)).text) > maxWidth) break;
                breakAt = i;
            }
            if (breakAt < 0) {
                // Nothing fits: the first word (with any leading spaces) takes the line.
                qsizetype wordStart = 0;
                while (wordStart < rest.size() && rest[wordStart] == u' ')
                    ++wordStart;
                breakAt = rest.indexOf(u' ', wordStart);
                if (breakAt < 0) {
                    out.push_back(rest);
                    break;
                }
            }
            out.push_back(rest.left(breakAt));
            qsizetype next = breakAt;
            while (next < rest.size() && rest[next] == u' ')
                ++next;
            rest = rest.mid(next);
            if (rest.isEmpty()) break;
        }
        return out;
    }

private:
    const QFontMetrics& fm_;
    bool prefixes_;
    bool expandTabs_;
    int tabWidth_;
};

} // namespace

QFont DeviceContext::CurrentQFont() const {
    const LogFont& lf = S().font;
    // The turn of the text is not part of the QFont: a font measured upright and then drawn
    // turned (as text items do) is built once.
    auto unturned = [](LogFont f) {
        f.lfEscapement = 0;
        f.lfOrientation = 0;
        return f;
    };
    if (cachedFontValid_ && unturned(cachedLogFont_) == unturned(lf)) return cachedFont_;

    QFont font = FontWithoutSize(lf);
    int px;
    if (lf.lfHeight < 0)
        px = ClampPixelSize(-static_cast<std::int64_t>(lf.lfHeight));
    else if (lf.lfHeight > 0)
        px = PixelSizeForCell(font, lf.lfHeight, &image_);
    else
        px = ClampPixelSize(MulDiv(12, dpiY_, 72)); // GDI's "default size": a 12-point face
    font.setPixelSize(px);

    if (lf.lfWidth > 0) {
        // lfWidth asks for an average character width; stretch the face to it.
        const int natural = QFontMetrics(font, &image_).averageCharWidth();
        if (natural > 0)
            font.setStretch(static_cast<int>(std::clamp<std::int64_t>(
                (std::int64_t{lf.lfWidth} * 100 + natural / 2) / natural, 1, 4000)));
    }

    cachedFont_ = font;
    cachedLogFont_ = lf;
    cachedFontValid_ = true;
    return font;
}

TextMetrics DeviceContext::GetTextMetrics() const {
    const QFont font = CurrentQFont();
    const QFontMetrics fm(font, &image_);
    TextMetrics tm;
    tm.ascent = fm.ascent();
    tm.descent = fm.descent();
    tm.height = tm.ascent + tm.descent;
    tm.internalLeading = std::max(0, tm.height - font.pixelSize());
    tm.externalLeading = std::max(0, fm.leading());
    tm.aveCharWidth = fm.averageCharWidth();
    return tm;
}

Size DeviceContext::GetTextExtentPoint32(const QString& text) const {
    const QFontMetrics fm(CurrentQFont(), &image_);
    return {fm.horizontalAdvance(text), fm.ascent() + fm.descent()};
}

bool DeviceContext::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty()) return true;
    const QRegion clip = ClipRegion();
    if (clip.isEmpty()) return true;

    const State& s = S();
    const QFont font = CurrentQFont();
    const QFontMetrics fm(font, &image_);
    const int width = fm.horizontalAdvance(text);
    const int ascent = fm.ascent();
    const int cell = ascent + fm.descent();

    // Cell position relative to the reference point, in the text's own (unturned) frame.
    // TA_CENTER and TA_BASELINE share bits with TA_RIGHT and TA_BOTTOM, so test them first.
    const unsigned align = s.textAlign;
    int left = 0;
    if ((align & TA_CENTER) == TA_CENTER)
        left = -width / 2;
    else if (align & TA_RIGHT)
        left = -width;
    int top = 0;
    if ((align & TA_BASELINE) == TA_BASELINE)
        top = -ascent;
    else if (align & TA_BOTTOM)
        top = -cell;

    QPainter p(&image_);
    p.setClipRegion(clip);
    p.translate(x, y);
    // Escapement is counter-clockwise on screen; QPainter turns clockwise for positive angles.
    if (s.font.lfEscapement % 3600 != 0) p.rotate(-s.font.lfEscapement / 10.0);
    if (s.bkMode == OPAQUE) p.fillRect(QRect(left, top, width, cell), ToColor(s.bkColor));
    p.setFont(font);
    p.setPen(ToColor(s.textColor));
    p.drawText(QPoint(left, top + ascent), text);
    return true;
}

// Lines run horizontally whatever the font's escapement; the text alignment of the context
// does not apply (placement comes from the format flags).
int DeviceContext::DrawText(const QString& text, Rect& rect, unsigned format) {
    const State& s = S();
    const QFont font = CurrentQFont();
    const QFontMetrics fm(font, &image_);
    const LineShaper shaper(fm, format);
    const int lineHeight = fm.ascent() + fm.descent();

    std::vector<QString> rawLines;
    if (format & DT_SINGLELINE) {
        rawLines.push_back(text);
    } else {
        for (const QString& hard : SplitHardLines(text)) {
            if (!(format & DT_WORDBREAK)) {
                rawLines.push_back(hard);
                continue;
            }
            const int boxWidth =
                ClampToInt32(std::max<std::int64_t>(0, std::int64_t{rect.right} - rect.left));
            for (QString& wrapped : shaper.Wrap(hard, boxWidth))
                rawLines.push_back(std::move(wrapped));
        }
    }

    std::vector<PrefixedLine> lines;
    lines.reserve(rawLines.size());
    int widest = 0;
    for (const QString& raw : rawLines) {
        lines.push_back(shaper.Prepare(raw));
        widest = std::max(widest, shaper.Width(lines.back().text));
    }
    const std::int64_t total = static_cast<std::int64_t>(lines.size()) * lineHeight;
    const int height = static_cast<int>(std::min<std::int64_t>(total, INT32_MAX));

    if (format & DT_CALCRECT) {
        rect.right = ClampToInt32(std::int64_t{rect.left} + widest);
        rect.bottom = ClampToInt32(std::int64_t{rect.top} + total);
        return height;
    }

    std::int64_t y = rect.top;
    const bool singleLine = format & DT_SINGLELINE;
    if (singleLine && (format & DT_VCENTER))
        y = (std::int64_t{rect.top} + rect.bottom - lineHeight) / 2;
    else if (singleLine && (format & DT_BOTTOM))
        y = std::int64_t{rect.bottom} - lineHeight;
    const std::int64_t firstY = y;

    QRegion clip = ClipRegion();
    if (!(format & DT_NOCLIP)) {
        const Rect box = rect.Normalized();
        clip &= QRegion(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)));
    }
    if (!clip.isEmpty() && !lines.empty()) {
        QPainter p(&image_);
        p.setClipRegion(clip);
        p.setFont(font);
        p.setPen(ToColor(s.textColor));
        for (const PrefixedLine& line : lines) {
            const int w = shaper.Width(line.text);
            std::int64_t x = rect.left;
            if (format & DT_CENTER)
                x = (std::int64_t{rect.left} + rect.right - w) / 2;
            else if (format & DT_RIGHT)
                x = std::int64_t{rect.right} - w;
            const int xi = ClampToInt32(x);
            const int yi = ClampToInt32(y);
            if (s.bkMode == OPAQUE) p.fillRect(QRect(xi, yi, w, lineHeight), ToColor(s.bkColor));
            shaper.Draw(p, xi, yi + fm.ascent(), line);
            y += lineHeight;
        }
    }
    // With the text moved down, GDI reports where the drawn text ends below the box's top.
    if (singleLine && (format & (DT_VCENTER | DT_BOTTOM)))
        return ClampToInt32(firstY + total - rect.top);
    return height;
}
