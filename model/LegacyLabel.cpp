#include "LegacyLabel.h"

#include "AppPaths.h"
#include "CVellumarkDoc.h"
#include "DeviceContext.h"
#include "ImageItem.h"
#include "ItemRecord.h"
#include "ShapeItems.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <string>

namespace legacylabel {

namespace {

constexpr char kBegin[] = "[BEGIN]";
constexpr char kEnd[] = "[END]";
constexpr char kCoverTypeOpen[] = "[covertype]";
constexpr char kCoverTypeClose[] = "[ENDcovertype]";
constexpr char kDelimOpen[] = "[DELIM]";
constexpr char kDelimClose[] = "[/DELIM]";

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A legacy file is a text part and at most four pictures; each picture beyond what a label
// file can store is dropped anyway, so anything far larger is not a label.
constexpr qint64 kMaxLegacyFileBytes = qint64{256} << 20;

// Font sizes far outside anything a label shows would only make text layout crawl.
constexpr std::int32_t kMaxFontHeight = 1000;

// A CD holds at most 99 tracks. Listings are built row by row and every row scans its
// columns, so a damaged file with hundreds of thousands of fields would stall conversion.
constexpr int kMaxTrackRows = 999;

// C-library integer conversion: leading blanks, an optional sign, then digits up to the
// first other character; "" gives 0. Saturates instead of overflowing.
std::int32_t ParseInt(const QByteArray& v) {
    qsizetype i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t' || v[i] == '\r' || v[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::int64_t value = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
        value = std::min<std::int64_t>(value * 10 + (v[i] - '0'), std::int64_t{1} << 32);
        ++i;
    }
    return ClampToInt32(negative ? -value : value);
}

// Values are written by the older program without blanks; tolerate them anyway.
bool EqualsWord(const QByteArray& v, const char* word) {
    return v.trimmed().compare(word, Qt::CaseInsensitive) == 0;
}

// Font flags are false only when written "FALSE"; a missing tag leaves the flag off rather
// than turning every effect on.
std::uint8_t FontFlag(const QByteArray& v) {
    return !v.trimmed().isEmpty() && !EqualsWord(v, "FALSE") ? 1 : 0;
}

// A missing border flag keeps the new page's default (border shown).
std::int32_t BorderFlag(const QByteArray& v, std::int32_t fallback) {
    if (v.trimmed().isEmpty()) return fallback;
    return EqualsWord(v, "FALSE") ? 0 : 1;
}

// The inner-circle flag is false when "0"; a missing one keeps the default (hole left).
std::int32_t InnerCircleFlag(const QByteArray& v, std::int32_t fallback) {
    if (v.trimmed().isEmpty()) return fallback;
    return v.trimmed() == "0" ? 0 : 1;
}

// A missing colour is white for backgrounds (no rectangle), black for text.
COLORREF ParseColour(const QByteArray& v, COLORREF fallback) {
    if (v.trimmed().isEmpty()) return fallback;
    return static_cast<COLORREF>(ParseInt(v)) & 0x00FFFFFFu;
}

std::int32_t ParseAlignment(const QByteArray& v) {
    if (EqualsWord(v, "CENTER")) return 1;
    if (EqualsWord(v, "RIGHT")) return 2;
    return 0;
}

QByteArray Tag(char prefix, const char* name) {
    return QByteArray(1, prefix) + name;
}

// What the older file says about one surface: f front, b back, d disc.
struct Surface {
    QByteArray title;
    QByteArray body;
    LogFont font;
    COLORREF textColor = 0;
    COLORREF background = kWhite;
    std::int32_t alignment = 0;
    QByteArray showBorder; // raw, applied per page
};

Surface ReadSurface(const QByteArray& text, char p, double heightScale) {
    Surface s;
    s.title = TagValue(text, Tag(p, "CoverTitle").constData());
    s.body = TagValue(text, Tag(p, "CoverText").constData());
    s.textColor = ParseColour(TagValue(text, Tag(p, "CoverTextColor").constData()), 0);
    s.background = ParseColour(TagValue(text, Tag(p, "BGColor").constData()), kWhite);
    s.alignment = ParseAlignment(TagValue(text, Tag(p, "CoverAlign").constData()));
    s.showBorder = TagValue(text, Tag(p, "ShowBorder").constData());

    // Heights were stored for the older program's screen; 0.72 turns them into the points
    // that text items keep. An empty value gets the disc's default for every surface.
    const QByteArray face = TagValue(text, Tag(p, "CoverTextFontFace").constData());
    s.font.SetFaceName(face.isEmpty() ? std::string("Arial") : face.toStdString());
    const QByteArray h = TagValue(text, Tag(p, "CoverTextFontHeight").constData());
    const std::int32_t value = h.trimmed().isEmpty() ? -18 : ParseInt(h);
    std::int32_t height = TruncToInt32(value * 0.72);
    if (heightScale != 1.0) height = TruncToInt32(height * heightScale);
    s.font.lfHeight = std::clamp(height, -kMaxFontHeight, kMaxFontHeight);
    s.font.lfWeight =
        std::clamp(ParseInt(TagValue(text, Tag(p, "CoverTextFontWeight").constData())), 0, 1000);
    s.font.lfItalic = FontFlag(TagValue(text, Tag(p, "CoverTextFontItalic").constData()));
    s.font.lfUnderline = FontFlag(TagValue(text, Tag(p, "CoverTextFontUnderline").constData()));
    s.font.lfStrikeOut = FontFlag(TagValue(text, Tag(p, "CoverTextFontStrikeout").constData()));
    return s;
}

// One extracted picture: its file in the private folder, and the extension that selects
// its format code.
struct PictureFile {
    QString path;
    QString extension;
    bool present = false;
};

// A horizontal stretch of a page with its own texts (a cover, a flap, half a wrap).
struct Panel {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
};

// Space kept between a panel's edge and its texts: a twenty-fifth of the panel's width
// (about 5 mm on a CD cover), at least two units.
int Margin(const Panel& p) { return std::max(2, p.Width() / 25); }

// Where a box of the given width starts in the panel for the surface's alignment.
int AlignedLeft(const Panel& p, int width, std::int32_t alignment) {
    switch (alignment) {
    case 1:
        return p.left + (p.Width() - width) / 2;
    case 2:
        return p.right - Margin(p) - width;
    default:
        return p.left + Margin(p);
    }
}

void MoveTo(LabelItem& item, int x, int y) {
    const Rect r = item.GetRect();
    item.Offset(x - r.left, y - r.top);
}

// Appends an item unless it could never be saved (a record above the size limit: a huge
// picture or text), so the converted file always opens again.
template <class Item>
Item* Append(CoverPage& page, std::unique_ptr<Item> item) {
    if (!item || item->RecordSize() == 0 || page.items.size() >= kMaxItemsPerPage) return nullptr;
    Item* raw = item.get();
    page.items.push_back(std::move(item));
    return raw;
}

// A text block sized to its text, its box at (0, 0).
TextItem* AddText(CoverPage& page, DeviceContext& dc, const QByteArray& text, const LogFont& font,
                  COLORREF colour, std::int32_t alignment) {
    auto item = std::make_unique<TextItem>(0, 0, 0, 0, colour, colour,
                                           std::string_view(text.constData(),
                                                            static_cast<std::size_t>(text.size())),
                                           font);
    item->Data().alignment = alignment;
    item->FitToText(dc);
    return Append(page, std::move(item));
}

void AddBackground(CoverPage& page, COLORREF colour) {
    if (colour == kWhite) return;
    Append(page, std::make_unique<RectangleItem>(0, 0, page.designWidth, page.designHeight,
                                                 colour, colour));
}

// A picture stretched over the rectangle from (left, top) to (right, bottom); nothing when
// the picture is missing or does not decode.
bool AddPicture(CoverPage& page, const PictureFile& picture, int left, int top, int right,
                int bottom) {
    if (!picture.present) return false;
    auto item = std::make_unique<ImageItem>(0, 0, picture.path, picture.extension);
    if (!item->decodeOk()) return false;
    item->Resize(1, left, top);
    item->Resize(3, right, bottom);
    return Append(page, std::move(item)) != nullptr;
}

bool AddWholePagePicture(CoverPage& page, const PictureFile& picture) {
    return AddPicture(page, picture, 0, 0, page.designWidth, page.designHeight);
}

// The title near the top of the panel and the body text under it, each aligned in the
// panel by the surface's alignment. Returns where the next block may start.
int PlaceTitleAndBody(CoverPage& page, DeviceContext& dc, const Panel& panel, const Surface& s,
                      const QByteArray* body) {
    int y = panel.top + Margin(panel);
    if (TextItem* title = AddText(page, dc, s.title, s.font, s.textColor, s.alignment)) {
        const Rect r = title->GetRect();
        MoveTo(*title, AlignedLeft(panel, r.Width(), s.alignment), y);
        // Half a title line keeps the body clear of the title.
        y += r.Height() + r.Height() / 2;
    }
    if (body) {
        if (TextItem* text = AddText(page, dc, *body, s.font, s.textColor, s.alignment)) {
            const Rect r = text->GetRect();
            MoveTo(*text, AlignedLeft(panel, r.Width(), s.alignment), y);
            y += r.Height();
        }
    }
    return y;
}

// The track listing from the back text's fields, each group of three being number,
// title and length of one row. Short listings are topped up to the usual thirty numbered
// rows, so the listing edits like a new one.
void AddTrackList(CoverPage& page, DeviceContext& dc, const Panel& panel, const Surface& back,
                  int top) {
    auto list = std::make_unique<TrackListItem>(0, 0, 0, 0, back.textColor, back.textColor, "");
    list->Data().font = back.font;
    list->Data().alignment = 0;
    list->Data().trackLayout = 1;
    list->ClearTracks();
    const std::vector<QByteArray> fields = DelimFields(back.body);
    const auto field = [&](std::size_t i) {
        return i < fields.size()
                   ? std::string_view(fields[i].constData(), static_cast<std::size_t>(fields[i].size()))
                   : std::string_view();
    };
    const std::size_t groups = std::min<std::size_t>((fields.size() + 2) / 3, kMaxTrackRows);
    for (std::size_t g = 0; g < groups; ++g)
        list->AppendTrack(field(3 * g), field(3 * g + 1), "", "", field(3 * g + 2));
    for (int row = static_cast<int>(groups); row < TrackListItem::kInitialRows; ++row)
        list->AppendTrack(std::to_string(row + 1), "", "", "", "");

    const int index = static_cast<int>(page.items.size());
    TrackListItem* raw = Append(page, std::move(list));
    if (!raw) return;
    page.trackListIndex = index;
    raw->MeasureTracks(dc);
    // The listing's box sits where the surface's texts do, below the title.
    MoveTo(*raw, AlignedLeft(panel, raw->GetRect().Width(), back.alignment), top);
}

// A spine text turned a quarter (angle -90 or 90) and centred on (cx, cy).
void AddSpineText(CoverPage& page, DeviceContext& dc, const QByteArray& text, COLORREF colour,
                  double angle, int cx, int cy) {
    // The font the editor gives new spine texts, so converted and new labels match.
    TextItem* item = AddText(page, dc, text, TrackListItem::DefaultFont(), colour, 0);
    if (!item) return;
    item->Rotate90(angle);
    const Rect r = item->GetRect();
    item->Offset(cx - static_cast<int>((std::int64_t{r.left} + r.right) / 2),
                 cy - static_cast<int>((std::int64_t{r.top} + r.bottom) / 2));
}

// What the older file holds, read once.
struct LegacyContent {
    Surface front, back, disc;
    QByteArray frontSpine, backSpine;
    QByteArray printOverInnerCircle;
    // Indexed 0 front, 1 back, 2 stretched, 3 disc, as [IMAGE1] to [IMAGE4].
    std::array<PictureFile, 4> pictures;
};

enum Picture { FrontPicture = 0, BackPicture = 1, StretchedPicture = 2, DiscPicture = 3 };

void FillDisc(CoverPage& page, const LegacyContent& c, LabelContext& context, DeviceContext& dc) {
    page.ApplyTemplate(page.coverSide, context.TemplateById(1));
    page.printOverInnerCircle = InnerCircleFlag(c.printOverInnerCircle, page.printOverInnerCircle);
    page.showBorder = BorderFlag(c.disc.showBorder, page.showBorder);
    AddBackground(page, c.disc.background);
    AddWholePagePicture(page, c.pictures[DiscPicture]);
    // Disc texts are always centred: the title one title-height below the top edge, the
    // body straight under it.
    TextItem* title = AddText(page, dc, c.disc.title, c.disc.font, c.disc.textColor, 1);
    TextItem* body = AddText(page, dc, JoinDelimGroups(c.disc.body), c.disc.font,
                             c.disc.textColor, 1);
    const int w = page.designWidth;
    const int titleHeight = title ? title->GetRect().Height() : 0;
    if (title) {
        title->Offset(w / 2 - title->GetRect().Width() / 2, titleHeight);
        title->FitToText(dc);
    }
    if (body) {
        body->Offset(w / 2 - body->GetRect().Width() / 2, 2 * titleHeight);
        body->FitToText(dc);
    }
}

// The back surface's texts in its panel: the title, then either the body as text (plain
// prose) or, for "[DELIM]" fields, the track listing built from them. Any non-empty back
// text also gets a listing, so the page has one to edit.
void PlaceBackTexts(CoverPage& page, DeviceContext& dc, const Panel& panel, const Surface& back) {
    const bool fields = back.body.contains(kDelimOpen);
    const int next = PlaceTitleAndBody(page, dc, panel, back, fields ? nullptr : &back.body);
    if (!back.body.isEmpty()) AddTrackList(page, dc, panel, back, next);
}

void PlaceFrontTexts(CoverPage& page, DeviceContext& dc, const Panel& panel, const Surface& front) {
    const QByteArray body = JoinDelimGroups(front.body);
    PlaceTitleAndBody(page, dc, panel, front, &body);
}

// A page with a single spine carries one spine text: the front one, or the back one when
// the file has no front spine text.
const QByteArray& SingleSpineText(const LegacyContent& c) {
    return c.frontSpine.isEmpty() ? c.backSpine : c.frontSpine;
}

// Standard CD back cover: the back panel lies between the two spines; the front spine
// text reads upwards on the left spine, the back one downwards on the right spine, as the
// editor places its own spine texts.
void FillBackCover(CoverPage& page, const LegacyContent& c, DeviceContext& dc) {
    const int w = page.designWidth, h = page.designHeight;
    const int sw = page.designSpineWidth, sh = page.designSpineHeight;
    page.showBorder = BorderFlag(c.back.showBorder, page.showBorder);
    AddBackground(page, c.back.background);
    AddWholePagePicture(page, c.pictures[BackPicture]);
    const Panel panel{sw, 0, w - sw, h};
    PlaceBackTexts(page, dc, panel, c.back);
    AddSpineText(page, dc, c.frontSpine, c.back.textColor, -90.0, sw / 2, sh / 2);
    AddSpineText(page, dc, c.backSpine, c.back.textColor, 90.0, w - sw + sw / 2, sh / 2);
    page.spineTextsCreated = 1;
}

void FillFrontCover(CoverPage& page, const LegacyContent& c, DeviceContext& dc) {
    page.showBorder = BorderFlag(c.front.showBorder, page.showBorder);
    AddBackground(page, c.front.background);
    AddWholePagePicture(page, c.pictures[FrontPicture]);
    PlaceFrontTexts(page, dc, {0, 0, page.designWidth, page.designHeight}, c.front);
}

// Slimline CD insert: the notched back flap on the left, the spine, the front panel on the
// right. The back picture covers the whole insert; a front picture, which the insert has
// no other place for, covers the front panel.
void FillSlimlineInsert(CoverPage& page, const LegacyContent& c, DeviceContext& dc) {
    const int w = page.designWidth, h = page.designHeight;
    const int sw = page.designSpineWidth, sh = page.designSpineHeight;
    const int ox = page.designSpineOffsetX;
    const int cx = page.designSpineCutoutX, cy = page.designSpineCutoutY;
    page.showBorder = BorderFlag(c.back.showBorder, page.showBorder);
    AddBackground(page, c.back.background);
    AddWholePagePicture(page, c.pictures[BackPicture]);
    AddPicture(page, c.pictures[FrontPicture], ox + sw, 0, w, h);
    PlaceBackTexts(page, dc, {cx, 0, ox, h}, c.back);
    PlaceFrontTexts(page, dc, {ox + sw, 0, w, h}, c.front);
    AddSpineText(page, dc, SingleSpineText(c), c.back.textColor, -90.0, ox + sw / 2,
                 static_cast<int>((std::int64_t{cy} + (sh - cy)) / 2));
    page.spineTextsCreated = 1;
}

// DVD case wraps: back half on the left, the spine in the middle, front half on the right.
void FillCaseWrap(CoverPage& page, const LegacyContent& c, DeviceContext& dc) {
    const int w = page.designWidth, h = page.designHeight;
    const int s = page.designSpineWidth, sh = page.designSpineHeight;
    page.showBorder = BorderFlag(c.back.showBorder, page.showBorder);
    AddBackground(page, c.back.background);
    if (!AddWholePagePicture(page, c.pictures[StretchedPicture])) {
        AddPicture(page, c.pictures[BackPicture], 0, 0, w / 2 - s / 2, h);
        AddPicture(page, c.pictures[FrontPicture], w / 2 + s / 2, 0, w, h);
    }
    PlaceBackTexts(page, dc, {0, 0, w / 2 - s / 2, h}, c.back);
    PlaceFrontTexts(page, dc, {w / 2 + s / 2, 0, w, h}, c.front);
    AddSpineText(page, dc, SingleSpineText(c), c.back.textColor, -90.0, w / 2, sh / 2);
    page.spineTextsCreated = 1;
}

std::int32_t LabelTypeOfCoverType(std::int32_t coverType, std::int32_t current) {
    switch (coverType) {
    case 1:
        return StandardCd;
    case 4:
        return SlimlineCd;
    case 2:
        return StandardDvd;
    case 5:
        return SlimlineDvd;
    default:
        return current;
    }
}

// Writes the present pictures into dir; a picture that cannot be written is left out.
void ExtractPictures(const QByteArray& file, const QByteArray& text, const QString& dir,
                     LegacyContent& c) {
    static const struct {
        const char* name;
        char pathPrefix;
    } kPictures[4] = {{"tmpfront", 'f'}, {"tmpback", 'b'}, {"tmpstretch", 's'}, {"tmpdisc", 'd'}};
    for (int i = 0; i < 4; ++i) {
        const QByteArray bytes = PictureBytes(file, i + 1);
        // A picture beyond what one item record holds could not be saved; leave it out.
        if (bytes.isEmpty() || bytes.size() >= qsizetype{kMaxRecordSize}) continue;
        PictureFile& p = c.pictures[static_cast<std::size_t>(i)];
        p.extension = PictureExtension(TagValue(text, Tag(kPictures[i].pathPrefix, "ImagePath").constData()));
        p.path = dir + QLatin1Char('/') + QLatin1String(kPictures[i].name) + QLatin1Char('.') +
                 p.extension;
        QFile out(p.path);
        p.present = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    out.write(bytes) == bytes.size() && out.flush();
    }
}

} // namespace

QByteArray TextPart(const QByteArray& file, bool* hasEnd) {
    const qsizetype nul = file.indexOf('\0');
    const QByteArray text = nul < 0 ? file : file.left(nul);
    const qsizetype end = text.indexOf(kEnd);
    if (hasEnd) *hasEnd = end >= 0;
    return end < 0 ? QByteArray() : text.left(end);
}

QByteArray TagValue(const QByteArray& text, const char* name) {
    const QByteArray open = QByteArray("[") + name + "]";
    const QByteArray close = QByteArray("[END") + name + "]";
    const qsizetype at = text.indexOf(open);
    if (at < 0) return {};
    const qsizetype start = at + open.size();
    // The closing tag is looked for after the opening one, so a stray closing tag earlier
    // in the file cannot give a negative length.
    const qsizetype end = text.indexOf(close, start);
    if (end < 0) return {};
    return text.mid(start, end - start);
}

QByteArray PictureBytes(const QByteArray& file, int n) {
    if (n < 1 || n > 4) return {};
    const QByteArray open = "[IMAGE" + QByteArray::number(n) + "]";
    const QByteArray close = "[ENDIMAGE" + QByteArray::number(n) + "]";
    const qsizetype at = file.indexOf(open);
    if (at < 0) return {};
    const qsizetype start = at + open.size();
    const qsizetype end = file.indexOf(close, start);
    if (end < 0) return {};
    return file.mid(start, end - start);
}

std::vector<QByteArray> DelimFields(const QByteArray& text) {
    std::vector<QByteArray> fields;
    const qsizetype openSize = static_cast<qsizetype>(sizeof kDelimOpen - 1);
    const qsizetype closeSize = static_cast<qsizetype>(sizeof kDelimClose - 1);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(kDelimOpen, from);
        if (at < 0) break;
        const qsizetype start = at + openSize;
        const qsizetype end = text.indexOf(kDelimClose, start);
        if (end < 0) break;
        fields.push_back(text.mid(start, end - start));
        from = end + closeSize;
    }
    return fields;
}

QByteArray JoinDelimGroups(const QByteArray& text) {
    if (!text.contains(kDelimOpen)) return text;
    const std::vector<QByteArray> fields = DelimFields(text);
    QByteArray out;
    for (std::size_t g = 0; g < fields.size(); g += 3) {
        out += fields[g];
        for (std::size_t k = g + 1; k < g + 3 && k < fields.size(); ++k) out += ' ' + fields[k];
        out += '\r';
    }
    return out;
}

QString PictureExtension(const QByteArray& imagePath) {
    const qsizetype slash = std::max(imagePath.lastIndexOf('\\'), imagePath.lastIndexOf('/'));
    const QByteArray name = imagePath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray ext = dot < 0 ? QByteArray() : name.mid(dot + 1).trimmed();
    // Anything else could name another folder or no valid file; the content decides the
    // format then anyway.
    const bool plain = !ext.isEmpty() && ext.size() <= 8 &&
                       std::all_of(ext.begin(), ext.end(), [](char ch) {
                           return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                                  (ch >= '0' && ch <= '9');
                       });
    return plain ? QString::fromLatin1(ext) : QStringLiteral("tmp");
}

bool BuildDocument(const QByteArray& file, CVellumarkDoc& doc, QString* reason) {
    bool hasEnd = false;
    const QByteArray text = TextPart(file, &hasEnd);
    if (!hasEnd) {
        if (reason)
            *reason = QStringLiteral("The file is incomplete: its text has no closing [END] mark.");
        return false;
    }
    LabelContext& context = doc.Context();
    const QByteArray coverType = TagValue(text, "covertype");
    if (!coverType.trimmed().isEmpty())
        context.SetCurrentLabelType(
            LabelTypeOfCoverType(ParseInt(coverType), context.CurrentLabelType()));
    const std::int32_t type = context.CurrentLabelType();
    const bool dvd = type == StandardDvd || type == SlimlineDvd;

    LegacyContent c;
    c.front = ReadSurface(text, 'f', 1.0);
    c.back = ReadSurface(text, 'b', dvd ? 0.65 : 1.0);
    c.disc = ReadSurface(text, 'd', 1.0);
    c.frontSpine = TagValue(text, "frontCoverSpineText");
    c.backSpine = TagValue(text, "backCoverSpineText");
    c.printOverInnerCircle = TagValue(text, "printOverInnerCircleDisc");

    // Pictures go to a private folder that only lives while the items read them: the items
    // keep the bytes, so nothing is left behind.
    QTemporaryDir pictureDir(apppaths::UserCacheDir() + QStringLiteral("/legacy-XXXXXX"));
    if (pictureDir.isValid()) ExtractPictures(file, text, pictureDir.path(), c);

    if (!doc.CreatePagesForLabelType()) {
        if (reason) *reason = QStringLiteral("The pages of the label could not be created.");
        return false;
    }
    QImage surface(8, 8, QImage::Format_RGB32);
    DeviceContext dc(surface);
    auto& pages = doc.Pages();
    if (!pages.empty()) FillDisc(*pages[0], c, context, dc);
    if (pages.size() >= 2) {
        CoverPage& page = *pages[1];
        const std::int32_t caseTemplate =
            type == StandardDvd ? 4 : type == SlimlineDvd ? 5 : type == SlimlineCd ? 3 : 2;
        page.ApplyTemplate(page.coverSide, context.TemplateById(caseTemplate));
        if (type == StandardCd)
            FillBackCover(page, c, dc);
        else if (type == SlimlineCd)
            FillSlimlineInsert(page, c, dc);
        else
            FillCaseWrap(page, c, dc);
    }
    if (pages.size() >= 3 && type == StandardCd) {
        CoverPage& page = *pages[2];
        page.ApplyTemplate(page.coverSide, context.TemplateById(2));
        FillFrontCover(page, c, dc);
    }
    return true;
}

} // namespace legacylabel

bool IsLegacyLabelFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // Only the bytes before the first NUL count; reading stops there, so a large current
    // label file costs one small read.
    QByteArray text;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty()) break;
        const qsizetype nul = chunk.indexOf('\0');
        text += nul < 0 ? chunk : chunk.left(nul);
        if (nul >= 0 || text.size() > legacylabel::kMaxLegacyFileBytes) break;
    }
    return text.contains(legacylabel::kBegin) && text.contains(legacylabel::kCoverTypeOpen) &&
           text.contains(legacylabel::kCoverTypeClose) && text.contains(legacylabel::kEnd);
}

bool ConvertLegacyLabel(const QString& source, const QString& target, LabelContext& context,
                        QString* reason) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (reason) *reason = in.errorString();
        return false;
    }
    if (in.size() > legacylabel::kMaxLegacyFileBytes) {
        if (reason) *reason = QStringLiteral("The file is too large for a label.");
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        if (reason) *reason = in.errorString();
        return false;
    }
    CVellumarkDoc doc(context);
    if (!legacylabel::BuildDocument(bytes, doc, reason)) return false;
    return doc.WriteLabelFile(target, reason);
}

QString ConvertedFileName(const QString& source) {
    const QString name = QFileInfo(source).fileName();
    const QString folderPart = source.left(source.size() - name.size());
    // A dot that starts the name marks a hidden file, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return folderPart + base + QStringLiteral("_converted.vlm");
}
