// Editing on the label view, driven the way the widget drives it: presses, drags, releases,
// double clicks and keys at client points, tool and edit commands by id, dialogs scripted.
#include "CVellumarkView.h"

#include "CVellumarkDoc.h"
#include "CommandIds.h"
#include "CoverPage.h"
#include "DeviceContext.h"
#include "ImageItem.h"
#include "LabelContext.h"
#include "LabelTemplateCatalogue.h"
#include "LabelTextEdit.h"
#include "QtUi.h"
#include "ScriptedUi.h"
#include "ShapeItems.h"
#include "TestSupport.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

const QString kClipboardMime = QStringLiteral("application/x-vellumark");

using Bytes = std::vector<std::uint8_t>;

Bytes RecordOf(const LabelItem& item) {
    Bytes bytes(item.RecordSize());
    item.WriteRecord(bytes.data());
    return bytes;
}

using testsupport::ArialFont;

// A text item laid out as the view lays texts out (a 96 dpi screen surface).
std::unique_ptr<TextItem> LaidOutText(int x, int y, const char* text, const LogFont& font) {
    auto item = std::make_unique<TextItem>(x, y, x + 10, y + 10, kBlack, kGreen, text, font);
    QImage surface(1, 1, QImage::Format_RGB32);
    DeviceContext dc(surface, 96, 96);
    item->FitToText(dc);
    return item;
}

// A small picture file; odd sizes so that halving them truncates.
QString WritePicture(const QString& folder, const QString& name, int w = 21, int h = 15) {
    QDir().mkpath(folder);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const QString path = folder + u'/' + name;
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

// One page of a project over the test catalogue, in a view whose client area is the page
// at zoom 1: client points are design points until a test zooms or scrolls.
struct Desk {
    LabelTemplateCatalogue catalogue{testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"))};
    CatalogueLabelContext context;
    CVellumarkDoc doc;
    CVellumarkView view;
    QTemporaryDir temp;

    explicit Desk(int labelType = StandardCd, int side = FrontCover)
        : context(catalogue, labelType), doc(context), view(&doc) {
        EXPECT_TRUE(doc.CreatePagesForLabelType());
        view.OnInitialUpdate();
        EXPECT_TRUE(Show(side));
        doc.SetModifiedFlag(false);
    }
    int PageIndexOf(int side) const {
        for (int i = 0; i < static_cast<int>(doc.Pages().size()); ++i)
            if (doc.Pages()[i]->coverSide == side) return i;
        return -1;
    }
    bool Show(int side) {
        const int i = PageIndexOf(side);
        if (i < 0) return false;
        view.SwitchToPage(i);
        view.SetClientSize(view.metrics.width, view.metrics.height);
        return true;
    }
    CoverPage& Page() { return *view.page; }
    std::vector<std::unique_ptr<LabelItem>>& Items() { return view.page->items; }
    int Count() { return static_cast<int>(Items().size()); }
    LabelItem& Item(int i) { return *Items().at(i); }
    int Add(std::unique_ptr<LabelItem> item) {
        Items().push_back(std::move(item));
        return Count() - 1;
    }
    int AddRect(int l, int t, int r, int b) {
        return Add(std::make_unique<RectangleItem>(l, t, r, b, kRed, kBlue));
    }
    int AddPicture(int x, int y) {
        auto image = std::make_unique<ImageItem>(
            x, y, WritePicture(temp.path(), QStringLiteral("item.png")), QStringLiteral("png"));
        EXPECT_TRUE(image->decodeOk());
        return Add(std::move(image));
    }
    void Press(int x, int y) { view.OnLButtonDown(QPoint(x, y)); }
    void Move(int x, int y) { view.OnMouseMove(QPoint(x, y)); }
    void Release(int x, int y) { view.OnLButtonUp(QPoint(x, y)); }
    void Click(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    void Drag(QPoint from, QPoint to) {
        Press(from.x(), from.y());
        Move((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
        Move(to.x(), to.y());
        Release(to.x(), to.y());
    }
    // Opens the editor for new text at (x, y) and types text into it.
    void Type(int x, int y, const QString& text) {
        view.OnCommand(cmd::TextTool);
        Click(x, y);
        ASSERT_NE(view.TextEditor(), nullptr);
        view.TextEditor()->setPlainText(text);
    }
};

Point Centre(const Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

} // namespace

// --- drawing ------------------------------------------------------------------------------

TEST(ViewDrawing, EachShapeStartsAtItsInitialSizeFollowsTheDragAndHandsBackToSelect) {
    struct Case {
        int command;
        ItemKind kind;
        Rect afterPress; // press at (40, 50)
        Rect afterDrag;  // released at (90, 70)
    };
    const Case cases[] = {
        {cmd::LineTool, ItemKind::Line, {40, 50, 43, 53}, {40, 50, 90, 70}},
        {cmd::CircleTool, ItemKind::Circle, {40, 50, 50, 60}, {40, 50, 75, 85}},
        {cmd::EllipseTool, ItemKind::Ellipse, {40, 50, 50, 60}, {40, 50, 90, 70}},
        {cmd::RectangleTool, ItemKind::Rectangle, {40, 50, 45, 55}, {40, 50, 90, 70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Desk d;
        d.AddRect(0, 0, 5, 5); // the new shape goes on top of what is there
        d.view.lineColor = kRed;
        d.view.fillColor = kBlue;
        d.view.OnCommand(c.command);
        EXPECT_EQ(d.view.cursorKind, CVellumarkView::CrossCursor);
        d.Press(40, 50);
        ASSERT_EQ(d.Count(), 2);
        EXPECT_EQ(d.view.selectedIndex, 1);
        EXPECT_EQ(d.view.dragMode, CVellumarkView::Creating);
        EXPECT_EQ(d.Item(1).GetKind(), static_cast<int>(c.kind));
        EXPECT_EQ(d.Item(1).GetRect(), c.afterPress);
        EXPECT_EQ(d.Item(1).Data().lineColor, kRed);
        EXPECT_EQ(d.Item(1).Data().fillColor, kBlue);
        EXPECT_TRUE(d.doc.IsModified());

        d.Move(60, 60);
        d.Move(90, 70);
        d.Release(90, 70);
        EXPECT_EQ(d.Item(1).GetRect(), c.afterDrag);
        EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
        EXPECT_EQ(d.view.dragMode, CVellumarkView::Idle);
        EXPECT_EQ(d.view.selectedIndex, 1);

        // A plain click keeps the starting size.
        d.view.OnCommand(c.command);
        d.Press(40, 50);
        d.Release(40, 50);
        ASSERT_EQ(d.Count(), 3);
        EXPECT_EQ(d.Item(2).GetRect(), c.afterPress);
        EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
    }
}

TEST(ViewDrawing, PenAddsAPointForEveryMoveWithThePenCursor) {
    Desk d;
    d.view.lineColor = kGreen;
    d.view.OnCommand(cmd::PenTool);
    EXPECT_EQ(d.view.cursorKind, CVellumarkView::PenCursor);
    d.Press(10, 10);
    d.Move(20, 15);
    EXPECT_EQ(d.view.cursorKind, CVellumarkView::PenCursor);
    d.Move(30, 40);
    d.Release(30, 40);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetKind(), static_cast<int>(ItemKind::Freehand));
    EXPECT_EQ(d.Item(0).Data().lineColor, kGreen);
    const std::vector<ItemPoint>& pts = d.Item(0).Data().points;
    ASSERT_GE(pts.size(), 3u);
    EXPECT_EQ(pts.front(), (ItemPoint{10, 10}));
    EXPECT_EQ(pts.back(), (ItemPoint{30, 40}));
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
}

TEST(ViewDrawing, TriangleTakesThreePressesInItsOwnTool) {
    Desk d;
    d.view.OnCommand(cmd::TriangleTool);
    d.Click(10, 10);
    EXPECT_TRUE(d.view.triangleInProgress);
    d.Move(50, 12); // the edge under construction follows the mouse
    EXPECT_EQ(static_cast<TriangleItem&>(d.Item(0)).PendingPoint(), (Point{50, 12}));
    d.Click(60, 10);
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Triangle);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Creating);
    EXPECT_TRUE(d.view.triangleInProgress);

    d.Press(30, 50);
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
    EXPECT_FALSE(d.view.triangleInProgress);
    d.Release(30, 50);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).Data().points,
              (std::vector<ItemPoint>{{10, 10}, {60, 10}, {30, 50}}));
    EXPECT_EQ(d.view.selectedIndex, 0);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Idle);
}

TEST(ViewDrawing, ChoosingAnotherToolDiscardsOnlyTheUnfinishedTriangle) {
    Desk d;
    d.AddRect(10, 10, 40, 40);
    d.view.OnCommand(cmd::TriangleTool);
    d.Click(50, 50);
    d.Click(90, 50);
    ASSERT_EQ(d.Count(), 2);
    d.view.OnCommand(cmd::LineTool);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetKind(), static_cast<int>(ItemKind::Rectangle));
    EXPECT_FALSE(d.view.triangleInProgress);
    EXPECT_EQ(d.view.selectedIndex, -1);
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Line);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Idle);

    // A finished triangle stays whatever is chosen next.
    d.view.OnCommand(cmd::TriangleTool);
    d.Click(50, 50);
    d.Click(90, 50);
    d.Click(70, 90);
    d.view.OnCommand(cmd::RectangleTool);
    EXPECT_EQ(d.Count(), 2);
}

// --- selecting, moving, resizing ----------------------------------------------------------

TEST(ViewSelection, TopmostItemWinsButALowerHandleBeatsAnUpperBody) {
    Desk d;
    const int lower = d.AddRect(20, 20, 100, 100);
    const int upper = d.AddRect(50, 50, 150, 150);

    d.Click(70, 70); // inside both bodies
    EXPECT_EQ(d.view.selectedIndex, upper);

    d.Press(100, 100); // the lower item's bottom-right handle, inside the upper body
    EXPECT_EQ(d.view.selectedIndex, lower);
    EXPECT_EQ(d.view.dragMode, 6);
    d.Release(100, 100);

    d.Press(50, 50); // the upper item's handle, inside the lower body
    EXPECT_EQ(d.view.selectedIndex, upper);
    EXPECT_EQ(d.view.dragMode, 3);
    d.Release(50, 50);

    d.Click(300, 300); // nothing there
    EXPECT_EQ(d.view.selectedIndex, -1);

    // Handles on the same spot: the topmost item's handle wins too.
    const int top = d.AddRect(100, 100, 130, 130);
    d.Press(100, 100);
    EXPECT_EQ(d.view.selectedIndex, top);
    EXPECT_EQ(d.view.dragMode, 3);
    d.Release(100, 100);
}

TEST(ViewSelection, HiddenTrackListingIsGrabbedOnlyByItsHandles) {
    Desk d;
    d.view.EnsureTrackList();
    TrackListItem* list = d.view.TrackList();
    ASSERT_NE(list, nullptr);
    for (const char* n : {"1", "2", "3", "4"})
        list->AppendTrack(n, "A title long enough to click on", "Artist", "", "");
    list->MarkForLayout();
    QImage surface(1, 1, QImage::Format_RGB32);
    DeviceContext dc(surface, 96, 96);
    list->MeasureTracks(dc);
    const Rect r = list->GetRect();
    ASSERT_GT(r.Width(), 20);
    ASSERT_GT(r.Height(), 20);
    const Point c = Centre(r);

    list->Data().hasTrackText = 0;
    d.Click(c.x, c.y);
    EXPECT_EQ(d.view.selectedIndex, -1);
    d.Press(r.left, r.top);
    EXPECT_EQ(d.view.selectedIndex, d.Page().trackListIndex);
    EXPECT_EQ(d.view.dragMode, 3);
    d.Release(r.left, r.top);

    list->Data().hasTrackText = 1;
    d.Press(c.x, c.y);
    EXPECT_EQ(d.view.selectedIndex, d.Page().trackListIndex);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Moving);
    d.Release(c.x, c.y);
}

TEST(ViewSelection, SelectingAnItemMakesItsColoursCurrent) {
    Desk d;
    d.Add(std::make_unique<LineItem>(10, 10, 60, 10, kGreen, kRed));
    d.Add(std::make_unique<EllipseItem>(10, 100, 60, 150, kBlue, kGreen));
    d.Add(LaidOutText(10, 200, "Title", ArialFont(12)));
    d.Items().back()->Data().fillColor = kRed;

    d.Click(35, 10);
    EXPECT_EQ(d.view.lineColor, kGreen);
    EXPECT_EQ(d.view.fillColor, RGB(255, 255, 255)); // a line has no fill to take
    EXPECT_FALSE(d.view.toolsBar.fillButtonShown);
    EXPECT_TRUE(d.view.toolsBar.outlineButtonShown);

    d.Click(35, 125);
    EXPECT_EQ(d.view.lineColor, kBlue);
    EXPECT_EQ(d.view.fillColor, kGreen);
    EXPECT_EQ(d.view.toolsBar.outlineSwatch, kBlue);
    EXPECT_EQ(d.view.toolsBar.fillSwatch, kGreen);

    const Point t = Centre(d.Item(2).GetRect());
    d.Click(t.x, t.y);
    EXPECT_EQ(d.view.textColor, kRed);
    EXPECT_EQ(d.view.fillColor, kRed);
    EXPECT_EQ(d.view.lineColor, kBlue);
    EXPECT_FALSE(d.view.toolsBar.outlineButtonShown);
}

TEST(ViewSelection, DragMovesTheSelectionByTheMouseTravel) {
    Desk d;
    d.AddRect(20, 20, 60, 60);
    d.Drag({40, 40}, {55, 47});
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{35, 27, 75, 67}));
    EXPECT_EQ(d.view.selectedIndex, 0);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Idle);
    EXPECT_TRUE(d.doc.IsModified());
}

TEST(ViewSelection, EachCornerHandleResizesByItsOwnCorner) {
    struct Case {
        Point grab;
        int mode;
        Point to;
        Rect expected;
    };
    const Case cases[] = {
        {{20, 20}, 3, {10, 12}, {10, 12, 60, 60}},
        {{60, 20}, 4, {70, 12}, {20, 12, 70, 60}},
        {{20, 60}, 5, {10, 70}, {10, 20, 60, 70}},
        {{60, 60}, 6, {70, 75}, {20, 20, 70, 75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Desk d;
        d.AddRect(20, 20, 60, 60);
        d.Press(c.grab.x, c.grab.y);
        EXPECT_EQ(d.view.dragMode, c.mode);
        d.Move(c.to.x, c.to.y);
        d.Release(c.to.x, c.to.y);
        EXPECT_EQ(d.Item(0).GetRect(), c.expected);
        EXPECT_EQ(d.view.dragMode, CVellumarkView::Idle);
    }
}

TEST(ViewSelection, TextsAndListingsAreNotResizedByTheirHandles) {
    Desk d;
    d.Add(LaidOutText(150, 250, "Fixed size", ArialFont(12)));
    const Rect text = d.Item(0).GetRect();
    d.Drag({text.right, text.bottom}, {text.right + 40, text.bottom + 30});
    EXPECT_EQ(d.Item(0).GetRect(), text);

    d.view.EnsureTrackList();
    TrackListItem* list = d.view.TrackList();
    ASSERT_NE(list, nullptr);
    const Rect before = list->GetRect();
    d.Drag({before.right, before.bottom}, {before.right - 25, before.bottom - 25});
    EXPECT_EQ(list->GetRect(), before);
}

TEST(ViewKeys, ArrowsNudgeAndCtrlArrowsResizeTheSelection) {
    struct Case {
        int key;
        bool control;
        Rect rectangle; // from (20, 20, 60, 60)
        Rect circle;    // from (20, 20, 30, 30)
    };
    const Case cases[] = {
        {Qt::Key_Left, false, {19, 20, 59, 60}, {19, 20, 29, 30}},
        {Qt::Key_Up, false, {20, 19, 60, 59}, {20, 19, 30, 29}},
        {Qt::Key_Right, false, {21, 20, 61, 60}, {21, 20, 31, 30}},
        {Qt::Key_Down, false, {20, 21, 60, 61}, {20, 21, 30, 31}},
        // The circle's extra unit on the other axis lets Right and Down grow it; Left and
        // Up meet it half-way and leave it as it was.
        {Qt::Key_Left, true, {20, 20, 59, 60}, {20, 20, 30, 30}},
        {Qt::Key_Up, true, {20, 20, 60, 59}, {20, 20, 30, 30}},
        {Qt::Key_Right, true, {20, 20, 61, 60}, {20, 20, 31, 31}},
        {Qt::Key_Down, true, {20, 20, 60, 61}, {20, 20, 31, 31}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << (c.control ? " with Ctrl" : ""));
        Desk d;
        d.AddRect(20, 20, 60, 60);
        d.Add(std::make_unique<CircleItem>(20, 20, 10, kRed, kBlue));
        d.view.selectedIndex = 0;
        EXPECT_TRUE(d.view.OnKeyDown(c.key, c.control));
        EXPECT_EQ(d.Item(0).GetRect(), c.rectangle);
        EXPECT_EQ(d.view.cursorKind, CVellumarkView::SizeAllCursor);
        EXPECT_TRUE(d.doc.IsModified());
        d.view.selectedIndex = 1;
        d.view.OnKeyDown(c.key, c.control);
        EXPECT_EQ(d.Item(1).GetRect(), c.circle);
    }
}

TEST(ViewKeys, CtrlArrowScalesATriangleFromItsCurrentShape) {
    Desk d;
    d.view.OnCommand(cmd::TriangleTool);
    d.Click(10, 10);
    d.Click(50, 10);
    d.Click(30, 40);
    const Rect r = d.Item(0).GetRect();
    d.view.OnKeyDown(Qt::Key_Right, true);
    d.view.OnKeyDown(Qt::Key_Right, true);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{r.left, r.top, r.right + 2, r.bottom}));
    // The corners scale with the box: the one on the right edge goes with it.
    EXPECT_EQ(d.Item(0).Data().points,
              (std::vector<ItemPoint>{{10, 10}, {52, 10}, {30, 40}}));
}

TEST(ViewKeys, KeysWithoutASelectionOrOtherKeysDoNothing) {
    Desk d;
    d.AddRect(20, 20, 60, 60);
    for (int key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down})
        for (bool control : {false, true}) EXPECT_FALSE(d.view.OnKeyDown(key, control));
    d.view.selectedIndex = 0;
    EXPECT_FALSE(d.view.OnKeyDown(Qt::Key_A, false));
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{20, 20, 60, 60}));
    EXPECT_FALSE(d.doc.IsModified());
}

TEST(ViewCoordinates, PressesAtZoomTwoAddressHalfTheDisplayDistance) {
    Desk d;
    const int W = d.view.metrics.width, H = d.view.metrics.height;
    d.view.OnCommand(cmd::ZoomIn);
    ASSERT_EQ(d.view.zoom, 2.0f);

    // Room to spare: the zoomed page is centred.
    d.view.SetClientSize(2 * W + 100, 2 * H + 60);
    EXPECT_EQ(d.view.ClientToDesign(QPoint(0, 0)), (Point{-25, -15}));
    ASSERT_EQ(d.view.originX, 50);
    ASSERT_EQ(d.view.originY, 30);
    d.view.OnCommand(cmd::RectangleTool);
    d.Press(50 + 2 * 15, 30 + 2 * 25);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{15, 25, 20, 30}));
    d.Release(50 + 2 * 40 + 1, 30 + 2 * 45 + 1); // half a unit further is the same unit
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{15, 25, 40, 45}));

    // Scrolled over a page larger than the client area: client = display - scroll.
    d.view.SetClientSize(W, H);
    d.view.horizontalScrollBar()->setRange(0, W);
    d.view.verticalScrollBar()->setRange(0, H);
    d.view.horizontalScrollBar()->setValue(40);
    d.view.verticalScrollBar()->setValue(20);
    EXPECT_EQ(d.view.ClientToDesign(QPoint(2 * 70 - 40, 2 * 90 - 20)), (Point{70, 90}));
    d.Press(2 * 27 - 40, 2 * 35 - 20);
    EXPECT_EQ(d.view.selectedIndex, 0);
    EXPECT_EQ(d.view.dragMode, CVellumarkView::Moving);
    d.Release(2 * 30 - 40, 2 * 36 - 20);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{18, 26, 43, 46}));
}

// --- the text editor ----------------------------------------------------------------------

TEST(ViewText, TypedTextBecomesATextItemWhenThePageIsPressedAgain) {
    Desk d;
    d.view.textColor = kRed;
    d.view.lineColor = kBlue;
    d.view.OnCommand(cmd::TextTool);
    EXPECT_EQ(d.view.fillColor, kRed); // the editor shows the text colour
    EXPECT_FALSE(d.view.toolsBar.outlineButtonShown);
    d.Click(30, 40);
    LabelTextEdit* editor = d.view.TextEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->geometry(), QRect(30, 40, 70, 40));
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Text); // stays while the editor is open
    EXPECT_EQ(d.Count(), 0);
    // Each edge follows the text only once the text reaches the minimum on that axis.
    editor->setPlainText(QStringLiteral("H"));
    const Size one = editor->MeasureText(QStringLiteral("H"));
    ASSERT_LT(one.cx, 50);
    EXPECT_EQ(editor->geometry(), QRect(30, 40, 70, one.cy >= 20 ? one.cy + 20 : 40));
    editor->setPlainText(QStringLiteral("Hello\nthere"));
    d.view.OnCommand(cmd::TextTool); // choosing it again keeps the editor open
    ASSERT_EQ(d.view.TextEditor(), editor);
    EXPECT_EQ(d.Count(), 0);

    // A press with the Text tool commits and returns to Select, opening nothing new.
    d.Press(200, 200);
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
    d.Release(200, 200);
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    ASSERT_EQ(d.Count(), 1);
    const LabelItem& item = d.Item(0);
    EXPECT_EQ(item.GetKind(), static_cast<int>(ItemKind::Text));
    EXPECT_EQ(item.Data().text, "Hello\r\nthere");
    EXPECT_EQ(item.GetRect().left, 30);
    EXPECT_EQ(item.GetRect().top, 40);
    EXPECT_GT(item.GetRect().Height(), 0);
    EXPECT_EQ(item.Data().lineColor, kBlue);
    EXPECT_EQ(item.Data().fillColor, kRed);
    EXPECT_EQ(item.Data().font, d.view.currentFont);
    EXPECT_EQ(item.Data().rotation, 0.0);
    EXPECT_EQ(item.Data().alignment, 0);
}

TEST(ViewText, EmptyEditorCommitsNothing) {
    Desk d;
    d.Type(30, 40, QString());
    d.view.OnCommand(cmd::SelectTool);
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    EXPECT_EQ(d.Count(), 0);
}

TEST(ViewText, LeavingThePageDropsTheTypedText) {
    Desk d;
    d.Type(30, 40, QStringLiteral("Lost"));
    CoverPage* front = d.view.page;
    ASSERT_TRUE(d.Show(Disc));
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    EXPECT_TRUE(front->items.empty());
    EXPECT_TRUE(d.Page().items.empty());
}

TEST(ViewText, ZoomingKeepsTheTypedTextWhereItWasTyped) {
    Desk d;
    d.Type(30, 40, QStringLiteral("Kept"));
    d.view.OnCommand(cmd::ZoomIn);
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetRect().left, 30);
    EXPECT_EQ(d.Item(0).GetRect().top, 40);
}

TEST(ViewText, EditingATurnedTextTurnsItBackAndReAnchorsItOnCommit) {
    struct Case {
        double angle;
        bool keepsLeft; // otherwise its right edge stays
        bool keepsTop;  // otherwise its bottom edge stays
    };
    const Case cases[] = {
        {90, false, true},
        {-90, true, true},
        {180, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        Desk d;
        d.Add(LaidOutText(80, 90, "Spin", ArialFont(14)));
        d.Item(0).Rotate90(c.angle);
        const Rect turned = d.Item(0).GetRect();
        const Point mid = Centre(turned);
        d.Click(mid.x, mid.y);
        ASSERT_EQ(d.view.selectedIndex, 0);
        d.view.OnLButtonDblClk(QPoint(mid.x, mid.y));
        LabelTextEdit* editor = d.view.TextEditor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(d.Count(), 0);
        EXPECT_EQ(d.view.selectedIndex, -1);
        EXPECT_EQ(d.view.savedRotation, c.angle);
        EXPECT_EQ(d.view.savedRect, turned);
        EXPECT_EQ(editor->Text(), QStringLiteral("Spin"));
        // More lines and a longer line: the turned box changes on both axes.
        editor->setPlainText(QStringLiteral("Spinning round\nand round"));

        d.Click(5, 400);
        ASSERT_EQ(d.Count(), 1);
        const Rect r = d.Item(0).GetRect();
        EXPECT_EQ(d.Item(0).Data().rotation, c.angle);
        EXPECT_EQ(d.Item(0).Data().text, "Spinning round\r\nand round");
        EXPECT_EQ(d.Item(0).Data().font, ArialFont(14));
        EXPECT_GT(r.Height(), turned.Height()); // the longer line runs down the turned box
        EXPECT_GT(r.Width(), turned.Width());   // the second line lies beside the first
        EXPECT_EQ(c.keepsLeft ? r.left : r.right, c.keepsLeft ? turned.left : turned.right);
        EXPECT_EQ(c.keepsTop ? r.top : r.bottom, c.keepsTop ? turned.top : turned.bottom);
    }
}

TEST(ViewText, AlignmentSurvivesAnEdit) {
    for (int alignment : {1, 2}) {
        SCOPED_TRACE(alignment);
        Desk d;
        d.Add(LaidOutText(40, 40, "Middle", ArialFont(12)));
        d.Item(0).Data().alignment = alignment;
        const Point mid = Centre(d.Item(0).GetRect());
        d.Click(mid.x, mid.y);
        d.view.OnLButtonDblClk(QPoint(mid.x, mid.y));
        ASSERT_NE(d.view.TextEditor(), nullptr);
        EXPECT_EQ(d.view.TextEditor()->Alignment(), alignment);
        d.view.OnCommand(cmd::SelectTool);
        ASSERT_EQ(d.Count(), 1);
        EXPECT_EQ(d.Item(0).Data().alignment, alignment);
        EXPECT_EQ(d.Item(0).Data().text, "Middle");
    }
}

TEST(ViewText, ErasingAllOfAnEditedTextRemovesTheItem) {
    Desk d;
    d.AddRect(200, 200, 240, 240);
    d.Add(LaidOutText(40, 40, "Gone", ArialFont(12)));
    const Point mid = Centre(d.Item(1).GetRect());
    d.Click(mid.x, mid.y);
    d.view.OnLButtonDblClk(QPoint(mid.x, mid.y));
    ASSERT_NE(d.view.TextEditor(), nullptr);
    d.view.TextEditor()->setPlainText(QString());
    d.Click(5, 400);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetKind(), static_cast<int>(ItemKind::Rectangle));
}

TEST(ViewPictures, DoubleClickOnAPictureEdgeFitsItToThePage) {
    Desk d;
    d.AddPicture(30, 30);
    const Rect r = d.Item(0).GetRect();
    d.Click(r.left + 5, r.top + 5);
    d.view.OnLButtonDblClk(QPoint(r.left + 5, r.top + 5)); // well inside: nothing
    EXPECT_EQ(d.Item(0).GetRect(), r);
    d.view.OnLButtonDblClk(QPoint(r.left + 1, r.top + 7)); // on the left edge
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{0, 0, d.Page().designWidth, d.Page().designHeight}));
}

// --- clipboard, delete ---------------------------------------------------------------------

TEST(ViewClipboard, EveryKindPastesOnAnotherPageAsTheSameRecord) {
    Desk d;
    d.Add(std::make_unique<LineItem>(10, 12, 90, 47, kRed, kBlue));
    d.Add(std::make_unique<EllipseItem>(13, 17, 71, 53, kRed, kGreen));
    d.Add(std::make_unique<CircleItem>(33, 41, 25, kRed, kGreen));
    auto pen = std::make_unique<FreehandItem>(20, 20, kRed);
    pen->Resize(0, 27, 33);
    d.Add(std::move(pen));
    d.AddRect(5, 7, 55, 31);
    auto tri = std::make_unique<TriangleItem>(30, 30, kRed, kGreen);
    tri->Resize(0, 70, 35);
    tri->Resize(0, 45, 77);
    d.Add(std::move(tri));
    d.AddPicture(3, 4);
    d.Add(LaidOutText(11, 13, "Title\r\nline two", ArialFont(10)));
    d.Item(7).Data().rotation = 90;
    d.Item(7).Data().alignment = 2;
    const int front = d.PageIndexOf(FrontCover), disc = d.PageIndexOf(Disc);

    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        d.view.SwitchToPage(front);
        d.view.selectedIndex = i;
        d.view.OnCommand(cmd::Copy);
        EXPECT_TRUE(d.view.copiedFlag);
        const Bytes copied = RecordOf(d.Item(i));
        d.view.SwitchToPage(disc);
        d.doc.SetModifiedFlag(false);
        const int before = d.Count();
        d.view.OnCommand(cmd::Paste);
        ASSERT_EQ(d.Count(), before + 1);
        EXPECT_EQ(d.view.selectedIndex, before);
        EXPECT_EQ(d.Item(before).GetKind(), i);
        EXPECT_EQ(RecordOf(d.Item(before)), copied);
        EXPECT_TRUE(d.doc.IsModified());
    }
    d.view.SwitchToPage(front);
    EXPECT_EQ(d.Count(), 8); // copying took nothing away
}

TEST(ViewClipboard, PastingTwiceStacksTwoCopiesEachSelectedInTurn) {
    Desk d;
    d.AddRect(5, 7, 55, 31);
    d.view.selectedIndex = 0;
    d.view.CopySelection();
    d.view.PasteItem();
    EXPECT_EQ(d.view.selectedIndex, 1);
    d.view.PasteItem();
    EXPECT_EQ(d.view.selectedIndex, 2);
    ASSERT_EQ(d.Count(), 3);
    EXPECT_EQ(RecordOf(d.Item(1)), RecordOf(d.Item(0)));
    EXPECT_EQ(RecordOf(d.Item(2)), RecordOf(d.Item(0)));
    EXPECT_NE(d.Items()[1].get(), d.Items()[2].get());
}

TEST(ViewClipboard, ContextMenuPastePutsTheFirstPointWhereTheMenuOpened) {
    Desk d;
    d.Add(std::make_unique<LineItem>(10, 20, 40, 60, kRed, kBlue));
    d.view.selectedIndex = 0;
    d.view.CopySelection();
    d.view.selectedIndex = -1;
    QMenu* menu = d.view.PrepareContextMenu(QPoint(120, 90));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(d.view.contextPointX, 120);
    EXPECT_EQ(d.view.contextPointY, 90);
    d.view.OnCommand(cmd::PasteAtContextPoint);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Item(1).FirstPoint(), (Point{120, 90}));
    EXPECT_EQ(d.Item(1).GetRect(), (Rect{120, 90, 150, 130}));
}

TEST(ViewClipboard, ForeignOrDamagedDataPastesNothingAndSelectsTheTopItem) {
    Desk d;
    d.view.EnsureTrackList();
    TrackListItem* list = d.view.TrackList();
    ASSERT_NE(list, nullptr);
    QByteArray listing(static_cast<qsizetype>(list->RecordSize()), 0);
    list->WriteRecord(reinterpret_cast<std::uint8_t*>(listing.data()));
    RectangleItem rect(1, 2, 3, 4, kRed, kRed);
    QByteArray unknown(static_cast<qsizetype>(rect.RecordSize()), 0);
    rect.WriteRecord(reinterpret_cast<std::uint8_t*>(unknown.data()));
    unknown[0] = 8;
    QByteArray truncated = unknown.left(3);
    truncated[0] = 4;

    d.AddRect(5, 5, 9, 9);
    for (const QByteArray& payload : {listing, unknown, truncated, QByteArray()}) {
        SCOPED_TRACE(payload.size());
        auto* mime = new QMimeData;
        mime->setData(kClipboardMime, payload);
        QGuiApplication::clipboard()->setMimeData(mime);
        d.view.selectedIndex = -1;
        d.view.OnCommand(cmd::Paste);
        EXPECT_EQ(d.Count(), 2);
        EXPECT_EQ(d.view.selectedIndex, 1);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("not ours"));
    d.view.OnCommand(cmd::Paste);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_EQ(d.view.selectedIndex, 1);
}

TEST(ViewClipboard, CutMovesAnItemButLeavesTheTrackListingAlone) {
    Desk d;
    d.view.EnsureTrackList();
    d.AddRect(5, 7, 55, 31);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    d.view.selectedIndex = 0; // the listing
    d.view.OnCommand(cmd::Cut);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_FALSE(d.view.copiedFlag);
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(kClipboardMime));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_FALSE(d.doc.IsModified());

    const Bytes record = RecordOf(d.Item(1));
    d.view.selectedIndex = 1;
    d.view.OnCommand(cmd::Cut);
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.view.selectedIndex, -1);
    EXPECT_TRUE(d.view.copiedFlag);
    const QByteArray clip = QGuiApplication::clipboard()->mimeData()->data(kClipboardMime);
    EXPECT_EQ(Bytes(clip.begin(), clip.end()), record);
}

TEST(ViewClipboard, DeleteRefusesTheListingAndAnUnfinishedTriangle) {
    Desk d;
    d.AddRect(1, 1, 9, 9);
    d.view.EnsureTrackList();
    d.AddRect(20, 20, 40, 40);
    TrackListItem* list = d.view.TrackList();
    ASSERT_EQ(d.Page().trackListIndex, 1);

    d.view.selectedIndex = 1;
    d.view.OnCommand(cmd::Delete);
    EXPECT_EQ(d.Count(), 3);

    // Removing an item below the listing keeps the index on the listing.
    d.view.selectedIndex = 0;
    d.view.OnCommand(cmd::Delete);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.view.selectedIndex, -1);
    EXPECT_EQ(d.Page().trackListIndex, 0);
    EXPECT_EQ(d.view.TrackList(), list);

    d.view.OnCommand(cmd::TriangleTool);
    d.Click(100, 100);
    ASSERT_EQ(d.Count(), 3);
    d.view.selectedIndex = 2;
    d.view.DeleteSelection();
    EXPECT_EQ(d.Count(), 3);
}

// --- stacking order -------------------------------------------------------------------------

TEST(ViewStacking, TrackListingIndexFollowsTheListing) {
    struct Case {
        int command;
        int selected;
        std::vector<int> order; // the original indices, bottom to top
        int newSelection;
    };
    // Items 0 and 1, the listing at 2, items 3 and 4.
    const Case cases[] = {
        {cmd::SendToBack, 3, {3, 0, 1, 2, 4}, 0}, // directly above the listing
        {cmd::SendToBack, 2, {2, 0, 1, 3, 4}, 0}, // the listing itself
        {cmd::SendToBack, 1, {1, 0, 2, 3, 4}, 0}, // below the listing
        {cmd::BringToFront, 1, {0, 2, 3, 4, 1}, 4},
        {cmd::BringToFront, 2, {0, 1, 3, 4, 2}, 4},
        {cmd::BringToFront, 3, {0, 1, 2, 4, 3}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " of " << c.selected);
        Desk d;
        d.AddRect(0, 0, 10, 10);
        d.AddRect(0, 0, 11, 11);
        d.view.EnsureTrackList();
        d.AddRect(0, 0, 13, 13);
        d.AddRect(0, 0, 14, 14);
        ASSERT_EQ(d.Page().trackListIndex, 2);
        std::vector<Bytes> before;
        for (auto& item : d.Items()) before.push_back(RecordOf(*item));

        d.view.selectedIndex = c.selected;
        d.view.OnCommand(c.command);
        EXPECT_EQ(d.view.selectedIndex, c.newSelection);
        ASSERT_EQ(d.Count(), 5);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(RecordOf(d.Item(i)), before[c.order[i]]) << i;
        ASSERT_NE(d.view.TrackList(), nullptr);
        EXPECT_EQ(RecordOf(*d.view.TrackList()), before[2]);
        EXPECT_TRUE(d.doc.IsModified());
    }
}

TEST(ViewStacking, AlreadyAtTheBottomOrTopChangesNothing) {
    Desk d;
    d.AddRect(0, 0, 10, 10);
    d.AddRect(0, 0, 11, 11);
    std::vector<LabelItem*> before{d.Items()[0].get(), d.Items()[1].get()};
    d.view.selectedIndex = 0;
    d.view.OnCommand(cmd::SendToBack);
    d.view.selectedIndex = 1;
    d.view.OnCommand(cmd::BringToFront);
    d.view.selectedIndex = -1;
    d.view.OnCommand(cmd::SendToBack);
    d.view.OnCommand(cmd::BringToFront);
    EXPECT_EQ(d.Items()[0].get(), before[0]);
    EXPECT_EQ(d.Items()[1].get(), before[1]);
    EXPECT_FALSE(d.doc.IsModified());
}

// --- turning, alignment, the page's switches ------------------------------------------------

TEST(ViewCommands, RotationAddsUpOnlyWithTheSelectTool) {
    Desk d;
    d.AddRect(20, 20, 60, 40);
    d.view.selectedIndex = 0;
    d.view.OnCommand(cmd::RotateLeft);
    d.view.OnCommand(cmd::RotateLeft);
    d.view.OnCommand(cmd::RotateRight);
    EXPECT_EQ(d.Item(0).Data().rotation, 90.0);
    EXPECT_EQ(d.Item(0).GetRect().Width(), 20);
    EXPECT_TRUE(d.doc.IsModified());

    d.view.currentTool = CVellumarkView::Line;
    d.view.OnCommand(cmd::RotateLeft);
    d.view.currentTool = CVellumarkView::Select;
    d.view.selectedIndex = -1;
    d.view.OnCommand(cmd::RotateLeft);
    EXPECT_EQ(d.Item(0).Data().rotation, 90.0);
}

TEST(ViewCommands, SettingsOfThePageAndItsTextsMarkTheProjectChanged) {
    struct Case {
        int command;
        bool withText; // the text item selected
        bool changes;
    };
    const Case cases[] = {
        {cmd::AlignCenter, true, true},
        {cmd::AlignLeft, true, false}, // already left
        {cmd::AlignRight, false, false},
        {cmd::PrintOverHole, false, true},
        {cmd::PrintBorders, false, true},
        {cmd::RotateRight, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Desk d;
        d.Add(LaidOutText(10, 10, "Left", ArialFont(10)));
        const int hole = d.Page().printOverInnerCircle, border = d.Page().showBorder;
        d.view.selectedIndex = c.withText ? 0 : -1;
        d.view.OnCommand(c.command);
        EXPECT_EQ(d.doc.IsModified(), c.changes);
        if (c.command == cmd::AlignCenter) {
            EXPECT_EQ(d.Item(0).Data().alignment, 1);
        }
        EXPECT_EQ(d.Page().printOverInnerCircle != hole, c.command == cmd::PrintOverHole);
        EXPECT_EQ(d.Page().showBorder != border, c.command == cmd::PrintBorders);
    }
}

// --- fitting pictures -------------------------------------------------------------------------

TEST(ViewFit, PartsOfADvdWrap) {
    struct Case {
        int command;
        Rect expected; // H = the page's design height
    };
    const Case cases[] = {
        {cmd::FitFront, {247, 0, 480, -1}},
        {cmd::FitBack, {0, 0, 233, -1}},
        {cmd::FitSpine, {233, 0, 247, -1}},
        {cmd::FitEntireLabel, {0, 0, 480, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Desk d(StandardDvd, DvdCaseWrap);
        d.Page().designWidth = 480;
        d.Page().designSpineWidth = 14;
        const int H = d.Page().designHeight;
        ASSERT_GT(H, 0);
        d.view.selectedIndex = d.AddPicture(30, 40);
        d.view.OnCommand(c.command);
        EXPECT_EQ(d.Item(d.view.selectedIndex).GetRect(),
                  (Rect{c.expected.left, c.expected.top, c.expected.right, H}));
        EXPECT_TRUE(d.doc.IsModified());
    }
}

TEST(ViewFit, GalleryPictureIsAddedAndFittedButAnUnreadableOneFitsNothing) {
    Desk d(StandardDvd, DvdCaseWrap);
    d.Page().designWidth = 480;
    d.Page().designSpineWidth = 14;
    const int H = d.Page().designHeight;
    QString picture = WritePicture(d.temp.path(), QStringLiteral("gallery.png"));
    d.view.galleryContextPicture = [&] { return picture; };
    const int n = d.Count();

    d.view.OnCommand(cmd::AddGalleryPictureFitBack);
    ASSERT_EQ(d.Count(), n + 1);
    EXPECT_EQ(d.Page().lastAddedPicturePath, picture);
    EXPECT_EQ(d.Item(n).GetRect(), (Rect{0, 0, 233, H}));

    d.view.OnCommand(cmd::AddGalleryPicture);
    ASSERT_EQ(d.Count(), n + 2);
    EXPECT_EQ(d.Item(n + 1).GetRect(), (Rect{0, 0, 21, 15}));

    picture = d.temp.path() + QStringLiteral("/missing.png");
    d.view.OnCommand(cmd::AddGalleryPictureFitPage);
    EXPECT_EQ(d.Count(), n + 2);
    EXPECT_EQ(d.Item(n + 1).GetRect(), (Rect{0, 0, 21, 15}));
}

// --- the context menu -------------------------------------------------------------------------

namespace {

QAction* FindAction(QMenu* menu, int id) {
    QList<QAction*> all = menu->actions();
    all += menu->actions().front()->menu()->actions();
    for (QAction* a : all)
        if (a->data().toInt() == id && !a->menu()) return a;
    return nullptr;
}

bool Enabled(QMenu* menu, int id) {
    QAction* a = FindAction(menu, id);
    EXPECT_NE(a, nullptr) << id;
    return a && a->isEnabled();
}

bool Checked(QMenu* menu, int id) {
    QAction* a = FindAction(menu, id);
    return a && a->isChecked();
}

bool SizeImageEnabled(QMenu* menu) { return menu->actions().front()->isEnabled(); }

} // namespace

TEST(ViewContextMenu, EntriesFollowTheSelectionAndTheCopy) {
    Desk d;
    d.Add(LaidOutText(10, 10, "Right", ArialFont(10)));
    d.Item(0).Data().alignment = 2;
    d.AddPicture(100, 100);
    d.view.EnsureTrackList();

    // Nothing selected, nothing copied.
    QMenu* m = d.view.PrepareContextMenu(QPoint(5, 6));
    ASSERT_EQ(m->actions().front()->menu()->title(), QStringLiteral("Size Image to Fit"));
    for (int id : {cmd::Copy, cmd::Cut, cmd::Delete, cmd::PasteAtContextPoint, cmd::SendToBack,
                   cmd::BringToFront, cmd::AlignLeft, cmd::AlignCenter, cmd::AlignRight,
                   cmd::FitEntireLabel, cmd::FitFront, cmd::FitBack, cmd::FitSpine})
        EXPECT_FALSE(Enabled(m, id)) << id;
    EXPECT_TRUE(Enabled(m, cmd::BackgroundColor));
    EXPECT_FALSE(SizeImageEnabled(m));

    // The context menu's Paste needs only a copy; the Edit menu's also a selection.
    d.view.copiedFlag = true;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    EXPECT_TRUE(Enabled(m, cmd::PasteAtContextPoint));
    EXPECT_FALSE(d.view.IsCommandEnabled(cmd::Paste));

    // A text: alignment with its own checked, no background.
    d.view.selectedIndex = 0;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    EXPECT_TRUE(d.view.IsCommandEnabled(cmd::Paste));
    for (int id : {cmd::Copy, cmd::Cut, cmd::Delete, cmd::SendToBack, cmd::AlignLeft,
                   cmd::AlignCenter, cmd::AlignRight})
        EXPECT_TRUE(Enabled(m, id)) << id;
    EXPECT_FALSE(Checked(m, cmd::AlignLeft));
    EXPECT_FALSE(Checked(m, cmd::AlignCenter));
    EXPECT_TRUE(Checked(m, cmd::AlignRight));
    EXPECT_FALSE(Enabled(m, cmd::BackgroundColor));
    EXPECT_FALSE(SizeImageEnabled(m));

    // A picture: Size Image to Fit, but no wrap parts on a front cover.
    d.view.selectedIndex = 1;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    EXPECT_TRUE(SizeImageEnabled(m));
    EXPECT_TRUE(Enabled(m, cmd::FitEntireLabel));
    EXPECT_FALSE(Enabled(m, cmd::FitFront));
    EXPECT_FALSE(Enabled(m, cmd::AlignLeft));
    EXPECT_FALSE(Checked(m, cmd::AlignRight));

    // The listing: no clipboard or delete; alignment only off the first page.
    d.view.selectedIndex = d.Page().trackListIndex;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    for (int id : {cmd::Copy, cmd::Cut, cmd::Delete}) EXPECT_FALSE(Enabled(m, id)) << id;
    EXPECT_FALSE(d.view.IsCommandEnabled(cmd::Copy));
    EXPECT_TRUE(Enabled(m, cmd::BringToFront));
    d.view.currentPageNumber = 0;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    EXPECT_FALSE(Enabled(m, cmd::AlignLeft));
    d.view.currentPageNumber = 1;
    m = d.view.PrepareContextMenu(QPoint(5, 6));
    EXPECT_TRUE(Enabled(m, cmd::AlignLeft));
    EXPECT_TRUE(Checked(m, cmd::AlignLeft)); // a new listing off the disc is left-aligned
}

TEST(ViewContextMenu, WrapPartsOnlyOnDvdWraps) {
    for (int side : {DvdCaseWrap, SlimlineDvdCaseWrap}) {
        SCOPED_TRACE(side);
        Desk d(side == DvdCaseWrap ? StandardDvd : SlimlineDvd, side);
        d.view.selectedIndex = d.AddPicture(10, 10);
        QMenu* m = d.view.PrepareContextMenu(QPoint(1, 1));
        for (int id : {cmd::FitEntireLabel, cmd::FitFront, cmd::FitBack, cmd::FitSpine})
            EXPECT_TRUE(Enabled(m, id)) << id;
    }
}

// --- pictures -----------------------------------------------------------------------------

TEST(ViewPictures, AddedPictureSitsAtTheOriginOrIsCentredOnTheDropPoint) {
    Desk d;
    const QString path = WritePicture(d.temp.path(), QStringLiteral("pic.png"));
    d.view.OnCommand(cmd::RectangleTool);
    d.view.AddPicture(path);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetKind(), static_cast<int>(ItemKind::Picture));
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{0, 0, 21, 15}));
    EXPECT_EQ(d.view.selectedIndex, 0);
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
    EXPECT_TRUE(d.doc.IsModified());

    d.view.AddPicture(path, Point{100, 80});
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Item(1).GetRect(), (Rect{90, 73, 111, 88}));
    EXPECT_EQ(d.view.selectedIndex, 1);
}

TEST(ViewPictures, UnreadablePictureLeavesNoItem) {
    Desk d;
    const QString notAPicture = d.temp.path() + QStringLiteral("/notes.png");
    testsupport::WriteAll(notAPicture, QByteArray("not a picture at all"));
    d.AddRect(1, 1, 5, 5);
    for (const QString& path : {notAPicture, d.temp.path() + QStringLiteral("/missing.png")}) {
        SCOPED_TRACE(path.toStdString());
        d.view.AddPicture(path, Point{50, 50});
        EXPECT_EQ(d.Count(), 1);
        EXPECT_EQ(d.view.selectedIndex, 0);
    }
    d.Items().clear();
    d.view.AddPicture(notAPicture);
    EXPECT_EQ(d.view.selectedIndex, -1);
}

TEST(ViewPictures, OnlyTheGalleryFolderMarkerIsDropped) {
    Desk d;
    const QString root = d.temp.path();
    WritePicture(root + QStringLiteral("/Clipart"), QStringLiteral("a.png"));
    WritePicture(root + QStringLiteral("/my-USERS"), QStringLiteral("b.png"));
    WritePicture(root + QStringLiteral("/x-USER/sub"), QStringLiteral("c.png"));
    struct Case {
        QString path;
        bool found;
    };
    const Case cases[] = {
        {root + QStringLiteral("/Clipart-USER/a.png"), true},
        {root + QStringLiteral("/my-USERS/b.png"), true},
        {root + QStringLiteral("/x-USER/sub/c.png"), true},
        {root + QStringLiteral("/Clipart/a-USER.png"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const int before = d.Count();
        d.view.AddPicture(c.path);
        EXPECT_EQ(d.Count(), before + (c.found ? 1 : 0));
    }
}

TEST(ViewPictures, PictureCommandAsksForAFileAndCentresItOnADisc) {
    Desk d(StandardCd, Disc);
    const QString path = WritePicture(d.temp.path(), QStringLiteral("disc.png"));
    d.Type(30, 40, QStringLiteral("first")); // an open editor is committed first
    testsupport::ScriptedUi ui;
    ui.AnswerOpenFile(path).AnswerOpenFile(std::nullopt);
    d.view.OnCommand(cmd::InsertPicture);
    EXPECT_EQ(d.view.TextEditor(), nullptr);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Item(0).GetKind(), static_cast<int>(ItemKind::Text));
    const int W = d.Page().designWidth;
    EXPECT_EQ(d.Item(1).GetRect(), (Rect{W / 2 - 10, 0, W / 2 - 10 + 21, 15}));
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].kind, testsupport::ScriptedUi::Kind::OpenFile);
    EXPECT_TRUE(ui.Calls()[0].dialog.filter.contains(QStringLiteral("*.png")));

    d.doc.SetModifiedFlag(false);
    d.view.OnCommand(cmd::InsertPicture); // cancelled
    EXPECT_EQ(d.Count(), 2);
    EXPECT_FALSE(d.doc.IsModified());
}

TEST(ViewPictures, ReleaseWithinTheViewDuringAGalleryDragDropsThePictureThere) {
    Desk d;
    const QString path = WritePicture(d.temp.path(), QStringLiteral("dragged.png"));
    d.view.viewport()->resize(300, 200);
    int asked = 0;
    d.view.takeGalleryDrop = [&]() -> std::optional<QString> {
        ++asked;
        return path;
    };
    d.Release(-5, 10); // outside the view: the gallery is not asked
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(d.Count(), 0);

    d.view.OnCommand(cmd::RectangleTool);
    d.Release(100, 80);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{90, 73, 111, 88}));
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);
}

TEST(ViewPictures, PictureOnAFrontCoverIsNotCentred) {
    Desk d;
    testsupport::ScriptedUi ui;
    ui.AnswerOpenFile(WritePicture(d.temp.path(), QStringLiteral("front.png")));
    d.view.OnCommand(cmd::InsertPicture);
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{0, 0, 21, 15}));
}

// --- colours ----------------------------------------------------------------------------------

TEST(ViewAttributes, OutlineAndFillColoursGoToTheSelection) {
    Desk d;
    d.Add(LaidOutText(100, 100, "Text", ArialFont(10)));
    d.AddRect(10, 10, 50, 50);
    const ItemData text = d.Item(0).Data();
    testsupport::ScriptedUi ui;
    ui.AnswerColor(kGreen).AnswerColor(kBlue).AnswerColor(kRed);

    d.view.selectedIndex = 1;
    d.view.OnCommand(cmd::OutlineColorStatic);
    EXPECT_EQ(d.Item(1).Data().lineColor, kGreen);
    EXPECT_EQ(d.view.lineColor, kGreen);
    EXPECT_EQ(d.view.toolsBar.outlineSwatch, kGreen);
    EXPECT_TRUE(d.doc.IsModified());

    d.view.OnCommand(cmd::FillColor);
    EXPECT_EQ(d.Item(1).Data().fillColor, kBlue);
    EXPECT_EQ(d.view.fillColor, kBlue);
    EXPECT_EQ(d.view.textColor, kBlack); // not a text
    EXPECT_EQ(d.Item(0).Data(), text);   // only the selection changes

    d.view.selectedIndex = 0;
    d.view.OnCommand(cmd::FillColorStatic);
    EXPECT_EQ(d.Item(0).Data().fillColor, kRed);
    EXPECT_EQ(d.view.textColor, kRed);
    EXPECT_EQ(d.view.toolsBar.fillSwatch, kRed);

    // Each dialog opened with the colour current at the time.
    ASSERT_EQ(ui.Calls().size(), 3u);
    EXPECT_EQ(ui.Calls()[0].color, kBlack);
    EXPECT_EQ(ui.Calls()[1].color, RGB(255, 255, 255));
    EXPECT_EQ(ui.Calls()[2].color, kBlue);
}

TEST(ViewAttributes, CancelledColourDialogsChangeNothing) {
    Desk d;
    d.AddRect(10, 10, 50, 50);
    const ItemData item = d.Item(0).Data();
    const COLORREF background = d.Page().backgroundColor;
    testsupport::ScriptedUi ui;
    for (int id : {cmd::OutlineColor, cmd::FillColor, cmd::BackgroundColor}) {
        SCOPED_TRACE(id);
        ui.AnswerColor(std::nullopt);
        d.view.selectedIndex = id == cmd::BackgroundColor ? -1 : 0;
        d.view.OnCommand(id);
        EXPECT_EQ(d.Item(0).Data(), item);
        EXPECT_EQ(d.view.lineColor, kBlack);
        EXPECT_EQ(d.view.fillColor, RGB(255, 255, 255));
        EXPECT_EQ(d.Page().backgroundColor, background);
        EXPECT_EQ(d.view.lastBackgroundColor, RGB(255, 255, 251));
        EXPECT_FALSE(d.doc.IsModified());
    }
}

TEST(ViewAttributes, BackgroundColourOpensWithThePagesAndIsRemembered) {
    Desk d;
    d.Page().backgroundColor = kBlue;
    testsupport::ScriptedUi ui;
    ui.AnswerColor(kGreen);
    d.view.OnCommand(cmd::BackgroundColor);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].color, kBlue);
    EXPECT_EQ(d.Page().backgroundColor, kGreen);
    EXPECT_EQ(d.view.lastBackgroundColor, kGreen);
    EXPECT_TRUE(d.doc.IsModified());
}

TEST(ViewAttributes, FontDialogChangesTheSelectedTextOrTheFontOfNewText) {
    Desk d;
    d.Add(LaidOutText(60, 60, "Font", ArialFont(10)));
    d.Item(0).Rotate90(90);
    testsupport::ScriptedUi ui;
    ui.AnswerFont(ui::FontChoice{ArialFont(20), kRed}).AnswerFont(std::nullopt);

    d.view.selectedIndex = 0;
    d.view.OnCommand(cmd::Font);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].font, ArialFont(10)); // opens with the item's font
    const LabelItem& item = d.Item(0);
    EXPECT_EQ(item.Data().font, ArialFont(20));
    EXPECT_EQ(item.Data().rotation, 90.0);
    // Laid out for the new font, and still standing on end as the turned text does.
    EXPECT_GT(item.GetRect().Height(), item.GetRect().Width());
    EXPECT_EQ(d.view.currentFont, ArialFont(20));
    EXPECT_EQ(d.view.fillColor, kRed);

    const ItemData chosen = item.Data();
    d.view.OnCommand(cmd::Font); // cancelled
    EXPECT_EQ(item.Data(), chosen);
    EXPECT_EQ(d.view.currentFont, ArialFont(20));

    // Without a text selected the font is the one new text gets, the open editor's too.
    d.Type(200, 300, QStringLiteral("new"));
    ui.AnswerFont(ui::FontChoice{ArialFont(30), kBlue});
    d.view.OnCommand(cmd::Font);
    EXPECT_EQ(ui.Calls().back().font, ArialFont(20));
    EXPECT_EQ(d.view.TextEditor()->ItemFont(), ArialFont(30));
    EXPECT_EQ(d.view.TextEditor()->TextColor(), kBlue);
    d.view.OnCommand(cmd::SelectTool);
    ASSERT_EQ(d.Count(), 2);
    EXPECT_EQ(d.Item(1).Data().font, ArialFont(30));
    EXPECT_EQ(d.Item(1).Data().fillColor, kBlue);
}

// --- the widget ---------------------------------------------------------------------------

TEST(ViewWidget, MouseAndKeyEventsReachTheHandlers) {
    Desk d;
    d.view.resize(d.view.metrics.width, d.view.metrics.height);
    d.view.show();
    QWidget* surface = d.view.viewport();
    d.view.OnCommand(cmd::RectangleTool);
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QMouseEvent move(QEvent::MouseMove, QPointF(70, 90), surface->mapToGlobal(QPointF(70, 90)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(70, 90));
    ASSERT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{30, 40, 70, 90}));
    EXPECT_EQ(d.view.currentTool, CVellumarkView::Select);

    QTest::keyClick(&d.view, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(&d.view, Qt::Key_Down);
    EXPECT_EQ(d.Item(0).GetRect(), (Rect{30, 41, 71, 91}));
}

TEST(QtUiFonts, FontsRoundTripThroughTheDialogsPointSizes) {
    LogFont f = ArialFont(-21); // 16 points on a 96 dpi screen
    f.lfWeight = FW_BOLD;
    f.lfItalic = 1;
    f.lfCharSet = ANSI_CHARSET;
    const QFont q = QtUi::ToQFont(f);
    EXPECT_DOUBLE_EQ(q.pointSizeF(), 15.75);
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.italic());
    EXPECT_EQ(QtUi::FromQFont(q, f), f);

    QFont bigger = q;
    bigger.setPointSize(24);
    bigger.setItalic(false);
    const LogFont back = QtUi::FromQFont(bigger, f);
    EXPECT_EQ(back.lfHeight, -32);
    EXPECT_EQ(back.lfItalic, 0);
    EXPECT_EQ(back.FaceName(), "Arial");
}
