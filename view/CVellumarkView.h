#pragma once
// The view of one page of a label project: lays the page out on screen, zooms and scrolls,
// and paints outline, background, items and selection through two off-screen buffers. The
// same painting serves the print job (print mode) and the batch tool, so OnDraw works on
// any DeviceContext without the widget ever being shown. The view is also the page's
// editor: the tools and mouse editing (ViewTools.cpp), the in-place text editor
// (ViewTextEditing.cpp) and the edit commands (ViewEditCommands.cpp).
#include "PageMetrics.h"
#include "DeviceContext.h"
#include "LogFont.h"
#include "Types.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class CoverPage;
class CVellumarkDoc;
class LabelItem;
class TrackListItem;
class LabelTextEdit;
class QMenu;
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

    // --- editing state ---------------------------------------------------------------------
    enum DrawTool { Select = 0, Line = 1, Circle = 2, Ellipse = 3, Rectangle = 4, Triangle = 5,
                    Pen = 6, Text = 8 };
    enum DragMode { Idle = 0, Creating = 1, Moving = 2 }; // 3..6: resizing by a corner
    enum CursorKind { ArrowCursor = 0, CrossCursor = 1, SizeAllCursor = 2, SizeNwseCursor = 3,
                      SizeNeswCursor = 4, IBeamCursor = 5, UnchangedCursor = 6, PenCursor = 7 };
    int currentTool = Select;
    int dragMode = Idle;
    int cursorKind = ArrowCursor;
    int lastPointX = 0, lastPointY = 0;
    COLORREF lineColor = RGB(0, 0, 0);
    COLORREF fillColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    LogFont currentFont = DefaultFont();
    bool triangleInProgress = false;
    // The text editor's minimum text area, and the item being edited.
    int editorMinWidth = 50;
    int editorMinHeight = 20;
    double savedRotation = 0;
    Rect savedRect{};
    // Set by Copy; the context menu's Paste needs it.
    bool copiedFlag = false;
    // Where the context menu was last opened, in client coordinates.
    int contextPointX = 0, contextPointY = 0;
    COLORREF lastBackgroundColor = RGB(255, 255, 251);

    // What the tools bar shows: which colour buttons, and the two swatches.
    struct ToolsBarState {
        bool outlineButtonShown = true;
        bool fillButtonShown = true;
        COLORREF outlineSwatch = RGB(0, 0, 0);
        COLORREF fillSwatch = RGB(255, 255, 255);
        bool showTracksOn = false;
    };
    ToolsBarState toolsBar;

    // The font of new text: 16-point Arial as the screen measures it.
    static LogFont DefaultFont();

    // --- hooks for the parts of the program around the view -------------------------------
    // The tools bar and page buttons follow the view's state.
    std::function<void()> onUpdateToolsState;
    // The tools bar shows toolsBar again (buttons shown or hidden, swatches).
    std::function<void()> onToolsBarChanged;
    // The clipart gallery: the picture being dragged from it when a drag is in progress (the
    // gallery ends its drag when asked), and the picture its context menu was opened on.
    std::function<std::optional<QString>()> takeGalleryDrop;
    std::function<QString()> galleryContextPicture;
    // The Tracks dialog, run modally over the page's track listing. Without one, Edit tracks
    // only logs that there is nothing to open.
    std::function<void(TrackListItem&)> runTracksDialog;

    // --- commands -------------------------------------------------------------------------
    // Runs a command of the view; false when the id is not one of the view's.
    bool OnCommand(int id);
    // Whether a command can run now (menus and tool buttons grey out the others).
    bool IsCommandEnabled(int id) const;

    // Mouse and keys, in client (viewport) coordinates; the widget's events come here.
    void OnLButtonDown(QPoint client);
    void OnMouseMove(QPoint client);
    void OnLButtonUp(QPoint client);
    void OnLButtonDblClk(QPoint client);
    // Arrow keys nudge the selection, with Ctrl they resize it; true when the key was used.
    bool OnKeyDown(int key, bool control);
    // Client coordinates to design units (scroll, origin and zoom undone).
    Point ClientToDesign(QPoint client);

    // Tools (the tool commands run these).
    void SelectTool();
    void ChooseTool(int tool);
    void CursorForTool();
    void ApplyCursor();
    void DiscardUnfinishedShape();
    void ResetDrag();
    void InsertPicture();
    void AddPicture(const QString& path, std::optional<Point> dropPoint = std::nullopt);
    void ChooseOutlineColor();
    void ChooseFillColor();
    void ChooseFont();

    // The in-place text editor.
    void BeginNewText(Point design);
    void BeginEditText(int index);
    void CommitTextEditor();
    // Drops the editor and its text (page changes).
    void DiscardTextEditor();
    LabelTextEdit* TextEditor() const;

    // Edit commands.
    void DeleteSelection();
    void CopySelection();
    void CutSelection();
    void PasteItem(std::optional<QPoint> clientPoint = std::nullopt);
    void SendToBack();
    void BringToFront();
    void SetAlignment(int alignment);
    void RotateSelection(double angle);
    void FitToPage();
    void FitEntirePage();
    void FitFront();
    void FitBack();
    void FitSpine();
    void AddGalleryPicture(int fitCommand);
    void ChooseBackgroundColor();
    void TogglePrintOverHole();
    void ToggleBorders();
    void ToggleTrackList();
    void EditTracks();
    void ShowHelp();

    // The context menu: its entries enabled and checked for the current state, then shown
    // at a point of the viewport. PrepareContextMenu alone builds it without showing it.
    QMenu* PrepareContextMenu(QPoint client);
    void OnContextMenu(QPoint client);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Regions;
    // Sets the origin and centre for this paint; returns the buffer size.
    Size Centre();
    // Centre() for the screen: the text editor moves with the page.
    Size Recentre();
    void DrawOutline(DeviceContext& dc) const;
    void DrawItemForDisplay(DeviceContext& dc, int index, bool handles);
    void RefreshMetrics();
    void Invalidate();
    void SetModified();
    void UpdateToolsState();
    void ToolsBarChanged();
    void ShowSwatches();
    // The item at index, or null when index is not on the page.
    LabelItem* ItemAt(int index) const;
    int ItemCount() const;
    void RemoveItem(int index);
    // The selected item follows a drag to (x, y) by dragMode.
    void DragTo(Point p);
    // The current attributes follow the item just selected.
    void FollowSelection();
    void FitToPart(Rect part);
    // Positions the editor from display coordinates (it lives in the viewport).
    void PlaceEditor(const QRect& display);
    QRect EditorDisplayRect() const;
    QPoint ScrollOffset() const;
    // A device context of the screen, for text layout outside a paint.
    DeviceContext& LayoutDc();

    CVellumarkDoc* document_ = nullptr;
    std::optional<Size> clientSize_;
    int lastOriginX_ = 0, lastOriginY_ = 0;
    QImage layoutImage_;
    DeviceContext* layoutDc_ = nullptr;
    QPointer<LabelTextEdit> textEditor_;
    QMenu* contextMenu_ = nullptr;
};
