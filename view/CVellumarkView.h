#pragma once
// The view of one page of a label project: lays the page out on screen, zooms and scrolls,
// and paints outline, background, items and selection through two off-screen buffers. The
// same painting serves the print job (print mode) and the batch tool, so OnDraw works on
// any DeviceContext without the widget ever being shown.
#include "PageMetrics.h"
#include "DeviceContext.h"
#include "Types.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>

class CoverPage;
class CVellumarkDoc;
class LabelItem;
class TrackListItem;
class QRegion;

class CVellumarkView : public QAbstractScrollArea {
public:
    static constexpr COLORREF kOutsideColor = RGB(225, 225, 253);
    static constexpr COLORREF kBufferFillColor = RGB(192, 192, 192);
    static constexpr COLORREF kPaperColor = RGB(255, 255, 255);

    explicit CVellumarkView(CVellumarkDoc* document = nullptr, QWidget* parent = nullptr);
    ~CVellumarkView() override;

    CVellumarkDoc* GetDocument() const { return document_; }
    void SetDocument(CVellumarkDoc* document) { document_ = document; }

    // Binds the view to the page the document queued for it and sizes the scroll range.
    void OnInitialUpdate();

    // Paints the page at (0, 0) of target: BufferSize() pixels. Nothing without a page.
    void OnDraw(DeviceContext& target);
    // The extent OnDraw paints: per axis the larger of the client area and the page's
    // display extent (the page's extent alone in print mode).
    Size BufferSize() const;
    // What OnDraw paints, as an image of BufferSize(); null without a page or when the
    // image cannot be allocated.
    QImage Render(int dpi = 96);

    void ZoomIn();
    void ZoomOut();
    void UpdateScrollSizes();

    // Shows another page of the same document, set up as when first shown.
    void SwitchToPage(int index);
    void ApplyPageTemplate();
    void EnsureSpineTexts();
    void EnsureTrackList();

    // The in-place zoom of one item for drawing; exact both ways for power-of-two zooms.
    void ScaleItemForDisplay(int index);
    void RestoreItemFromDisplay(int index);

    // The client area the page is centred in. Without one set, the parent widget's
    // contents (the frame around the view), or the viewport when there is no parent.
    void SetClientSize(int width, int height);
    void ClearClientSize();
    Size ClientSize() const;

    // The selected item, or null.
    LabelItem* SelectedItem() const;
    // The page's track listing, or null when it has none (or its index names no listing).
    TrackListItem* TrackList() const;

    // --- view state ----------------------------------------------------------------------
    CoverPage* page = nullptr;
    float zoom = 1.0f;
    PageMetrics metrics;
    PageMetrics printMetrics;
    bool printMode = false;
    std::uint8_t printScaleExponent = 0;
    bool hideSelection = false;
    int originX = 0, originY = 0;
    int centreX = 0, centreY = 0;
    int selectedIndex = -1;
    int printOffsetX = 0, printOffsetY = 0;
    int currentPageNumber = 0;
    // The colours new items get (the tools keep them up to date).
    COLORREF currentLineColor = RGB(0, 0, 0);
    COLORREF currentTextColor = RGB(0, 0, 0);

    // --- hooks for the parts of the program around the view -------------------------------
    // The tools bar and page buttons follow the view's state.
    std::function<void()> onUpdateToolsState;
    // The in-place text editor: dropped (uncommitted) when the page changes, and moved by
    // the distance the page origin moved between two paints.
    std::function<void()> discardTextEditor;
    std::function<void(int dx, int dy)> moveTextEditor;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Regions;
    // Sets the origin and centre for this paint; returns the buffer size.
    Size Centre();
    void DrawOutline(DeviceContext& dc) const;
    void DrawItemForDisplay(DeviceContext& dc, int index, bool handles);
    void RefreshMetrics();
    void Invalidate();
    // A device context of the screen, for text layout outside a paint.
    DeviceContext& LayoutDc();

    CVellumarkDoc* document_ = nullptr;
    std::optional<Size> clientSize_;
    int lastOriginX_ = 0, lastOriginY_ = 0;
    QImage layoutImage_;
    DeviceContext* layoutDc_ = nullptr;
};
