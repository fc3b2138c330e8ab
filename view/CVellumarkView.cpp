#include "CVellumarkView.h"

#include "CVellumarkDoc.h"
#include "CoverPage.h"
#include "DeviceContext.h"
#include "LabelItem.h"
#include "LabelTextEdit.h"
#include "ShapeItems.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

// A buffer larger than this is not attempted: the paint simply draws nothing.
constexpr std::int64_t kMaxBufferPixels = 256LL * 1024 * 1024 / 4;
// Print renders never need more; larger exponents only come from damaged state.
constexpr int kMaxPrintExponent = 24;

std::int32_t Trunc(double v) { return TruncToInt32(v); }

bool IsText(const LabelItem& item) {
    const auto kind = static_cast<ItemKind>(item.GetKind());
    return kind == ItemKind::Text || kind == ItemKind::TrackList;
}

bool IsPolyPoint(const LabelItem& item) {
    const auto kind = static_cast<ItemKind>(item.GetKind());
    return kind == ItemKind::Freehand || kind == ItemKind::Triangle;
}

// Per axis: the client extent when the page fits in it (the page centred), else the page's.
struct Layout {
    Size buffer;
    int originX = 0, originY = 0;
};

Layout LayOut(Size client, const PageMetrics& m, bool printMode) {
    Layout l;
    if (printMode || client.cx < m.width) {
        l.buffer.cx = m.width;
    } else {
        l.buffer.cx = client.cx;
        l.originX = (client.cx - m.width) / 2;
    }
    if (printMode || client.cy < m.height) {
        l.buffer.cy = m.height;
    } else {
        l.buffer.cy = client.cy;
        l.originY = (client.cy - m.height) / 2;
    }
    return l;
}

} // namespace

CVellumarkView::CVellumarkView(CVellumarkDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), layoutImage_(1, 1, QImage::Format_RGB32) {
    // Every pixel is repainted from the buffers: no background erase, no flicker.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    // The cursor follows what lies under the mouse even without a button down.
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    UpdateScrollSizes();
}

CVellumarkView::~CVellumarkView() { delete layoutDc_; }

DeviceContext& CVellumarkView::LayoutDc() {
    if (!layoutDc_) layoutDc_ = new DeviceContext(layoutImage_, 96, 96);
    return *layoutDc_;
}

void CVellumarkView::OnInitialUpdate() {
    if (document_ && !document_->Pages().empty()) page = document_->TakeNextQueuedPage();
    DiscardTextEditor();
    if (page) metrics = PageMetrics::FromDesign(*page);
    UpdateScrollSizes();
    if (onUpdateToolsState) onUpdateToolsState();
    Invalidate();
}

// --- geometry -------------------------------------------------------------------------------

void CVellumarkView::SetClientSize(int width, int height) {
    clientSize_ = Size{std::max(0, width), std::max(0, height)};
}

void CVellumarkView::ClearClientSize() { clientSize_.reset(); }

Size CVellumarkView::ClientSize() const {
    if (clientSize_) return *clientSize_;
    const QWidget* frame = parentWidget();
    const QSize s = frame ? frame->contentsRect().size() : viewport()->size();
    return {s.width(), s.height()};
}

Size CVellumarkView::BufferSize() const {
    if (!page) return {};
    return LayOut(ClientSize(), printMode ? printMetrics : metrics, printMode).buffer;
}

Size CVellumarkView::Centre() {
    const Layout l = LayOut(ClientSize(), metrics, printMode);
    originX = l.originX;
    originY = l.originY;
    centreX = originX + metrics.width / 2;
    centreY = originY + metrics.height / 2;
    return l.buffer;
}

Size CVellumarkView::Recentre() {
    const Size buffer = Centre();
    // The text editor stays over the same place of the page when the page moves.
    const int dx = originX - lastOriginX_, dy = originY - lastOriginY_;
    lastOriginX_ = originX;
    lastOriginY_ = originY;
    if (textEditor_ && (dx != 0 || dy != 0)) textEditor_->move(textEditor_->pos() + QPoint(dx, dy));
    return buffer;
}

void CVellumarkView::RefreshMetrics() {
    if (page) metrics = PageMetrics::FromDesign(*page).Scaled(zoom);
}

void CVellumarkView::Invalidate() { viewport()->update(); }

void CVellumarkView::UpdateScrollSizes() {
    // The scroll range covers the zoomed page only, not the centring margins.
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, metrics.width - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, metrics.height - view.height()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width()));
    verticalScrollBar()->setPageStep(std::max(1, view.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, view.width() / 100));
    verticalScrollBar()->setSingleStep(std::max(1, view.height() / 100));
}

void CVellumarkView::ZoomIn() {
    if (!page) return;
    for (int* v : {&metrics.width, &metrics.height, &metrics.holeWidth, &metrics.holeHeight,
                   &metrics.spineWidth, &metrics.spineHeight, &metrics.spineOffsetX,
                   &metrics.spineOffsetY, &metrics.spineCutoutX, &metrics.spineCutoutY})
        *v = static_cast<int>(static_cast<unsigned>(*v) << 1);
    zoom *= 2.0f;
    UpdateScrollSizes();
    Invalidate();
}

void CVellumarkView::ZoomOut() {
    if (!page) return;
    zoom /= 2.0f;
    for (int* v : {&metrics.width, &metrics.height, &metrics.holeWidth, &metrics.holeHeight,
                   &metrics.spineWidth, &metrics.spineHeight, &metrics.spineOffsetX,
                   &metrics.spineOffsetY, &metrics.spineCutoutX, &metrics.spineCutoutY})
        *v /= 2;
    if (metrics.width < page->designWidth || metrics.height < page->designHeight) {
        zoom = 1.0f;
        metrics = PageMetrics::FromDesign(*page);
    }
    UpdateScrollSizes();
    Invalidate();
}

// --- items ----------------------------------------------------------------------------------

LabelItem* CVellumarkView::SelectedItem() const {
    if (!page || selectedIndex < 0 || selectedIndex >= static_cast<int>(page->items.size()))
        return nullptr;
    return page->items[selectedIndex].get();
}

TrackListItem* CVellumarkView::TrackList() const {
    if (!page || page->trackListIndex < 0 ||
        page->trackListIndex >= static_cast<int>(page->items.size()))
        return nullptr;
    return dynamic_cast<TrackListItem*>(page->items[page->trackListIndex].get());
}

void CVellumarkView::ScaleItemForDisplay(int index) {
    if (!page || index < 0 || index >= static_cast<int>(page->items.size())) return;
    LabelItem* item = page->items[index].get();
    // At zoom 1 every step is the identity: leave the item untouched.
    if (!item || zoom == 1.0f) return;
    const double z = zoom;
    Rect r = item->GetRect();
    item->Offset(Trunc((z - 1) * r.left), Trunc((z - 1) * r.top));
    item->BeginReshape();
    r = item->GetRect();
    item->Resize(3, Trunc(r.left + (std::int64_t{r.right} - r.left) * z),
                 Trunc(r.top + (std::int64_t{r.bottom} - r.top) * z));
    if (IsPolyPoint(*item)) item->BeginReshape();
    if (IsText(*item)) item->Data().font.lfHeight = Trunc(item->Data().font.lfHeight * z);
}

void CVellumarkView::RestoreItemFromDisplay(int index) {
    if (!page || index < 0 || index >= static_cast<int>(page->items.size())) return;
    LabelItem* item = page->items[index].get();
    if (!item || zoom == 1.0f || zoom == 0.0f) return;
    const double z = zoom;
    Rect r = item->GetRect();
    item->Offset(-(r.left - Trunc(r.left / z)), -(r.top - Trunc(r.top / z)));
    item->BeginReshape();
    r = item->GetRect();
    item->Resize(3, Trunc(r.left + (std::int64_t{r.right} - r.left) / z),
                 Trunc(r.top + (std::int64_t{r.bottom} - r.top) / z));
    if (IsPolyPoint(*item)) item->BeginReshape();
    if (IsText(*item)) item->Data().font.lfHeight = Trunc(item->Data().font.lfHeight * (1 / z));
}

void CVellumarkView::DrawItemForDisplay(DeviceContext& dc, int index, bool handles) {
    LabelItem* item = page->items[index].get();
    ScaleItemForDisplay(index);
    item->Offset(originX, originY);
    if (handles) {
        item->DrawHandles(dc);
    } else {
        item->Draw(dc, false);
        item->Draw(dc, true);
    }
    item->Offset(-originX, -originY);
    RestoreItemFromDisplay(index);
}

// --- painting -------------------------------------------------------------------------------

void CVellumarkView::DrawOutline(DeviceContext& dc) const {
    const PageMetrics& m = metrics;
    const int ox = originX, oy = originY;
    const int W = m.width, H = m.height;
    auto line = [&dc](int x0, int y0, int x1, int y1) {
        dc.MoveTo(x0, y0);
        dc.LineTo(x1, y1);
    };
    switch (page->coverSide) {
    case BackCover:
        dc.Rectangle(ox, oy, ox + W, oy + H);
        line(ox + m.spineWidth, oy, ox + m.spineWidth, oy + m.spineHeight);
        line(ox + W - m.spineWidth, oy, ox + W - m.spineWidth, oy + m.spineHeight);
        break;
    case SlimlineCdInsert: {
        const int CX = m.spineCutoutX, CY = m.spineCutoutY;
        dc.Rectangle(ox + m.spineOffsetX, oy + CY, ox + m.spineOffsetX + m.spineWidth,
                     oy + m.spineHeight - CY);
        dc.MoveTo(ox, oy + CY);
        dc.LineTo(ox + CX, oy + CY);
        dc.LineTo(ox + CX, oy);
        dc.LineTo(ox + W - 1, oy);
        dc.LineTo(ox + W - 1, oy + H - 1);
        dc.LineTo(ox + CX - 1, oy + H - 1);
        dc.MoveTo(ox + CX, oy + H - 1);
        dc.LineTo(ox + CX, oy + H - CY - 1);
        dc.LineTo(ox, oy + H - CY - 1);
        dc.LineTo(ox, oy + CY);
        break;
    }
    case DvdCaseWrap:
    case SlimlineDvdCaseWrap:
        dc.Rectangle(ox, oy, ox + W, oy + H);
        line(centreX - m.spineWidth / 2, oy, centreX - m.spineWidth / 2, oy + H);
        line(centreX + m.spineWidth / 2, oy, centreX + m.spineWidth / 2, oy + H);
        break;
    case Disc:
        dc.Ellipse(ox, oy, ox + W, oy + H);
        if (!page->printOverInnerCircle)
            dc.Ellipse(centreX - m.holeWidth / 2, centreY - m.holeHeight / 2,
                       centreX + m.holeWidth / 2, centreY + m.holeHeight / 2);
        break;
    default:
        dc.Rectangle(ox, oy, ox + W, oy + H);
        break;
    }
}

void CVellumarkView::OnDraw(DeviceContext& target) {
    if (!page) return;
    if (!printMode) printOffsetX = printOffsetY = 0;

    // Print mode paints at the print sizes; the screen state comes back afterwards.
    const PageMetrics savedMetrics = metrics;
    const PageMetrics savedDesign = PageMetrics::FromDesign(*page);
    const float savedZoom = zoom;
    if (printMode) {
        metrics = printMetrics;
        printMetrics.StoreAsDesign(*page);
        zoom = std::ldexp(1.0f, std::min<int>(printScaleExponent, kMaxPrintExponent));
    }

    const Size buffer = printMode ? Centre() : Recentre();
    const int BW = buffer.cx, BH = buffer.cy;
    const bool paintable = BW > 0 && BH > 0 && std::int64_t{BW} * BH <= kMaxBufferPixels;
    QImage imageA, imageB;
    if (paintable) {
        imageA = QImage(BW, BH, QImage::Format_RGB32);
        imageB = QImage(BW, BH, QImage::Format_RGB32);
    }
    if (!imageA.isNull() && !imageB.isNull()) {
        const PageMetrics& m = metrics;
        const bool disc = page->coverSide == Disc;
        const bool insert = page->coverSide == SlimlineCdInsert;
        const bool border = page->showBorder != 0;
        const COLORREF outside = printMode ? kPaperColor : kOutsideColor;

        const Rect pageRect{originX, originY, originX + m.width, originY + m.height};
        const Rect holeRect{centreX - m.holeWidth / 2, centreY - m.holeHeight / 2,
                            centreX + m.holeWidth / 2, centreY + m.holeHeight / 2};
        const QRegion pageRegion = disc ? regions::Ellipse(pageRect) : regions::Rectangle(pageRect);
        const QRegion holeRegion = disc ? regions::Ellipse(holeRect) : QRegion();
        const QRegion cutouts =
            insert ? regions::Rectangle({originX, originY, originX + m.spineCutoutX,
                                         originY + m.spineCutoutY}) +
                         regions::Rectangle({originX, originY + m.height - m.spineCutoutY,
                                             originX + m.spineCutoutX, originY + m.height})
                   : QRegion();
        const QRegion whole = regions::Rectangle({0, 0, BW, BH});

        const int dpiX = target.GetDeviceCaps(LOGPIXELSX);
        const int dpiY = target.GetDeviceCaps(LOGPIXELSY);
        DeviceContext a(imageA, dpiX, dpiY); // the final image
        DeviceContext b(imageB, dpiX, dpiY); // the composition
        a.FillSolidRect({0, 0, BW, BH}, kBufferFillColor);
        if (printMode) {
            // The print buffer is the page: all paper.
            b.FillSolidRect({0, 0, BW, BH}, kPaperColor);
            a.FillSolidRect(pageRect, kPaperColor);
        } else {
            a.FillSolidRect(pageRect, kBufferFillColor);
            b.FillSolidRect({0, 0, BW, BH}, kOutsideColor);
            if (border) {
                DrawOutline(a);
                DrawOutline(b);
            }
        }

        b.SelectClipRgn(pageRegion);
        a.FillSolidRect(pageRect, kPaperColor);
        b.FillSolidRect(pageRect, kPaperColor);

        // The track listing keeps where it was last shown on the page, saved with it.
        if (TrackListItem* list = TrackList()) {
            list->Data().layoutFrame = pageRect;
            list->Data().holeFrame = holeRect;
        }

        {
            RectangleItem background(pageRect.left, pageRect.top, pageRect.right,
                                     pageRect.bottom, page->backgroundColor,
                                     page->backgroundColor);
            background.Draw(b, false);
            background.Draw(b, true);
        }

        for (int i = 0; i < static_cast<int>(page->items.size()); ++i) {
            const LabelItem* item = page->items[i].get();
            if (!item || item->Data().hasTrackText == 0) continue;
            b.SelectClipRgn(pageRegion);
            DrawItemForDisplay(b, i, false);
        }

        b.SelectClipRgn(whole);
        if (disc && !page->printOverInnerCircle) b.FillRgn(holeRegion, Brush{BS_SOLID, outside});
        if (insert) b.FillRgn(cutouts, Brush{BS_SOLID, outside});

        // Handles go over the painted-over hole, so they stay visible there.
        if (!hideSelection && SelectedItem()) {
            const Brush previous = b.SelectBrush(Brush{BS_HOLLOW, 0});
            DrawItemForDisplay(b, selectedIndex, true);
            b.SelectBrush(previous);
        }

        // A printed disc keeps white paper in the corners of its bounding square.
        if (printMode && disc) a.SelectClipRgn(pageRegion);
        a.BitBlt(0, 0, BW, BH, b, 0, 0, SRCCOPY);
        a.SelectClipRgn(nullptr);
        a.SelectBrush(Brush{BS_NULL, 0});
        if (border) DrawOutline(a);

        target.BitBlt(0, 0, BW, BH, a, 0, 0, SRCCOPY);
    }

    if (printMode) {
        metrics = savedMetrics;
        savedDesign.StoreAsDesign(*page);
        zoom = savedZoom;
    }
}

QImage CVellumarkView::Render(int dpi) {
    const Size size = BufferSize();
    if (!page || size.cx <= 0 || size.cy <= 0 ||
        std::int64_t{size.cx} * size.cy > kMaxBufferPixels)
        return {};
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    DeviceContext dc(image, dpi, dpi);
    OnDraw(dc);
    return image;
}

void CVellumarkView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QImage frame = Render();
    const int x = -horizontalScrollBar()->value();
    const int y = -verticalScrollBar()->value();
    // Whatever the buffer does not reach (no page, a viewport larger than the frame's client
    // area) shows the outside colour.
    const QColor outside(GetRValue(kOutsideColor), GetGValue(kOutsideColor),
                         GetBValue(kOutsideColor));
    const QRegion rest = QRegion(viewport()->rect()) - QRegion(x, y, frame.width(), frame.height());
    for (const QRect& r : rest) painter.fillRect(r, outside);
    if (!frame.isNull()) painter.drawImage(x, y, frame);
}

void CVellumarkView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollSizes();
    Invalidate();
}

void CVellumarkView::scrollContentsBy(int dx, int dy) {
    if (textEditor_) textEditor_->move(textEditor_->pos() + QPoint(dx, dy));
    UpdateScrollSizes();
    Invalidate();
}

// --- page set-up ----------------------------------------------------------------------------

void CVellumarkView::ApplyPageTemplate() {
    if (!page) return;
    if (document_)
        page->ApplyTemplate(page->coverSide, document_->Context().TemplateById(page->templateId));
    RefreshMetrics();
    Invalidate();
}

void CVellumarkView::EnsureSpineTexts() {
    if (!page || page->spineTextsCreated) return;
    const int side = page->coverSide;
    if (side != BackCover && side != DvdCaseWrap && side != SlimlineDvdCaseWrap) return;
    const LogFont font = TrackListItem::DefaultFont(96);
    const int W = page->designWidth, H = page->designHeight;
    const int SW = page->designSpineWidth, SH = page->designSpineHeight;

    // Appends a laid-out spine text turned a quarter, and moves it so that its box keeps its
    // size with its centre as near (cx, cy) as integer halves allow.
    auto add = [&](const char* text, double angle, int cx, int cy, bool centreX) {
        auto item = std::make_unique<TextItem>(0, 0, W, H, lineColor, textColor,
                                               text, font);
        item->FitToText(LayoutDc());
        TextItem* t = item.get();
        page->items.push_back(std::move(item));
        selectedIndex = static_cast<int>(page->items.size()) - 1;
        t->Rotate90(angle);
        const Rect r = t->GetRect();
        const int left = centreX ? cx - r.Width() / 2 : r.left;
        t->Offset(left - r.left, cy - r.Height() / 2 - r.top);
    };
    if (side == BackCover) {
        add("Spine Text", -90.0, SW / 2, SH / 2, true);
        add("Spine Text", 90.0, (W - SW + W) / 2, SH / 2, true);
    } else {
        add("Spine 1 Text", -90.0, W / 2, SH / 2, true);
    }
    selectedIndex = -1;
    page->spineTextsCreated = 1;
}

void CVellumarkView::EnsureTrackList() {
    selectedIndex = -1;
    if (!page || TrackList()) return;
    const int W = page->designWidth, H = page->designHeight;
    const int SW = page->designSpineWidth;
    Rect r{0, 0, W, H};
    switch (page->coverSide) {
    case FrontCover: r = {W / 25, W / 25, W, H}; break;
    case BackCover: r = {2 * SW, SW, W, H}; break;
    case SlimlineCdInsert:
        r = {page->designSpineOffsetX + 3 * SW, SW + page->designSpineCutoutY, W, H};
        break;
    case DvdCaseWrap:
    case SlimlineDvdCaseWrap: r = {SW / 2, SW / 2, W, H}; break;
    default: break;
    }
    auto list = std::make_unique<TrackListItem>(r.left, r.top, r.right, r.bottom, RGB(0, 0, 0),
                                                textColor, "");
    const bool disc = page->coverSide == Disc;
    list->Data().alignment = disc ? 1 : 0;
    list->Data().trackLayout = disc ? 0 : 1;
    TrackListItem* t = list.get();
    page->items.push_back(std::move(list));
    page->trackListIndex = static_cast<std::int32_t>(page->items.size()) - 1;
    t->MeasureTracks(LayoutDc());
}

void CVellumarkView::SwitchToPage(int index) {
    DiscardTextEditor();
    while (zoom != 1.0f && page) ZoomOut();
    zoom = 1.0f;
    if (!document_) return;
    if (index < 0 || index >= static_cast<int>(document_->Pages().size())) return;

    // The track rows follow the user from page to page.
    std::optional<std::vector<std::array<std::string, kTrackFieldCount>>> rows;
    if (const TrackListItem* list = TrackList()) {
        rows.emplace();
        for (int row = 0; row < list->Data().trackCount; ++row) {
            std::array<std::string, kTrackFieldCount> cells;
            for (int f = 0; f < kTrackFieldCount; ++f) cells[f] = list->GetTrackField(row, f);
            rows->push_back(std::move(cells));
        }
    }

    document_->QueuePageFirst(index);
    CoverPage* next = document_->TakeNextQueuedPage();
    if (!next) return;
    page = next;
    RefreshMetrics();
    EnsureSpineTexts();

    if (rows) {
        const TrackListItem* existing = TrackList();
        const std::int32_t visible = existing ? existing->Data().hasTrackText : 0;
        EnsureTrackList();
        if (TrackListItem* list = TrackList()) {
            list->Data().hasTrackText = visible;
            list->ClearTracks();
            for (const auto& c : *rows)
                list->AppendTrack(c[TrackNumber], c[TrackTitle], c[TrackArtist], c[TrackAlbum],
                                  c[TrackLength]);
        }
    }

    ApplyPageTemplate();
    selectedIndex = -1;
    UpdateScrollSizes();
    Invalidate();
    if (onUpdateToolsState) onUpdateToolsState();
}
