// Labels of the older tagged text format: recognition, the tag rules, and what a conversion
// puts on each page. Conversions are checked on the file they write, read back.
#include "CVellumarkDoc.h"
#include "ImageItem.h"
#include "LabelTemplateCatalogue.h"
#include "LegacyLabel.h"
#include "TextCodec.h"
#include "TestSupport.h"
#include "TrackListItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QString Legacy(const char* name) { return testsupport::DataPath(QStringLiteral("legacy/") + name); }

std::vector<std::uint8_t> FixtureBytes(const char* name) {
    const QByteArray b = testsupport::ReadAll(Legacy(name));
    return {b.begin(), b.end()};
}

std::string Bytes(const QByteArray& b) { return b.toStdString(); }

struct LegacyFixture : testing::Test {
    LabelTemplateCatalogue catalogue{testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"))};
    CatalogueLabelContext context{catalogue, StandardCd};
    CVellumarkDoc doc{context};
    QTemporaryDir dir;

    QString Target() const { return dir.filePath(QStringLiteral("converted.vlm")); }

    // Converts a file and reads the result back into doc.
    void ConvertAndRead(const QString& source) {
        QString reason;
        ASSERT_TRUE(ConvertLegacyLabel(source, Target(), context, &reason)) << reason.toStdString();
        ASSERT_EQ(doc.ReadLabelFile(Target(), &reason), CVellumarkDoc::ReadResult::Ok)
            << reason.toStdString();
    }
    void ConvertBytes(const QByteArray& legacy) {
        const QString source = dir.filePath(QStringLiteral("source.legacy"));
        testsupport::WriteAll(source, legacy);
        ConvertAndRead(source);
    }

    const CoverPage& Page(std::size_t i) const { return *doc.Pages().at(i); }
};

std::vector<const LabelItem*> OfKind(const CoverPage& page, ItemKind kind) {
    std::vector<const LabelItem*> out;
    for (const auto& item : page.items)
        if (item->GetKind() == static_cast<std::int32_t>(kind)) out.push_back(item.get());
    return out;
}

const LabelItem* TextItemWith(const CoverPage& page, const std::string& text) {
    for (const LabelItem* item : OfKind(page, ItemKind::Text))
        if (item->Data().text == text) return item;
    return nullptr;
}

// The spine texts of a page: the text items turned a quarter.
std::vector<const LabelItem*> SpineTexts(const CoverPage& page) {
    std::vector<const LabelItem*> out;
    for (const LabelItem* item : OfKind(page, ItemKind::Text))
        if (item->Data().rotation != 0.0) out.push_back(item);
    return out;
}

const TrackListItem& Listing(const CoverPage& page) {
    EXPECT_GE(page.trackListIndex, 0);
    const LabelItem* item = page.items.at(static_cast<std::size_t>(page.trackListIndex)).get();
    EXPECT_EQ(item->GetKind(), static_cast<std::int32_t>(ItemKind::TrackList));
    return static_cast<const TrackListItem&>(*item);
}

std::vector<std::string> Row(const TrackListItem& list, int row) {
    return {list.GetTrackField(row, TrackNumber), list.GetTrackField(row, TrackTitle),
            list.GetTrackField(row, TrackLength)};
}

int CentreX(const Rect& r) { return (r.left + r.right) / 2; }
int CentreY(const Rect& r) { return (r.top + r.bottom) / 2; }

bool Inside(const Rect& r, int left, int right) { return r.left >= left && r.right <= right; }

} // namespace

TEST(LegacyRecognition, OnlyTaggedTextWithAllFourMarksBeforeAnyNul) {
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        testsupport::WriteAll(path, bytes);
        return path;
    };
    const struct {
        QString path;
        bool legacy;
    } cases[] = {
        {Legacy("standard-cd.legacy"), true},
        {Legacy("bad-pictures.legacy"), true},
        {Legacy("no-end.legacy"), false},
        {write("minimal", "[BEGIN][covertype]1[ENDcovertype][END]"), true},
        {write("no-begin", "[covertype]1[ENDcovertype][END]"), false},
        {write("no-close", "[BEGIN][covertype]1[END]"), false},
        // A current label file: its page count holds zero bytes before any text.
        {write("binary", QByteArray("\x01\x00\x00\x00", 4) + "[BEGIN][covertype][ENDcovertype][END]"), false},
        {write("after-nul", QByteArray("[BEGIN][covertype]1\0[ENDcovertype][END]", 39)), false},
        {dir.filePath(QStringLiteral("missing")), false},
        {dir.path(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(IsLegacyLabelFile(c.path), c.legacy);
    }
}

TEST(LegacyTags, ValuesPicturesAndFieldsStayWithinTheirMarks) {
    using namespace legacylabel;
    const QByteArray text = "[ENDa]x[a]value[ENDa][b]open only[c][ENDc]";
    EXPECT_EQ(Bytes(TagValue(text, "a")), "value");
    EXPECT_EQ(Bytes(TagValue(text, "b")), "");
    EXPECT_EQ(Bytes(TagValue(text, "c")), "");
    EXPECT_EQ(Bytes(TagValue(text, "missing")), "");
    // A closing picture tag before the opening one is not a picture.
    EXPECT_EQ(Bytes(PictureBytes("[ENDIMAGE1]abc[IMAGE1]", 1)), "");
    EXPECT_EQ(Bytes(PictureBytes(QByteArray("[IMAGE2]\0\1\2[ENDIMAGE2]", 22), 2)),
              std::string("\0\1\2", 3));
    EXPECT_EQ(Bytes(PictureBytes("[IMAGE5]x[ENDIMAGE5]", 5)), "");

    EXPECT_EQ(DelimFields("[DELIM]a[/DELIM]junk[DELIM][/DELIM][DELIM]c[/DELIM][DELIM]open"),
              (std::vector<QByteArray>{"a", "", "c"}));
    EXPECT_EQ(Bytes(JoinDelimGroups("[DELIM]1[/DELIM][DELIM]Pier[/DELIM][DELIM]3:12[/DELIM]"
                                    "[DELIM]2[/DELIM][DELIM]Tide[/DELIM]")),
              "1 Pier 3:12\r2 Tide\r");
    EXPECT_EQ(Bytes(JoinDelimGroups("plain\r\ntext")), "plain\r\ntext");

    const struct {
        const char* path;
        const char* extension;
    } extensions[] = {
        {"C:\\Art\\photo.JPG", "JPG"}, {"/home/a/b.c/pic.png", "png"}, {"C:\\my.pics\\photo", "tmp"},
        {"noextension", "tmp"},        {"", "tmp"},                    {"x.p/ng", "tmp"},
        {"x.waytoolongext", "tmp"},    {"x.", "tmp"},
    };
    for (const auto& e : extensions)
        EXPECT_EQ(PictureExtension(e.path).toStdString(), e.extension) << e.path;
}

TEST(LegacyTags, ProposedNameReplacesTheLastExtensionOfTheFileName) {
    const struct {
        const char* path;
        const char* proposed;
    } cases[] = {
        {"label.old.xyz", "label.old_converted.vlm"},
        {"/data/label.old.xyz", "/data/label.old_converted.vlm"},
        {"/data/v1.2/label", "/data/v1.2/label_converted.vlm"},
        {"/data/.hidden", "/data/.hidden_converted.vlm"},
    };
    for (const auto& c : cases) EXPECT_EQ(ConvertedFileName(c.path).toStdString(), c.proposed);
}

TEST_F(LegacyFixture, EachCoverTypeBuildsItsProjectWithTheDefaultTemplates) {
    const struct {
        const char* file;
        int labelType;
        std::vector<int> sides, templates;
    } cases[] = {
        {"standard-cd.legacy", StandardCd, {Disc, BackCover, FrontCover}, {1, 2, 2}},
        {"slimline-cd.legacy", SlimlineCd, {Disc, SlimlineCdInsert}, {1, 3}},
        {"dvd.legacy", StandardDvd, {Disc, DvdCaseWrap}, {1, 4}},
        {"slim-dvd.legacy", SlimlineDvd, {Disc, SlimlineDvdCaseWrap}, {1, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        context.SetCurrentLabelType(c.labelType == StandardCd ? SlimlineDvd : StandardCd);
        ConvertAndRead(Legacy(c.file));
        EXPECT_EQ(context.CurrentLabelType(), c.labelType);
        std::vector<int> sides, templates;
        for (const auto& page : doc.Pages()) {
            sides.push_back(page->coverSide);
            templates.push_back(page->templateId);
            EXPECT_EQ(page->labelType, c.labelType);
        }
        EXPECT_EQ(sides, c.sides);
        EXPECT_EQ(templates, c.templates);
        // Case pages get their spine texts here, so the editor adds no placeholders.
        EXPECT_EQ(Page(1).spineTextsCreated, 1);
    }
}

TEST_F(LegacyFixture, UnknownCoverTypeKeepsTheCurrentLabelType) {
    context.SetCurrentLabelType(StandardDvd);
    ConvertBytes("[BEGIN][covertype]9[ENDcovertype][END]");
    EXPECT_EQ(context.CurrentLabelType(), StandardDvd);
    ASSERT_EQ(doc.Pages().size(), 2u);
    EXPECT_EQ(Page(1).coverSide, DvdCaseWrap);
}

TEST_F(LegacyFixture, DiscTextsAreCentredWithTheDiscFontAndDefaults) {
    ConvertAndRead(Legacy("standard-cd.legacy"));
    const CoverPage& disc = Page(0);
    EXPECT_EQ(disc.printOverInnerCircle, 1);
    EXPECT_EQ(disc.showBorder, 1);
    // An empty disc background is white: no rectangle.
    EXPECT_TRUE(OfKind(disc, ItemKind::Rectangle).empty());
    const LabelItem* title = TextItemWith(disc, "Harbour Lights");
    const LabelItem* body = TextItemWith(disc, "Live at the quay\r\n2004");
    ASSERT_TRUE(title && body);
    for (const LabelItem* t : {title, body}) {
        const ItemData& d = t->Data();
        EXPECT_EQ(d.alignment, 1); // the file's LEFT does not apply to the disc
        EXPECT_EQ(d.lineColor, 8388608u);
        EXPECT_EQ(d.fillColor, 8388608u);
        // Empty face and height: "Arial", -18 scaled by 0.72; missing flags are off.
        EXPECT_EQ(d.font.FaceName(), "Arial");
        EXPECT_EQ(d.font.lfHeight, -12);
        EXPECT_EQ(d.font.lfWeight, 400);
        EXPECT_EQ(d.font.lfItalic + d.font.lfUnderline + d.font.lfStrikeOut, 0);
    }
    const Rect t = title->GetRect(), b = body->GetRect();
    ASSERT_GT(t.Height(), 0);
    EXPECT_LE(std::abs(t.left + t.right - disc.designWidth), 1);
    EXPECT_LE(std::abs(b.left + b.right - disc.designWidth), 1);
    EXPECT_EQ(t.top, t.Height());
    EXPECT_EQ(b.top, 2 * t.Height());
}

TEST_F(LegacyFixture, StandardCdBackCoverHoldsPictureTitleListingAndBothSpines) {
    ConvertAndRead(Legacy("standard-cd.legacy"));
    const CoverPage& back = Page(1);
    const int w = back.designWidth, h = back.designHeight, sw = back.designSpineWidth;
    ASSERT_GT(sw, 0);
    EXPECT_EQ(back.showBorder, 1);
    EXPECT_TRUE(OfKind(back, ItemKind::Rectangle).empty()); // white background

    const auto pictures = OfKind(back, ItemKind::Picture);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->GetRect(), (Rect{0, 0, w, h}));
    EXPECT_EQ(pictures[0]->Data().imageBytes, FixtureBytes("back.bmp"));

    const LabelItem* title = TextItemWith(back, "Harbour Lights");
    ASSERT_TRUE(title);
    const ItemData& font = title->Data();
    EXPECT_EQ(font.font.FaceName(), "Liberation Sans");
    EXPECT_EQ(font.font.lfHeight, 10); // trunc(14 x 0.72)
    EXPECT_EQ(font.font.lfUnderline, 1);
    EXPECT_EQ(font.font.lfItalic, 0);
    EXPECT_EQ(font.fillColor, 32768u);
    EXPECT_EQ(font.alignment, 2);
    // Right-aligned in the panel between the spines, near its top.
    const Rect t = title->GetRect();
    EXPECT_TRUE(Inside(t, sw, w - sw));
    EXPECT_GT(t.right, (w - sw) - (w - 2 * sw) / 10);
    EXPECT_LT(t.top, h / 10);

    const TrackListItem& list = Listing(back);
    EXPECT_EQ(list.Data().font, font.font);
    EXPECT_EQ(list.Data().alignment, 0);
    EXPECT_EQ(list.Data().trackLayout, 1);
    EXPECT_EQ(list.Data().fillColor, 32768u);
    EXPECT_EQ(list.Data().trackCount, 30);
    EXPECT_EQ(Row(list, 0), (std::vector<std::string>{"1", "Pier", "3:12"}));
    EXPECT_EQ(Row(list, 2), (std::vector<std::string>{"3", "Gulls", "2:58"}));
    EXPECT_EQ(Row(list, 3), (std::vector<std::string>{"4", "", ""}));
    // Measured to its rows, on the back panel below the title.
    const Rect l = list.GetRect();
    EXPECT_GT(l.Height(), 2 * t.Height());
    EXPECT_TRUE(Inside(l, sw, w - sw));
    EXPECT_GE(l.top, t.bottom);
    // The listing takes the place of the fields: they never show as raw text.
    for (const LabelItem* item : OfKind(back, ItemKind::Text))
        EXPECT_EQ(item->Data().text.find("[DELIM]"), std::string::npos);

    const auto spines = SpineTexts(back);
    ASSERT_EQ(spines.size(), 2u);
    const LabelItem* left = TextItemWith(back, "HARBOUR LIGHTS");
    const LabelItem* right = TextItemWith(back, "QUAY 7");
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->Data().rotation, -90.0);
    EXPECT_EQ(right->Data().rotation, 90.0);
    for (const LabelItem* s : {left, right}) {
        EXPECT_GT(s->GetRect().Height(), s->GetRect().Width()); // reads along the spine
        EXPECT_LE(std::abs(CentreY(s->GetRect()) - back.designSpineHeight / 2), 1);
        EXPECT_EQ(s->Data().font, TrackListItem::DefaultFont());
    }
    EXPECT_LE(std::abs(CentreX(left->GetRect()) - sw / 2), 1);
    EXPECT_LE(std::abs(CentreX(right->GetRect()) - (w - sw + sw / 2)), 1);
}

TEST_F(LegacyFixture, StandardCdFrontCoverJoinsFieldsAndKeepsTextBytes) {
    ConvertAndRead(Legacy("standard-cd.legacy"));
    const CoverPage& front = Page(2);
    const int w = front.designWidth, h = front.designHeight;
    EXPECT_EQ(front.showBorder, 0);
    // Background first, then the picture, then the texts.
    ASSERT_GE(front.items.size(), 4u);
    EXPECT_EQ(front.items[0]->GetKind(), static_cast<std::int32_t>(ItemKind::Rectangle));
    EXPECT_EQ(front.items[0]->GetRect(), (Rect{0, 0, w, h}));
    EXPECT_EQ(front.items[0]->Data().lineColor, 16711680u);
    EXPECT_EQ(front.items[0]->Data().fillColor, 16711680u);
    EXPECT_EQ(front.items[1]->GetKind(), static_cast<std::int32_t>(ItemKind::Picture));
    EXPECT_EQ(front.items[1]->GetRect(), (Rect{0, 0, w, h}));
    EXPECT_EQ(front.items[1]->Data().imageBytes, FixtureBytes("front.png"));

    // Windows-1252 bytes stay bytes; they read as the text they were.
    const LabelItem* title = TextItemWith(front, "Caf\xe9 Harbour");
    ASSERT_TRUE(title);
    EXPECT_EQ(textcodec::Decode(title->Data().text), QStringLiteral("Caf\u00e9 Harbour"));
    const LabelItem* body = TextItemWith(front, "1 Pier 3:12\r2 Tide 4:05\r");
    ASSERT_TRUE(body);
    for (const LabelItem* t : {title, body}) {
        const LogFont& f = t->Data().font;
        EXPECT_EQ(f.FaceName(), "Liberation Serif");
        EXPECT_EQ(f.lfHeight, 18); // trunc(25 x 0.72)
        EXPECT_EQ(f.lfWeight, 700);
        EXPECT_EQ(f.lfItalic, 1);
        EXPECT_EQ(f.lfUnderline, 0);
        EXPECT_EQ(t->Data().fillColor, 255u);
        EXPECT_EQ(t->Data().alignment, 1);
        EXPECT_LE(std::abs(t->GetRect().left + t->GetRect().right - w), 1);
    }
    EXPECT_GT(title->GetRect().top, 0);
    EXPECT_LE(title->GetRect().bottom, body->GetRect().top);
    EXPECT_TRUE(SpineTexts(front).empty());
    EXPECT_EQ(front.trackListIndex, -1);
}

TEST_F(LegacyFixture, SlimlineInsertSplitsIntoBackFlapSpineAndFrontPanel) {
    ConvertAndRead(Legacy("slimline-cd.legacy"));
    const CoverPage& disc = Page(0);
    EXPECT_EQ(disc.printOverInnerCircle, 0);
    EXPECT_EQ(disc.showBorder, 0);
    ASSERT_FALSE(disc.items.empty());
    EXPECT_EQ(disc.items[0]->GetKind(), static_cast<std::int32_t>(ItemKind::Rectangle));
    EXPECT_EQ(disc.items[0]->Data().fillColor, 255u);
    EXPECT_TRUE(TextItemWith(disc, "")); // the missing body is an empty text

    const CoverPage& insert = Page(1);
    const int w = insert.designWidth, h = insert.designHeight;
    const int ox = insert.designSpineOffsetX, sw = insert.designSpineWidth;
    const int cx = insert.designSpineCutoutX;
    ASSERT_GT(ox, cx);
    EXPECT_EQ(insert.showBorder, 0);
    EXPECT_EQ(insert.items[0]->GetKind(), static_cast<std::int32_t>(ItemKind::Rectangle));
    EXPECT_EQ(insert.items[0]->Data().fillColor, 65535u);

    const auto pictures = OfKind(insert, ItemKind::Picture);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0]->GetRect(), (Rect{0, 0, w, h}));
    EXPECT_EQ(pictures[0]->Data().imageBytes, FixtureBytes("back.bmp"));
    EXPECT_EQ(pictures[1]->GetRect(), (Rect{ox + sw, 0, w, h}));
    EXPECT_EQ(pictures[1]->Data().imageBytes, FixtureBytes("front.png"));

    // Back flap: centred title, the prose body under it.
    const LabelItem* backTitle = TextItemWith(insert, "Slim Back");
    const LabelItem* backBody = TextItemWith(insert, "Recorded in one take.");
    ASSERT_TRUE(backTitle && backBody);
    EXPECT_LE(std::abs(CentreX(backTitle->GetRect()) - (cx + ox) / 2), 1);
    EXPECT_LE(backTitle->GetRect().bottom, backBody->GetRect().top);
    // A back text without fields still gets a listing, with no rows to show yet.
    EXPECT_FALSE(Listing(insert).HasTrackText());

    // Front panel: left-aligned texts right of the spine.
    const LabelItem* frontTitle = TextItemWith(insert, "Slim Front");
    const LabelItem* frontBody = TextItemWith(insert, "Side A\r\nSide B");
    ASSERT_TRUE(frontTitle && frontBody);
    EXPECT_GT(frontTitle->GetRect().left, ox + sw);
    EXPECT_EQ(frontTitle->GetRect().left, frontBody->GetRect().left);
    EXPECT_LE(frontTitle->GetRect().bottom, frontBody->GetRect().top);

    // One spine: the back spine text, since the front one is empty.
    const auto spines = SpineTexts(insert);
    ASSERT_EQ(spines.size(), 1u);
    EXPECT_EQ(spines[0]->Data().text, "SLIM SPINE");
    EXPECT_LE(std::abs(CentreX(spines[0]->GetRect()) - (ox + sw / 2)), 1);
    EXPECT_LE(std::abs(CentreY(spines[0]->GetRect()) - insert.designSpineHeight / 2), 1);
}

TEST_F(LegacyFixture, DvdWrapPutsBackLeftAndFrontRightOfTheSpine) {
    ConvertAndRead(Legacy("dvd.legacy"));
    const CoverPage& disc = Page(0);
    const auto discPictures = OfKind(disc, ItemKind::Picture);
    ASSERT_EQ(discPictures.size(), 1u); // named without an extension: found by content
    EXPECT_EQ(discPictures[0]->GetRect(), (Rect{0, 0, disc.designWidth, disc.designHeight}));
    EXPECT_EQ(discPictures[0]->Data().imageBytes, FixtureBytes("disc.png"));

    const CoverPage& wrap = Page(1);
    const int w = wrap.designWidth, h = wrap.designHeight, s = wrap.designSpineWidth;
    ASSERT_GT(s, 0);
    EXPECT_EQ(wrap.items[0]->GetKind(), static_cast<std::int32_t>(ItemKind::Rectangle));
    EXPECT_EQ(wrap.items[0]->Data().fillColor, 0u); // black is a colour, not "none"
    const auto pictures = OfKind(wrap, ItemKind::Picture);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0]->GetRect(), (Rect{0, 0, w / 2 - s / 2, h}));
    EXPECT_EQ(pictures[0]->Data().imageBytes, FixtureBytes("back.bmp"));
    EXPECT_EQ(pictures[1]->GetRect(), (Rect{w / 2 + s / 2, 0, w, h}));
    EXPECT_EQ(pictures[1]->Data().imageBytes, FixtureBytes("front.png"));

    const LabelItem* backTitle = TextItemWith(wrap, "Chapters");
    const LabelItem* frontTitle = TextItemWith(wrap, "Feature");
    const LabelItem* frontBody = TextItemWith(wrap, "Chapter One 0:00\r");
    ASSERT_TRUE(backTitle && frontTitle && frontBody);
    // DVD back texts are scaled once more: trunc(trunc(20 x 0.72) x 0.65).
    EXPECT_EQ(backTitle->Data().font.lfHeight, 9);
    EXPECT_EQ(frontTitle->Data().font.lfHeight, 14);
    EXPECT_TRUE(Inside(backTitle->GetRect(), 0, w / 2 - s / 2));
    EXPECT_TRUE(Inside(frontTitle->GetRect(), w / 2 + s / 2, w));
    EXPECT_EQ(frontTitle->GetRect().right, frontBody->GetRect().right); // right-aligned
    const TrackListItem& list = Listing(wrap);
    EXPECT_EQ(Row(list, 1), (std::vector<std::string>{"2", "Storm", "12:30"}));
    EXPECT_EQ(list.Data().font.lfHeight, 9);
    EXPECT_TRUE(Inside(list.GetRect(), 0, w / 2 - s / 2));

    const auto spines = SpineTexts(wrap);
    ASSERT_EQ(spines.size(), 1u);
    EXPECT_EQ(spines[0]->Data().text, "FEATURE");
    EXPECT_EQ(spines[0]->Data().rotation, -90.0);
    EXPECT_LE(std::abs(CentreX(spines[0]->GetRect()) - w / 2), 1);
}

TEST_F(LegacyFixture, StretchedPictureCoversTheWholeSlimDvdWrap) {
    ConvertAndRead(Legacy("slim-dvd.legacy"));
    const CoverPage& wrap = Page(1);
    const auto pictures = OfKind(wrap, ItemKind::Picture);
    ASSERT_EQ(pictures.size(), 1u); // the back picture is not used beside a stretched one
    EXPECT_EQ(pictures[0]->GetRect(), (Rect{0, 0, wrap.designWidth, wrap.designHeight}));
    EXPECT_EQ(pictures[0]->Data().imageBytes, FixtureBytes("stretch.png"));
    const LabelItem* backTitle = TextItemWith(wrap, "Slim DVD");
    ASSERT_TRUE(backTitle);
    EXPECT_EQ(backTitle->Data().font.lfHeight, -13); // trunc(trunc(-30 x 0.72) x 0.65)
    // Surfaces without font tags get the disc's defaults and no effects.
    const LabelItem* frontTitle = TextItemWith(wrap, "Slim DVD Front");
    ASSERT_TRUE(frontTitle);
    EXPECT_EQ(frontTitle->Data().font.FaceName(), "Arial");
    EXPECT_EQ(frontTitle->Data().font.lfHeight, -12);
    EXPECT_EQ(frontTitle->Data().font.lfItalic + frontTitle->Data().font.lfUnderline +
                  frontTitle->Data().font.lfStrikeOut,
              0);
    EXPECT_TRUE(OfKind(wrap, ItemKind::Rectangle).empty());
}

TEST_F(LegacyFixture, SevenFieldsFillTwoRowsAndTheNumberOfAThird) {
    ConvertAndRead(Legacy("seven-fields.legacy"));
    const TrackListItem& list = Listing(Page(1));
    EXPECT_EQ(Row(list, 0), (std::vector<std::string>{"1", "First", "1:01"}));
    EXPECT_EQ(Row(list, 1), (std::vector<std::string>{"2", "Second", "2:02"}));
    EXPECT_EQ(Row(list, 2), (std::vector<std::string>{"3", "", ""}));
    EXPECT_EQ(Row(list, 3), (std::vector<std::string>{"4", "", ""}));
    EXPECT_EQ(Row(list, 29), (std::vector<std::string>{"30", "", ""}));
    EXPECT_EQ(list.Data().trackCount, 30);
}

TEST_F(LegacyFixture, ListingsLongerThanThirtyRowsKeepEveryRow) {
    QByteArray fields;
    for (int i = 1; i <= 33; ++i)
        fields += "[DELIM]" + QByteArray::number(i) + "[/DELIM][DELIM]T" + QByteArray::number(i) +
                  "[/DELIM][DELIM]0:" + QByteArray::number(10 + i) + "[/DELIM]";
    ConvertBytes("[BEGIN][covertype]1[ENDcovertype][bCoverText]" + fields + "[ENDbCoverText][END]");
    const TrackListItem& list = Listing(Page(1));
    EXPECT_EQ(list.Data().trackCount, 33);
    EXPECT_EQ(Row(list, 32), (std::vector<std::string>{"33", "T33", "0:43"}));
}

TEST_F(LegacyFixture, PictureTagsOutOfOrderNeverReadPastTheirMarks) {
    ConvertAndRead(Legacy("bad-pictures.legacy"));
    // [IMAGE1] is only closed before it opens: no front picture.
    EXPECT_TRUE(OfKind(Page(2), ItemKind::Picture).empty());
    // Overlapping pictures are each what lies between their own marks; PNG ignores what
    // follows its end, so both still show.
    const QByteArray front = testsupport::ReadAll(Legacy("front.png"));
    const QByteArray disc = testsupport::ReadAll(Legacy("disc.png"));
    const auto back = OfKind(Page(1), ItemKind::Picture);
    ASSERT_EQ(back.size(), 1u);
    const QByteArray backBytes = front + "[IMAGE4]" + disc;
    EXPECT_EQ(back[0]->Data().imageBytes, std::vector<std::uint8_t>(backBytes.begin(), backBytes.end()));
    const auto discPictures = OfKind(Page(0), ItemKind::Picture);
    ASSERT_EQ(discPictures.size(), 1u);
    const QByteArray discBytes = disc + "[ENDIMAGE2]";
    EXPECT_EQ(discPictures[0]->Data().imageBytes,
              std::vector<std::uint8_t>(discBytes.begin(), discBytes.end()));
}

TEST_F(LegacyFixture, WithoutEndNothingIsWrittenAndAnOlderFileStays) {
    testsupport::WriteAll(Target(), "an older file");
    QString reason;
    EXPECT_FALSE(ConvertLegacyLabel(Legacy("no-end.legacy"), Target(), context, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("[END]"))) << reason.toStdString();
    EXPECT_EQ(testsupport::ReadAll(Target()), QByteArray("an older file"));

    const QString fresh = dir.filePath(QStringLiteral("fresh.vlm"));
    EXPECT_FALSE(ConvertLegacyLabel(Legacy("no-end.legacy"), fresh, context));
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_FALSE(ConvertLegacyLabel(dir.filePath(QStringLiteral("missing")), fresh, context, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(QFile::exists(fresh));
}

TEST_F(LegacyFixture, ExtractedPicturesLeaveNothingBehind) {
    const QString cache = QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME")) + QStringLiteral("/vellumark");
    const auto leftovers = [&] {
        return QDir(cache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() +
               QDir(QCoreApplication::applicationDirPath())
                   .entryList({QStringLiteral("tmp*")}, QDir::Files)
                   .size();
    };
    const auto before = leftovers();
    ConvertAndRead(Legacy("dvd.legacy"));
    EXPECT_EQ(OfKind(Page(1), ItemKind::Picture).size(), 2u);
    EXPECT_EQ(leftovers(), before);
}
