// Text blocks and the track listing. Glyph shapes depend on the installed fonts, so the
// drawing tests check layout geometry and where ink lands relative to other ink.
#include "TextItem.h"
#include "DeviceContext.h"
#include "DrawingCanvas.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "TrackListItem.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for QString comparisons.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

constexpr QRgb kWhite = Canvas::kWhite;

// A font as text items store it: lfHeight is a size in points.
LogFont Points(int points, bool italic = false) { return testsupport::ArialFont(points, italic); }

// The same font made for a device: lfHeight is minus the character height in pixels.
LogFont Pixels(LogFont f, int pixels) {
    f.lfHeight = -pixels;
    return f;
}

TextItem MakeText(std::string_view text, Rect r = {100, 100, 300, 160}, int points = 20,
                  bool italic = false) {
    return TextItem(r.left, r.top, r.right, r.bottom, RGB(1, 2, 3), RGB(0, 0, 0), text,
                    Points(points, italic));
}

struct Row {
    const char* number;
    const char* title = "";
    const char* artist = "";
    const char* album = "";
    const char* length = "";
};

// A listing of the given rows, padded with number-only rows up to rowCount.
TrackListItem ListingOf(const std::vector<Row>& rows, int rowCount = 30) {
    TrackListItem item(20, 20, 380, 380, 0, RGB(0, 0, 0), "");
    item.ClearTracks();
    for (int r = 0; r < rowCount; ++r) {
        if (r < int(rows.size()))
            item.AppendTrack(rows[r].number, rows[r].title, rows[r].artist, rows[r].album,
                             rows[r].length);
        else
            item.AppendTrack(std::to_string(r + 1), "", "", "", "");
    }
    return item;
}

} // namespace

// --- TextItem: construction and editing ----------------------------------------------------

TEST(TextItem, ConstructionExpandsTabsAndKeepsTheFields) {
    struct Case {
        std::string text;
        std::string stored;
        int textLength;
    } cases[] = {
        {"Title", "Title", 5},
        {"a\tb", "a        b", 10},
        {"\t\t", std::string(16, ' '), 16},
        {"", "", 1}, // an empty text still counts its terminator
        {"Line 1\r\nLine\t2", "Line 1\r\nLine        2", 21},
    };
    for (const Case& c : cases) {
        const TextItem item = MakeText(c.text, {1, 2, 3, 4});
        EXPECT_EQ(item.Data().text, c.stored) << c.text;
        EXPECT_EQ(item.Data().textLength, c.textLength) << c.text;
    }
    const TextItem item = MakeText("x", {1, 2, 3, 4}, 14, true);
    EXPECT_EQ(item.GetKind(), 7);
    EXPECT_EQ(item.GetRect(), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(item.Data().lineColor, RGB(1, 2, 3));
    EXPECT_EQ(item.Data().font, Points(14, true));
    EXPECT_EQ(item.Data().rotation, 0.0);
}

TEST(TextItem, LongTextsWithTabsKeepEveryCharacter) {
    // Far beyond what a 16-bit length could hold, before and after the expansion.
    std::string typed, expected;
    for (int i = 0; i < 15000; ++i) {
        typed += "ab\t";
        expected += "ab        ";
    }
    typed += "end";
    expected += "end";
    ASSERT_GT(typed.size(), 40000u);

    TextItem item = MakeText(typed);
    EXPECT_EQ(item.Data().text, expected);
    EXPECT_EQ(item.Data().textLength, int(expected.size()));

    Canvas c(100, 100);
    const TextLayout layout = item.LayoutText(c.dc);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lines[0].text, QString::fromLatin1(expected.c_str()));
}

TEST(TextItem, ResizeNeverCrossesTheOppositeEdge) {
    struct Case {
        int handle, x, y;
        Rect expected;
    } cases[] = {
        {1, 50, 60, {50, 60, 200, 160}},     {1, 250, 60, {100, 60, 200, 160}},
        {1, 50, 170, {50, 100, 200, 160}},   {1, 200, 160, {100, 100, 200, 160}},
        {2, 250, 60, {100, 60, 250, 160}},   {2, 90, 170, {100, 100, 200, 160}},
        {3, 250, 170, {100, 100, 250, 170}}, {3, 100, 100, {100, 100, 200, 160}},
        {4, 50, 170, {50, 100, 200, 170}},   {4, 210, 90, {100, 100, 200, 160}},
        {0, 10, 10, {100, 100, 200, 160}},   {5, 10, 10, {100, 100, 200, 160}},
    };
    const std::function<std::unique_ptr<TextItem>()> makers[] = {
        [] {
            return std::make_unique<TextItem>(MakeText("t", {100, 100, 200, 160}));
        },
        [] { return std::make_unique<TrackListItem>(100, 100, 200, 160, 0, 0, ""); },
    };
    for (const auto& make : makers) {
        for (const Case& c : cases) {
            auto item = make();
            item->Resize(c.handle, c.x, c.y);
            EXPECT_EQ(item->GetRect(), c.expected) << "kind " << item->GetKind() << " handle "
                                                   << c.handle << " to " << c.x << "," << c.y;
        }
    }
}

TEST(TextItem, HandlesAndQuarterTurnsAreThoseOfAnyItemInTheTextColour) {
    const std::function<std::unique_ptr<TextItem>()> makers[] = {
        [] {
            return std::make_unique<TextItem>(MakeText("t", {20, 30, 60, 50}));
        },
        [] { return std::make_unique<TrackListItem>(20, 30, 60, 50, 0, 0, ""); },
    };
    for (const auto& make : makers) {
        auto item = make();
        Canvas c(100, 100);
        item->DrawHandles(c.dc);
        for (Point p : {Point{20, 30}, Point{60, 30}, Point{60, 50}, Point{20, 50}, Point{17, 27}})
            EXPECT_EQ(c.dc.GetPixel(p.x, p.y), RGB(153, 51, 51)) << item->GetKind();
        EXPECT_EQ(c.dc.GetPixel(40, 40), RGB(255, 255, 255));

        item->Rotate90(90.0);
        EXPECT_EQ(item->GetRect(), (Rect{30, 20, 50, 60}));
        EXPECT_EQ(item->Data().rotation, 90.0);
    }
}

// --- TextItem: fitting the box -------------------------------------------------------------

TEST(TextItem, FitToTextSizesTheBoxInTheDeviceFont) {
    for (int dpi : {96, 192}) {
        Canvas c(10, 10, dpi);
        const LogFont device = Pixels(Points(20), MulDiv(20, dpi, 72));
        const Size longer = c.Extent(device, "Longer line");
        for (int alignment : {0, 1, 2}) {
            TextItem item = MakeText("Short\nLonger line", {100, 200, 101, 201});
            item.Data().alignment = alignment;
            item.FitToText(c.dc);
            EXPECT_EQ(item.GetRect(), (Rect{100, 200, 100 + longer.cx, 200 + 2 * longer.cy}))
                << dpi << " dpi, alignment " << alignment;
        }
    }
}

TEST(TextItem, FitToTextMeasuresAmpersandsAndDecodedCharacters) {
    Canvas c(10, 10);
    const LogFont device = Pixels(Points(20), MulDiv(20, 96, 72));
    auto fittedWidth = [&](std::string_view bytes) {
        TextItem item = MakeText(bytes, {0, 0, 0, 0});
        item.FitToText(c.dc);
        return item.GetRect().Width();
    };
    EXPECT_EQ(fittedWidth("Rock & Roll"), c.Extent(device, "Rock & Roll").cx);
    EXPECT_EQ(fittedWidth("&&"), c.Extent(device, "&&").cx);

    const QString euros = QString::fromUtf8("\u20ac\u20ac\u20ac");
    const QString mojibake =
        QString::fromUtf8("\u00e2\u201a\u00ac\u00e2\u201a\u00ac\u00e2\u201a\u00ac");
    const int expected = c.Extent(device, euros).cx;
    ASSERT_GT(expected, 0);
    ASSERT_NE(expected, c.Extent(device, mojibake).cx);
    EXPECT_EQ(fittedWidth("\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"), expected); // UTF-8
    EXPECT_EQ(fittedWidth("\x80\x80\x80"), expected);                         // Windows-1252
}

TEST(TextItem, ItalicTextsScaleTheRightCoordinateItself) {
    Canvas c(10, 10);
    const LogFont device = Pixels(Points(20, true), MulDiv(20, 96, 72));
    const int w = c.Extent(device, "Italic").cx;
    // Placed so that the measured right edge is 1100: a box at 1000 that is 100 wide.
    const int left = 1100 - w;
    TextItem item = MakeText("Italic", {left, 50, left, 50}, 20, true);
    item.FitToText(c.dc);
    EXPECT_EQ(item.GetRect().left, left);
    EXPECT_EQ(item.GetRect().right, 1155);
}

// --- TextItem: drawing ---------------------------------------------------------------------

TEST(TextItem, StoredBytesReachTheDrawingDecoded) {
    struct Case {
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"Caf\xc3\xa9", "Caf\u00e9"},
        {"Caf\xe9", "Caf\u00e9"},
        {"Stra\xc3\x9f"
         "e",
         "Stra\u00dfe"},
        {"Stra\xdf"
         "e",
         "Stra\u00dfe"},
        {"\xe2\x82\xac 5", "\u20ac 5"},
        {"\x80 5", "\u20ac 5"},
        {"\xe6\x9d\xb1\xe4\xba\xac", "\u6771\u4eac"},
    };
    Canvas c(10, 10);
    for (const Case& k : cases) {
        TextItem item = MakeText(k.bytes);
        const TextLayout layout = item.LayoutText(c.dc);
        ASSERT_EQ(layout.lines.size(), 1u) << k.utf8;
        EXPECT_EQ(layout.lines[0].text, QString::fromUtf8(k.utf8));
    }
}

TEST(TextItem, WorkingFontFollowsTheDeviceAndTheRotation) {
    struct Case {
        int dpi;
        double rotation;
        int height;
        int escapement;
    } cases[] = {
        {96, 0, -16, 0},     {300, 0, -50, 0},      {96, 90, -16, -900},
        {96, -90, -16, 900}, {96, 180, -16, -1800},
    };
    for (const Case& k : cases) {
        Canvas c(10, 10, k.dpi);
        TextItem item = MakeText("x", {0, 0, 40, 40}, 12);
        item.RotateBy(k.rotation);
        const TextLayout layout = item.LayoutText(c.dc);
        EXPECT_EQ(layout.font.lfHeight, k.height) << k.dpi << " " << k.rotation;
        EXPECT_EQ(layout.font.lfEscapement, k.escapement) << k.rotation;
        EXPECT_EQ(layout.font.FaceName(), "Arial");
    }
}

TEST(TextItem, RunsOfLineBreaksAreOneBreak) {
    Canvas c;
    const int cell = c.Extent(Pixels(Points(20), MulDiv(20, 96, 72)), "A").cy;
    TextItem blankLines = MakeText("A\r\n\r\nB");
    const TextLayout layout = blankLines.LayoutText(c.dc);
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].text, "A");
    EXPECT_EQ(layout.lines[1].text, "B");
    EXPECT_EQ(layout.lines[1].origin.x, layout.lines[0].origin.x);
    EXPECT_EQ(layout.lines[1].origin.y - layout.lines[0].origin.y, cell);

    blankLines.Draw(c.dc, false);
    Canvas plain;
    TextItem twoLines = MakeText("A\nB");
    twoLines.Draw(plain.dc, false);
    EXPECT_EQ(c.image, plain.image);
    EXPECT_FALSE(plain.Ink().isNull());
}

TEST(TextItem, LinesAdvanceAlongTheTurnedDownDirection) {
    // One line against two: the second line's ink lies beyond the first, on the side the
    // text's "down" points to after the turn.
    struct Case {
        double rotation;
        int dx, dy; // where the second line goes
    } cases[] = {{0, 0, 1}, {90, -1, 0}, {180, 0, -1}, {270, 1, 0}, {-90, 1, 0}};
    for (const Case& k : cases) {
        auto inkOf = [&](std::string_view text) {
            Canvas c;
            TextItem item = MakeText(text, {120, 170, 280, 230}, 18);
            item.RotateBy(k.rotation);
            item.Draw(c.dc, false);
            return c.Ink();
        };
        const QRect one = inkOf("HHHH");
        const QRect two = inkOf("HHHH\nHHHH");
        ASSERT_FALSE(one.isNull()) << k.rotation;
        const int grow = 10; // at least half an 18-point line
        EXPECT_EQ(two.left() < one.left() - grow, k.dx < 0) << k.rotation;
        EXPECT_EQ(two.right() > one.right() + grow, k.dx > 0) << k.rotation;
        EXPECT_EQ(two.top() < one.top() - grow, k.dy < 0) << k.rotation;
        EXPECT_EQ(two.bottom() > one.bottom() + grow, k.dy > 0) << k.rotation;
    }
}

TEST(TextItem, TurnedTextStaysInItsBox) {
    // The first line starts at the turned corner of the upright box, so the text of a
    // fitted box lies inside the box after any number of quarter turns.
    for (double rotation : {0.0, 90.0, 180.0, 270.0, -90.0}) {
        Canvas c;
        TextItem item = MakeText("Spine Text\nsecond", {100, 150, 100, 150}, 18);
        item.FitToText(c.dc);
        item.RotateBy(rotation);
        item.Draw(c.dc, false);
        const Rect box = item.GetRect().Normalized();
        const QRect ink = c.Ink();
        ASSERT_FALSE(ink.isNull()) << rotation;
        EXPECT_GE(ink.left(), box.left - 1) << rotation;
        EXPECT_GE(ink.top(), box.top - 1) << rotation;
        EXPECT_LE(ink.right(), box.right) << rotation;
        EXPECT_LE(ink.bottom(), box.bottom) << rotation;
    }
}

TEST(TextItem, AlignmentPicksTheReferencePoint) {
    struct Case {
        int alignment;
        unsigned textAlign;
        int x; // expected origin x in the box (100, 100, 300, 160)
    } cases[] = {
        {0, TA_LEFT | TA_TOP, 100}, {1, TA_CENTER | TA_TOP, 200}, {2, TA_RIGHT | TA_TOP, 300}};
    for (const Case& k : cases) {
        Canvas c;
        TextItem item = MakeText("HH", {100, 100, 300, 160});
        item.Data().alignment = k.alignment;
        const TextLayout layout = item.LayoutText(c.dc);
        EXPECT_EQ(layout.textAlign, k.textAlign);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_EQ(layout.lines[0].origin, (Point{k.x, 100}));
        item.Draw(c.dc, false);
        const QRect ink = c.Ink();
        const int inkX = k.alignment == 0   ? ink.left()
                         : k.alignment == 1 ? ink.center().x()
                                            : ink.right() + 1;
        EXPECT_NEAR(inkX, k.x, 4) << k.alignment;
    }
}

TEST(TextItem, DrawingLeavesTheItemAndTheDeviceAsTheyWere) {
    Canvas c;
    TextItem item = MakeText("Odd\nbox", {101, 100, 302, 161});
    item.Rotate90(90.0);
    const ItemData before = item.Data();
    c.dc.SetTextColor(RGB(9, 9, 9));
    c.dc.SetTextAlign(TA_BASELINE);
    c.dc.SetBkMode(OPAQUE);
    LogFont font = Points(7);
    c.dc.SelectFont(font);
    item.Draw(c.dc, false);
    EXPECT_EQ(item.Data(), before);
    EXPECT_EQ(c.dc.GetTextColor(), RGB(9, 9, 9));
    EXPECT_EQ(c.dc.GetTextAlign(), unsigned(TA_BASELINE));
    EXPECT_EQ(c.dc.GetBkMode(), OPAQUE);
    EXPECT_EQ(c.dc.CurrentFont(), font);
    EXPECT_FALSE(c.Ink().isNull());
}

// --- TrackListItem -------------------------------------------------------------------------

TEST(TrackListItem, NewListingHasThirtyNumberedRowsAndDrawsNothing) {
    TrackListItem item(10, 20, 300, 200, RGB(1, 1, 1), RGB(0, 0, 0), "");
    const ItemData& d = item.Data();
    EXPECT_EQ(item.GetKind(), 9);
    EXPECT_EQ(d.trackCount, 30);
    EXPECT_EQ(d.trackLayout, 0);
    EXPECT_EQ(d.alignment, 0);
    EXPECT_EQ(d.textLength, 1);
    for (int r = 0; r < 30; ++r) {
        EXPECT_EQ(item.GetTrackField(r, TrackNumber), std::to_string(r + 1));
        for (int f : {TrackTitle, TrackArtist, TrackLength, TrackAlbum})
            EXPECT_EQ(item.GetTrackField(r, f), "");
    }
    EXPECT_FALSE(item.HasTrackText());
    EXPECT_EQ(item.ListingText(), "");

    Canvas c;
    item.Draw(c.dc, false);
    EXPECT_TRUE(c.Ink().isNull());
    EXPECT_EQ(item.GetRect(), (Rect{10, 20, 300, 200}));
}

TEST(TrackListItem, DefaultFontIsAScreenHeightThatDrawsAsACellHeight) {
    TrackListItem item(10, 20, 300, 200, 0, 0, "");
    const LogFont& f = item.Data().font;
    EXPECT_EQ(f, TrackListItem::DefaultFont(96));
    EXPECT_EQ(f.lfHeight, -11);
    EXPECT_EQ(f.lfWeight, 400);
    EXPECT_EQ(f.FaceName(), "Arial");
    EXPECT_EQ(TrackListItem::DefaultFont(120).lfHeight, -13);

    Canvas c;
    item.AppendTrack("31", "Title", "", "", "");
    const TextLayout layout = item.LayoutText(c.dc);
    EXPECT_EQ(layout.font.lfHeight, 15);
    c.dc.SelectFont(layout.font);
    EXPECT_LE(c.dc.GetTextMetrics().height, 15);
    EXPECT_GE(c.dc.GetTextMetrics().height, 13);
}

TEST(TrackListItem, ColumnsKeepTheTaggedFormAndTheirLengths) {
    TrackListItem item(0, 0, 10, 10, 0, 0, "");
    item.ClearTracks();
    for (int f = 0; f < kTrackFieldCount; ++f)
        EXPECT_TRUE(item.Data().TrackColumn(f).IsNull());
    EXPECT_EQ(item.Data().trackCount, 0);

    item.AppendTrack("1\t", "T1", "Ar1", "Al1", "3:01");
    item.AppendTrack("2", "T2", "Ar2", "Al2", "4:02");
    const ItemData& d = item.Data();
    const std::string numbers = "@[VLMKTRACKNO]::1        @[VLMKTRACKNO]::2";
    EXPECT_EQ(d.trackNumbers.chars, numbers);
    EXPECT_EQ(d.trackNumbers.length, int(numbers.size())); // the plain length
    const std::string titles = "@[VLMKTRACKTITLE]::T1@[VLMKTRACKTITLE]::T2";
    EXPECT_EQ(d.trackTitles.chars, titles);
    EXPECT_EQ(d.trackTitles.length, int(titles.size()) + 1);
    // Album and length are given in that order, and land in their own columns.
    EXPECT_EQ(d.trackAlbums.chars, "@[VLMKTRACKALBUM]::Al1@[VLMKTRACKALBUM]::Al2");
    EXPECT_EQ(d.trackLengths.chars, "@[VLMKTRACKLENGTH]::3:01@[VLMKTRACKLENGTH]::4:02");
    EXPECT_EQ(item.GetTrackField(1, TrackAlbum), "Al2");
    EXPECT_EQ(item.GetTrackField(1, TrackLength), "4:02");
    EXPECT_EQ(item.RowText(1), "2 T2 Ar2 Al2 4:02 ");

    // Outside the rows or columns there is nothing.
    const std::pair<int, int> outside[] = {{2, 1}, {-1, 1}, {0, 5}, {0, -1}};
    for (auto [row, column] : outside)
        EXPECT_EQ(item.GetTrackField(row, column), "") << row << "," << column;
}

TEST(TrackListItem, InsertingACellShiftsThatColumnOnly) {
    TrackListItem item = ListingOf({{"1", "First"}, {"2", "Second"}}, 2);
    item.InsertTrackCell(0, TrackTitle, "New");
    EXPECT_EQ(item.GetTrackField(0, TrackTitle), "New");
    EXPECT_EQ(item.GetTrackField(1, TrackTitle), "First");
    EXPECT_EQ(item.GetTrackField(1, TrackNumber), "2");
    EXPECT_EQ(item.Data().trackCount, 2); // the cell pushed past the last row is not a row
    // A row past the column's cells appends after them.
    item.InsertTrackCell(7, TrackArtist, "Appended");
    EXPECT_EQ(item.Data().trackArtists.chars,
              "@[VLMKTRACKARTIST]::@[VLMKTRACKARTIST]::@[VLMKTRACKARTIST]::Appended");
    item.InsertTrackCell(0, 9, "ignored");
    EXPECT_EQ(item.RowText(0), "1 New ");
}

TEST(TrackListItem, RowsWithOnlyANumberAreBlank) {
    struct Case {
        Row row;
        std::string text;
        std::string ifAny;
    } cases[] = {
        {{"5"}, "5 ", ""},
        {{""}, "", ""},
        {{"5", "Title"}, "5 Title ", "5 Title "},
        {{"", "", "Artist"}, "Artist ", "Artist "},
        {{"5", "", "", "Album"}, "5 Album ", "5 Album "},
        {{"5", "", "", "", "3:10"}, "5 3:10 ", "5 3:10 "},
        {{"5", "T", "Ar", "Al", "1:00"}, "5 T Ar Al 1:00 ", "5 T Ar Al 1:00 "},
    };
    for (const Case& c : cases) {
        const TrackListItem item = ListingOf({c.row}, 1);
        EXPECT_EQ(item.RowText(0), c.text);
        EXPECT_EQ(item.RowTextIfAny(0), c.ifAny);
        EXPECT_EQ(item.HasTrackText(), !c.ifAny.empty()) << c.text;
    }
}

TEST(TrackListItem, ListingHasOneLinePerRowWithText) {
    EXPECT_EQ(ListingOf({{"1", "A"}, {"2"}, {"3", "C"}}).ListingText(), "1 A \n3 C \n");
    EXPECT_EQ(ListingOf({{"1", "A"}, {"2"}, {"3", "C"}}, 3).ListingText(), "1 A \n3 C ");
    EXPECT_EQ(ListingOf({{"1"}, {"2", "B"}}, 2).ListingText(), "2 B ");

    // The number-only row leaves no gap: the next row is drawn one line lower.
    TrackListItem item = ListingOf({{"1", "A"}, {"2"}, {"3", "C"}});
    Canvas c;
    const TextLayout layout = item.LayoutText(c.dc);
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].text, "1 A ");
    EXPECT_EQ(layout.lines[1].text, "3 C ");
    c.dc.SelectFont(layout.font);
    EXPECT_EQ(layout.lines[1].origin.y - layout.lines[0].origin.y, c.dc.GetTextMetrics().height);
}

TEST(TrackListItem, CellsInDifferentEncodingsAllDecode) {
    // One cell in Windows-1252, one in UTF-8: the joined bytes are not valid UTF-8.
    const TrackListItem item = ListingOf({{"1", "Caf\xe9", "\xe6\x9d\xb1\xe4\xba\xac"}}, 1);
    EXPECT_EQ(item.DisplayText(), QString::fromUtf8("1 Caf\u00e9 \u6771\u4eac "));
}

TEST(TrackListItem, MeasuringFitsTheBoxOnceAfterRowsAreAdded) {
    Canvas c;
    TrackListItem item = ListingOf({{"1", "Rock & Roll"}, {"2", "B"}});
    item.Data().trackLayout = 1;
    ASSERT_TRUE(item.LayoutPending());
    const LogFont device = item.LayoutText(c.dc).font;
    // Only the listing's very last character is left out of the measure.
    const Size wide = c.Extent(device, "1 Rock & Roll ");

    item.MeasureTracks(c.dc);
    EXPECT_FALSE(item.LayoutPending());
    EXPECT_EQ(item.GetRect(), (Rect{20, 20, 20 + wide.cx, 20 + 2 * wide.cy}));

    item.Resize(3, 300, 300);
    item.MeasureTracks(c.dc); // nothing added since: the box stays
    EXPECT_EQ(item.GetRect(), (Rect{20, 20, 300, 300}));

    // Drawing measures first when a row was added.
    item.AppendTrack("31", "A much longer title than before", "", "", "");
    item.Draw(c.dc, false);
    EXPECT_FALSE(item.LayoutPending());
    EXPECT_EQ(item.GetRect().bottom, 20 + 3 * wide.cy);
    EXPECT_FALSE(c.Ink().isNull());

    // A listing laid out by the page keeps its box.
    TrackListItem fixed = ListingOf({{"1", "A"}});
    fixed.Data().trackLayout = 0;
    fixed.MeasureTracks(c.dc);
    EXPECT_FALSE(fixed.LayoutPending());
    EXPECT_EQ(fixed.GetRect(), (Rect{20, 20, 380, 380}));
}
