#include "CVellumarkView.h"

#include "CVellumarkDoc.h"
#include "CoverPage.h"
#include "LabelTemplateCatalogue.h"
#include "ShapeItems.h"
#include "TestSupport.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(192, 192, 192);

COLORREF At(const QImage& img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

bool Contains(const QImage& img, COLORREF c) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (At(img, x, y) == c) return true;
    return false;
}

// A project of one label type over the test catalogue, shown by a view whose client area
// is exactly the page (no centring margin) unless a test says otherwise.
struct Project {
    LabelTemplateCatalogue catalogue{testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"))};
    CatalogueLabelContext context;
    CVellumarkDoc doc;
    CVellumarkView view;

    explicit Project(int labelType) : context(catalogue, labelType), doc(context), view(&doc) {
        EXPECT_TRUE(doc.CreatePagesForLabelType());
        view.OnInitialUpdate();
    }
    // Shows the first page of a surface; false when the project has none.
    bool Show(int side) {
        for (int i = 0; i < static_cast<int>(doc.Pages().size()); ++i)
            if (doc.Pages()[i]->coverSide == side) {
                view.SwitchToPage(i);
                FitClient();
                return true;
            }
        return false;
    }
    void FitClient() { view.SetClientSize(view.metrics.width, view.metrics.height); }
    CoverPage& Page() { return *view.page; }
    int Add(std::unique_ptr<LabelItem> item) {
        Page().items.push_back(std::move(item));
        return static_cast<int>(Page().items.size()) - 1;
    }
    // A red rectangle over the page's whole bounding box.
    int Flood() {
        return Add(std::make_unique<RectangleItem>(0, 0, Page().designWidth, Page().designHeight,
                                                   kRed, kRed));
    }
};

int LabelTypeOf(int side) {
    switch (side) {
    case SlimlineCdInsert: return SlimlineCd;
    case DvdCaseWrap: return StandardDvd;
    case SlimlineDvdCaseWrap: return SlimlineDvd;
    default: return StandardCd;
    }
}

} // namespace

TEST(ViewOutline, EachSurfaceDrawsItsOutlineOnlyWithBorders) {
    struct Case {
        int side;
        // A point on the outline, in metrics units, as a function of the metrics.
        Point (*onLine)(const PageMetrics&);
    };
    const Case cases[] = {
        {FrontCover, [](const PageMetrics& m) { return Point{m.width / 2, 0}; }},
        {BackCover, [](const PageMetrics& m) { return Point{m.spineWidth, 1}; }},
        {BackCover, [](const PageMetrics& m) { return Point{m.width - m.spineWidth, 1}; }},
        {SlimlineCdInsert, [](const PageMetrics& m) { return Point{m.spineCutoutX, 1}; }},
        {SlimlineCdInsert, [](const PageMetrics& m) { return Point{m.spineOffsetX, m.height / 2}; }},
        {DvdCaseWrap, [](const PageMetrics& m) { return Point{m.width / 2 - m.spineWidth / 2, 1}; }},
        {SlimlineDvdCaseWrap, [](const PageMetrics& m) { return Point{m.width / 2 + m.spineWidth / 2, m.height - 2}; }},
        {Disc, [](const PageMetrics& m) { return Point{m.width / 2, 0}; }},
        {Disc, [](const PageMetrics& m) { return Point{m.width / 2 - m.holeWidth / 2, m.height / 2}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        Project p(LabelTypeOf(c.side));
        ASSERT_TRUE(p.Show(c.side));
        ASSERT_GT(p.view.metrics.width, 0);
        const Point pt = c.onLine(p.view.metrics);
        p.Page().showBorder = 1;
        EXPECT_EQ(At(p.view.Render(), pt.x, pt.y), kBlack);
        p.Page().showBorder = 0;
        EXPECT_NE(At(p.view.Render(), pt.x, pt.y), kBlack);
    }
}

TEST(ViewPaint, DiscHoleIsPaintedOverItemsUnlessPrintingFullFace) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(Disc));
    p.Flood();
    const PageMetrics& m = p.view.metrics;
    QImage img = p.view.Render();
    EXPECT_EQ(At(img, m.width / 2, m.height / 2), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, m.width / 2, 5), kRed);   // on the disc
    EXPECT_EQ(At(img, 1, 1), CVellumarkView::kOutsideColor); // corner of the bounding square

    p.Page().printOverInnerCircle = 1;
    img = p.view.Render();
    EXPECT_EQ(At(img, m.width / 2, m.height / 2), kRed);
    // No hole outline either.
    EXPECT_EQ(At(img, m.width / 2 - m.holeWidth / 2, m.height / 2), kRed);
}

TEST(ViewPaint, SlimlineCutOutsNeverShowItems) {
    Project p(SlimlineCd);
    ASSERT_TRUE(p.Show(SlimlineCdInsert));
    p.Flood();
    const PageMetrics& m = p.view.metrics;
    ASSERT_GT(m.spineCutoutX, 4);
    ASSERT_GT(m.spineCutoutY, 4);
    const QImage img = p.view.Render();
    EXPECT_EQ(At(img, 2, 2), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, 2, m.height - 3), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, 2, m.height / 2), kRed);
    EXPECT_EQ(At(img, m.spineCutoutX + 3, 3), kRed);
}

TEST(ViewPaint, BackgroundFillsOnlyThePageShape) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(Disc));
    p.Page().backgroundColor = kGreen;
    const PageMetrics& m = p.view.metrics;
    const QImage img = p.view.Render();
    EXPECT_EQ(At(img, m.width / 2, m.height / 4), kGreen);
    EXPECT_EQ(At(img, 1, 1), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, m.width - 2, m.height - 2), CVellumarkView::kOutsideColor);
}

TEST(ViewPaint, HiddenItemsAreSkippedButTheirSelectionShows) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(FrontCover));
    const int i = p.Add(std::make_unique<RectangleItem>(20, 20, 60, 60, kRed, kRed));
    p.Page().items[i]->Data().hasTrackText = 0;
    p.view.selectedIndex = i;
    const QImage img = p.view.Render();
    EXPECT_EQ(At(img, 40, 40), kWhite);
    EXPECT_EQ(At(img, 20, 20), LabelItem::kHandleColor);
    EXPECT_EQ(At(img, 60, 60), LabelItem::kHandleColor);
}

TEST(ViewPaint, SelectionHandlesFollowTheSelectionAndStayVisibleOverTheHole) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(Disc));
    const PageMetrics& m = p.view.metrics;
    const int cx = m.width / 2, cy = m.height / 2;
    // An item whose bottom-right corner lies in the hole.
    const int i = p.Add(std::make_unique<RectangleItem>(cx - 60, cy - 60, cx, cy, kRed, kRed));
    EXPECT_EQ(At(p.view.Render(), cx, cy), CVellumarkView::kOutsideColor);
    p.view.selectedIndex = i;
    EXPECT_EQ(At(p.view.Render(), cx, cy), LabelItem::kHandleColor);
    EXPECT_EQ(At(p.view.Render(), cx - 60, cy - 60), LabelItem::kHandleColor);
    p.view.hideSelection = true;
    EXPECT_NE(At(p.view.Render(), cx - 60, cy - 60), LabelItem::kHandleColor);
    p.view.hideSelection = false;
    p.view.selectedIndex = 99; // no such item
    EXPECT_EQ(At(p.view.Render(), cx, cy), CVellumarkView::kOutsideColor);
}

TEST(ViewPaint, LargerClientAreaCentresThePageWithIntegerHalves) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(FrontCover));
    const int W = p.view.metrics.width, H = p.view.metrics.height;
    p.view.SetClientSize(W + 101, H + 51);
    EXPECT_EQ(p.view.BufferSize(), (Size{W + 101, H + 51}));
    const QImage img = p.view.Render();
    EXPECT_EQ(p.view.originX, 50);
    EXPECT_EQ(p.view.originY, 25);
    EXPECT_EQ(p.view.centreX, 50 + W / 2);
    EXPECT_EQ(At(img, 10, 10), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, 49, 25 + H / 2), CVellumarkView::kOutsideColor);
    EXPECT_EQ(At(img, 50, 25 + H / 2), kBlack); // the border
    EXPECT_EQ(At(img, 52, 27), kWhite);
    EXPECT_FALSE(Contains(img, kGrey));

    // Narrower than the page: that axis starts at 0 and the buffer is the page's.
    p.view.SetClientSize(W / 2, H + 10);
    EXPECT_EQ(p.view.BufferSize(), (Size{W, H + 10}));
    p.view.Render();
    EXPECT_EQ(p.view.originX, 0);
    EXPECT_EQ(p.view.originY, 5);
}

TEST(ViewPaint, TrackListingRemembersWhereItWasShown) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(Disc));
    p.view.EnsureTrackList();
    p.view.SetClientSize(p.view.metrics.width + 40, p.view.metrics.height + 20);
    p.view.Render();
    const ItemData& d = p.view.TrackList()->Data();
    const PageMetrics& m = p.view.metrics;
    EXPECT_EQ(d.layoutFrame, (Rect{20, 10, 20 + m.width, 10 + m.height}));
    EXPECT_EQ(d.holeFrame, (Rect{p.view.centreX - m.holeWidth / 2, p.view.centreY - m.holeHeight / 2,
                                 p.view.centreX + m.holeWidth / 2, p.view.centreY + m.holeHeight / 2}));
}

TEST(ViewPrint, PrintModePaintsOnWhitePaperAtThePrintScale) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(Disc));
    p.Flood();
    p.view.selectedIndex = 0;
    p.view.SetClientSize(5000, 5000); // ignored when printing
    const PageMetrics screen = p.view.metrics;
    const PageMetrics design = PageMetrics::FromDesign(p.Page());
    p.view.printMetrics = design.Scaled(2);
    p.view.printScaleExponent = 1;
    p.view.printMode = true;
    p.view.hideSelection = true;
    const QImage img = p.view.Render();
    p.view.printMode = false;
    p.view.hideSelection = false;
    ASSERT_EQ(img.size(), QSize(design.width * 2, design.height * 2));
    EXPECT_EQ(At(img, 1, 1), kWhite);                         // corner of the disc's square
    EXPECT_EQ(At(img, img.width() / 2, img.height() / 2), kWhite); // the hole
    EXPECT_EQ(At(img, img.width() / 2, 12), kRed);            // items at twice the size
    EXPECT_FALSE(Contains(img, CVellumarkView::kOutsideColor));
    EXPECT_FALSE(Contains(img, kGrey));
    EXPECT_FALSE(Contains(img, LabelItem::kHandleColor));
    // The screen state is back.
    EXPECT_EQ(p.view.metrics, screen);
    EXPECT_EQ(PageMetrics::FromDesign(p.Page()), design);
    EXPECT_EQ(p.view.zoom, 1.0f);
    EXPECT_EQ(p.Page().items[0]->GetRect(), (Rect{0, 0, design.width, design.height}));
}

TEST(ViewPrint, BitmapDoublesUntilItReachesThePrinterSizeWithinTheCap) {
    struct Case {
        double mm;
        int design;
        int dpi;
        int labelPx;
        int bitmap;
        int exponent;
    };
    const Case cases[] = {
        {120, 372, 600, 2835, 2976, 3}, // 2976² × 4 = 35,426,304 bytes
        {120, 372, 96, 454, 744, 1},
        {120, 372, 30, 142, 372, 0},    // the design size already suffices
        {120, 372, 1200, 5670, 2976, 3}, // one more doubling would pass the cap
        {120, 0, 600, 2835, 0, 0},       // no design size: no doubling at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        CoverPageFields f;
        f.width = f.height = c.mm;
        f.holeWidth = f.holeHeight = 15;
        f.designWidth = f.designHeight = c.design;
        const PrintRender r = ComputePrintRender(f, c.dpi, c.dpi);
        EXPECT_EQ(r.labelWidth, c.labelPx);
        EXPECT_EQ(r.printMetrics.width, c.bitmap);
        EXPECT_EQ(r.printMetrics.height, c.bitmap);
        EXPECT_EQ(r.printScaleExponent, c.exponent);
        EXPECT_LE(std::int64_t{r.printMetrics.width} * r.printMetrics.height * 4,
                  PrintRender::kMaxPrintBitmapBytes);
        if (c.labelPx > 0 && c.bitmap > 0) {
            EXPECT_EQ(r.printMetrics.holeWidth,
                      static_cast<int>(MillimetresToPixels(15, c.dpi) * double(c.bitmap) / c.labelPx));
        }
    }
}

TEST(ViewZoom, ZoomInAndOutAreExactAndNeverGoBelowOne) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(BackCover));
    const PageMetrics one = p.view.metrics;
    p.view.ZoomOut();
    EXPECT_EQ(p.view.zoom, 1.0f);
    EXPECT_EQ(p.view.metrics, one);
    p.view.ZoomIn();
    p.view.ZoomIn();
    EXPECT_EQ(p.view.zoom, 4.0f);
    EXPECT_EQ(p.view.metrics, one.Scaled(4));
    p.view.ZoomOut();
    p.view.ZoomOut();
    EXPECT_EQ(p.view.zoom, 1.0f);
    EXPECT_EQ(p.view.metrics, one);

    CVellumarkView empty;
    empty.ZoomIn();
    EXPECT_EQ(empty.zoom, 1.0f);
    EXPECT_EQ(empty.metrics, PageMetrics{});
}

TEST(ViewZoom, ItemsOfEveryKindAreUnchangedAfterAPaintAtZoomFour) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(FrontCover));
    p.Add(std::make_unique<LineItem>(10, 12, 90, 47, kRed, 0));
    p.Add(std::make_unique<LineItem>(90, 12, 10, 47, kRed, 0)); // drawn right to left
    p.Add(std::make_unique<EllipseItem>(13, 17, 71, 53, kRed, kGreen));
    p.Add(std::make_unique<CircleItem>(33, 41, 25, kRed, kGreen));
    p.Add(std::make_unique<RectangleItem>(5, 7, 55, 31, kRed, kGreen));
    auto pen = std::make_unique<FreehandItem>(20, 20, kRed);
    pen->Resize(0, 27, 33);
    pen->Resize(0, 41, 29);
    p.Add(std::move(pen));
    auto tri = std::make_unique<TriangleItem>(30, 30, kRed, kGreen);
    tri->Resize(0, 70, 35);
    tri->Resize(0, 45, 77);
    p.Add(std::move(tri));
    p.Add(std::make_unique<TextItem>(11, 13, 120, 40, kBlack, kBlack, "Title",
                                     TrackListItem::DefaultFont()));
    p.view.EnsureTrackList();

    std::vector<ItemData> before;
    for (const auto& item : p.Page().items) before.push_back(item->Data());
    p.view.ZoomIn();
    p.view.ZoomIn();
    p.view.selectedIndex = 2;
    p.view.SetClientSize(3000, 3000);
    p.view.Render();
    ASSERT_EQ(p.Page().items.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        // The layout frames are display state the paint stores on purpose.
        ItemData now = p.Page().items[i]->Data();
        now.layoutFrame = before[i].layoutFrame;
        now.holeFrame = before[i].holeFrame;
        EXPECT_EQ(now, before[i]);
    }
}

TEST(ViewZoom, ItemsAreDrawnAtTheZoomedPositions) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(FrontCover));
    p.Add(std::make_unique<RectangleItem>(10, 10, 20, 20, kRed, kRed));
    p.view.ZoomIn();
    p.view.ZoomIn();
    p.FitClient();
    p.view.ScaleItemForDisplay(0 + static_cast<int>(p.Page().items.size()) - 1);
    EXPECT_EQ(p.Page().items.back()->GetRect(), (Rect{40, 40, 80, 80}));
    p.view.RestoreItemFromDisplay(static_cast<int>(p.Page().items.size()) - 1);
    EXPECT_EQ(p.Page().items.back()->GetRect(), (Rect{10, 10, 20, 20}));
    const QImage img = p.view.Render();
    EXPECT_EQ(At(img, 60, 60), kRed);
    EXPECT_EQ(At(img, 38, 60), kWhite);
    EXPECT_EQ(At(img, 82, 60), kWhite);
}

TEST(ViewPages, SwitchingSetsThePageUpOnce) {
    Project p(StandardCd);
    ASSERT_NE(p.view.page, nullptr);
    EXPECT_EQ(p.view.page->coverSide, Disc); // the first queued page
    int updates = 0;
    p.view.onUpdateToolsState = [&] { ++updates; };
    int back = -1, front = -1;
    for (int i = 0; i < 3; ++i) {
        if (p.doc.Pages()[i]->coverSide == BackCover) back = i;
        if (p.doc.Pages()[i]->coverSide == FrontCover) front = i;
    }
    ASSERT_GE(back, 0);
    ASSERT_GE(front, 0);

    p.view.ZoomIn();
    p.view.selectedIndex = 0;
    p.view.SwitchToPage(back);
    EXPECT_EQ(p.view.page, p.doc.Pages()[back].get());
    EXPECT_EQ(p.view.zoom, 1.0f);
    EXPECT_EQ(p.view.selectedIndex, -1);
    EXPECT_EQ(p.view.metrics, PageMetrics::FromDesign(p.Page()));
    EXPECT_EQ(updates, 1);
    ASSERT_EQ(p.Page().items.size(), 2u);
    EXPECT_TRUE(p.Page().spineTextsCreated);
    const PageMetrics& m = p.view.metrics;
    // The spine texts stand upright in the middle of their spines.
    for (int i = 0; i < 2; ++i) {
        const Rect r = p.Page().items[i]->GetRect();
        EXPECT_EQ(p.Page().items[i]->GetKind(), static_cast<int>(ItemKind::Text));
        EXPECT_GT(r.Height(), r.Width());
        const int cx = i == 0 ? m.spineWidth / 2 : m.width - m.spineWidth / 2;
        EXPECT_LE(std::abs((r.left + r.right) / 2 - cx), 1);
        EXPECT_LE(std::abs((r.top + r.bottom) / 2 - m.spineHeight / 2), 1);
    }
    EXPECT_EQ(p.Page().items[0]->Data().rotation, -90.0);
    EXPECT_EQ(p.Page().items[1]->Data().rotation, 90.0);

    p.view.SwitchToPage(front);
    EXPECT_TRUE(p.Page().items.empty()); // a front cover has no spine
    p.view.SwitchToPage(back);
    EXPECT_EQ(p.Page().items.size(), 2u);

    // Out of range: nothing changes.
    p.view.SwitchToPage(7);
    p.view.SwitchToPage(-1);
    EXPECT_EQ(p.view.page, p.doc.Pages()[back].get());

    CVellumarkView detached;
    detached.SwitchToPage(0);
    EXPECT_EQ(detached.page, nullptr);
}

TEST(ViewPages, DvdWrapGetsOneCentredSpineText) {
    Project p(StandardDvd);
    ASSERT_TRUE(p.Show(DvdCaseWrap));
    ASSERT_EQ(p.Page().items.size(), 1u);
    const Rect r = p.Page().items[0]->GetRect();
    EXPECT_EQ(r.left, p.view.metrics.width / 2 - r.Width() / 2);
    EXPECT_EQ(r.top, p.view.metrics.spineHeight / 2 - r.Height() / 2);
}

TEST(ViewPages, TrackRowsFollowTheUserFromPageToPage) {
    Project p(StandardCd);
    ASSERT_EQ(p.view.page->coverSide, Disc);
    p.view.EnsureTrackList();
    TrackListItem* disc = p.view.TrackList();
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(disc->Data().alignment, 1);
    EXPECT_EQ(disc->Data().trackLayout, 0);
    EXPECT_EQ(disc->GetRect(), (Rect{0, 0, p.Page().designWidth, p.Page().designHeight}));
    disc->ClearTracks();
    disc->AppendTrack("1", "Intro", "Band", "Album", "3:01");
    disc->AppendTrack("2", "Outro", "Band", "Album", "4:20");
    p.view.EnsureTrackList(); // already there: nothing more
    EXPECT_EQ(p.Page().items.size(), 1u);

    ASSERT_TRUE(p.Show(FrontCover));
    TrackListItem* front = p.view.TrackList();
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->Data().hasTrackText, 0); // created hidden
    EXPECT_EQ(front->Data().alignment, 0);
    EXPECT_EQ(front->Data().trackLayout, 1);
    const int W = p.Page().designWidth;
    EXPECT_EQ(front->GetRect().left, W / 25);
    EXPECT_EQ(front->GetRect().top, W / 25);
    ASSERT_EQ(front->Data().trackCount, 2);
    EXPECT_EQ(front->GetTrackField(1, TrackTitle), "Outro");
    EXPECT_EQ(front->GetTrackField(0, TrackLength), "3:01");
    EXPECT_EQ(front->GetTrackField(0, TrackAlbum), "Album");

    // Edits on this page travel back to the disc, whose listing keeps being shown.
    front->AppendTrack("3", "Encore", "", "", "");
    ASSERT_TRUE(p.Show(Disc));
    EXPECT_EQ(p.view.TrackList(), disc);
    EXPECT_EQ(disc->Data().hasTrackText, 1);
    ASSERT_EQ(disc->Data().trackCount, 3);
    EXPECT_EQ(disc->GetTrackField(2, TrackTitle), "Encore");
}

TEST(ViewPages, DamagedTrackListIndexGetsANewListing) {
    Project p(StandardCd);
    p.Page().trackListIndex = 5; // names no item
    p.view.EnsureTrackList();
    ASSERT_NE(p.view.TrackList(), nullptr);
    EXPECT_EQ(p.Page().trackListIndex, 0);
    p.Add(std::make_unique<RectangleItem>(0, 0, 5, 5, kRed, kRed));
    p.Page().trackListIndex = 1; // names an item that is no listing
    EXPECT_EQ(p.view.TrackList(), nullptr);
    EXPECT_NO_FATAL_FAILURE(p.view.Render());
}

TEST(ViewWidget, PaintEventShowsTheRenderedPage) {
    Project p(StandardCd);
    ASSERT_TRUE(p.Show(FrontCover));
    p.view.ClearClientSize();
    p.view.resize(300, 200);
    const QImage shot = p.view.viewport()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(At(shot, 0, 0), kBlack); // the page's border at the scroll origin
    EXPECT_EQ(At(shot, 5, 5), kWhite);
}
