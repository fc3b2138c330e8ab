// The drawing tools and mouse editing of the label view: presses create, select, move and
// resize items, the arrow keys nudge them, and the tool commands pick tools, colours, the
// font and pictures.
#include "CVellumarkView.h"

#include "CVellumarkDoc.h"
#include "CoverPage.h"
#include "ImageItem.h"
#include "LabelTextEdit.h"
#include "ShapeItems.h"
#include "TextItem.h"
#include "TrackListItem.h"
#include "Ui.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

ItemKind KindOf(const LabelItem& item) { return static_cast<ItemKind>(item.GetKind()); }

bool IsTextKind(const LabelItem& item) {
    return KindOf(item) == ItemKind::Text || KindOf(item) == ItemKind::TrackList;
}

bool IsPolyPoint(const LabelItem& item) {
    return KindOf(item) == ItemKind::Freehand || KindOf(item) == ItemKind::Triangle;
}

bool IsResizeMode(int mode) { return mode >= 3 && mode <= 6; }

// The Resize handle of a resize drag mode, and the mode of a hit handle.
int HandleOfMode(int mode) {
    switch (mode) {
    case 3: return 1;
    case 4: return 2;
    case 5: return 4;
    default: return 3;
    }
}

int ModeOfHandle(int handle) {
    switch (handle) {
    case LabelItem::TopLeft: return 3;
    case LabelItem::TopRight: return 4;
    case LabelItem::BottomLeft: return 5;
    default: return 6;
    }
}

// The gallery marks its user folders with this suffix; the file lives in the folder
// without it.
const QString kGalleryUserMarker = QStringLiteral("-USER");

} // namespace

LogFont CVellumarkView::DefaultFont() {
    LogFont font;
    font.lfHeight = -MulDiv(16, 96, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS;
    font.SetFaceName("Arial");
    return font;
}

// --- small helpers ------------------------------------------------------------------------

LabelItem* CVellumarkView::ItemAt(int index) const {
    if (!page || index < 0 || index >= ItemCount()) return nullptr;
    return page->items[index].get();
}

int CVellumarkView::ItemCount() const { return page ? static_cast<int>(page->items.size()) : 0; }

void CVellumarkView::RemoveItem(int index) {
    if (!page || index < 0 || index >= ItemCount()) return;
    page->items.erase(page->items.begin() + index);
    // The listing's index keeps naming the listing when an item below it goes.
    if (page->trackListIndex > index) --page->trackListIndex;
    else if (page->trackListIndex == index) page->trackListIndex = -1;
}

void CVellumarkView::SetModified() {
    if (document_) document_->SetModifiedFlag(true);
}

void CVellumarkView::UpdateToolsState() {
    if (onUpdateToolsState) onUpdateToolsState();
}

void CVellumarkView::ToolsBarChanged() {
    if (onToolsBarChanged) onToolsBarChanged();
}

void CVellumarkView::ShowSwatches() {
    toolsBar.outlineSwatch = lineColor;
    toolsBar.fillSwatch = fillColor;
    ToolsBarChanged();
}

QPoint CVellumarkView::ScrollOffset() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

Point CVellumarkView::ClientToDesign(QPoint client) {
    if (page && !printMode) Recentre();
    const QPoint logical = client + ScrollOffset();
    const double z = zoom > 0 ? zoom : 1.0;
    return {TruncToInt32((logical.x() - originX) / z), TruncToInt32((logical.y() - originY) / z)};
}

// --- tools --------------------------------------------------------------------------------

void CVellumarkView::CursorForTool() {
    switch (currentTool) {
    case Line:
    case Circle:
    case Ellipse:
    case Rectangle:
    case Triangle: cursorKind = CrossCursor; break;
    case Pen: cursorKind = PenCursor; break;
    case Text: cursorKind = IBeamCursor; break;
    default: cursorKind = ArrowCursor; break;
    }
}

void CVellumarkView::DiscardUnfinishedShape() {
    if (currentTool == Select || dragMode == Idle || !ItemAt(selectedIndex)) return;
    RemoveItem(selectedIndex);
    triangleInProgress = false;
    selectedIndex = -1;
    Invalidate();
}

void CVellumarkView::ResetDrag() {
    dragMode = Idle;
    cursorKind = ArrowCursor;
}

void CVellumarkView::ChooseTool(int tool) {
    DiscardUnfinishedShape();
    ResetDrag();
    if (tool != Text) CommitTextEditor();
    currentTool = tool;
    CursorForTool();
    UpdateToolsState();
    switch (tool) {
    case Line:
        toolsBar.fillButtonShown = false;
        ShowSwatches();
        break;
    case Circle:
    case Ellipse:
    case Rectangle:
    case Triangle:
        toolsBar.outlineButtonShown = toolsBar.fillButtonShown = true;
        ToolsBarChanged();
        break;
    case Pen:
        toolsBar.fillButtonShown = false;
        toolsBar.outlineButtonShown = true;
        ShowSwatches();
        break;
    case Text:
        toolsBar.outlineButtonShown = false;
        toolsBar.fillButtonShown = true;
        fillColor = textColor;
        ShowSwatches();
        break;
    default: break;
    }
    ApplyCursor();
}

void CVellumarkView::SelectTool() { ChooseTool(Select); }

// --- mouse --------------------------------------------------------------------------------

void CVellumarkView::OnLButtonDown(QPoint client) {
    toolsBar.outlineButtonShown = toolsBar.fillButtonShown = true;
    ToolsBarChanged();
    if (page) {
        const Point p = ClientToDesign(client);
        const int x = p.x, y = p.y;
        const bool endedEdit = textEditor_ != nullptr;
        if (endedEdit) CommitTextEditor();
        selectedIndex = -1;
        auto append = [this](std::unique_ptr<LabelItem> item) {
            page->items.push_back(std::move(item));
            selectedIndex = ItemCount() - 1;
            dragMode = Creating;
        };
        switch (currentTool) {
        case Select: {
            // Every item is asked, so of overlapping items the topmost wins.
            for (int i = 0; i < ItemCount(); ++i) {
                LabelItem* item = page->items[i].get();
                const int handle = item->HitTestHandle(item->GetRect(), p);
                if (handle == LabelItem::NoHandle) continue;
                dragMode = ModeOfHandle(handle);
                if (IsPolyPoint(*item)) item->BeginReshape();
                cursorKind = item->HandleModeAt(x, y);
                ApplyCursor();
                selectedIndex = i;
            }
            if (selectedIndex < 0) {
                for (int i = 0; i < ItemCount(); ++i) {
                    LabelItem* item = page->items[i].get();
                    if (!item->HitTest(x, y)) continue;
                    // A hidden listing is not there to click on.
                    if (KindOf(*item) == ItemKind::TrackList && item->Data().hasTrackText == 0)
                        continue;
                    dragMode = Moving;
                    cursorKind = SizeAllCursor;
                    ApplyCursor();
                    selectedIndex = i;
                }
            }
            break;
        }
        case Line:
            append(std::make_unique<LineItem>(x, y, x + 3, y + 3, lineColor, fillColor));
            break;
        case Circle:
            append(std::make_unique<CircleItem>(x, y, 10, lineColor, fillColor));
            cursorKind = CrossCursor;
            break;
        case Ellipse:
            append(std::make_unique<EllipseItem>(x, y, x + 10, y + 10, lineColor, fillColor));
            cursorKind = CrossCursor;
            break;
        case Rectangle:
            append(std::make_unique<RectangleItem>(x, y, x + 5, y + 5, lineColor, fillColor));
            cursorKind = CrossCursor;
            break;
        case Triangle:
            if (dragMode == Creating) {
                selectedIndex = ItemCount() - 1;
                LabelItem* last = ItemAt(selectedIndex);
                if (last && KindOf(*last) == ItemKind::Triangle &&
                    last->Data().points.size() < 3) {
                    last->Resize(0, x, y);
                    if (last->Data().points.size() >= 3) {
                        dragMode = Idle;
                        triangleInProgress = false;
                        SelectTool();
                    } else {
                        dragMode = Creating;
                        cursorKind = CrossCursor;
                    }
                }
            } else {
                triangleInProgress = true;
                append(std::make_unique<TriangleItem>(x, y, lineColor, fillColor));
                cursorKind = CrossCursor;
            }
            break;
        case Pen:
            append(std::make_unique<FreehandItem>(x, y, lineColor));
            cursorKind = CrossCursor;
            break;
        case Text:
            if (endedEdit) {
                SelectTool();
            } else {
                toolsBar.outlineButtonShown = false;
                ToolsBarChanged();
                BeginNewText(p);
            }
            break;
        default: break;
        }
        // Every press on a page counts as a change.
        SetModified();
        lastPointX = x;
        lastPointY = y;
        Invalidate();
    }
    FollowSelection();
}

void CVellumarkView::FollowSelection() {
    const LabelItem* item = SelectedItem();
    if (!item) return;
    switch (KindOf(*item)) {
    case ItemKind::Text:
    case ItemKind::TrackList:
        toolsBar.outlineButtonShown = false;
        textColor = fillColor = item->Data().fillColor;
        break;
    case ItemKind::Line:
    case ItemKind::Freehand:
        toolsBar.fillButtonShown = false;
        toolsBar.outlineButtonShown = true;
        lineColor = item->Data().lineColor;
        break;
    case ItemKind::Picture: return;
    default:
        toolsBar.outlineButtonShown = toolsBar.fillButtonShown = true;
        lineColor = item->Data().lineColor;
        fillColor = item->Data().fillColor;
        break;
    }
    ShowSwatches();
}

void CVellumarkView::DragTo(Point p) {
    const int x = p.x, y = p.y;
    LabelItem* item = SelectedItem();
    if (dragMode == Creating) {
        if (currentTool >= Line && currentTool <= Pen && item) {
            const int handle = currentTool == Triangle ? -1 : currentTool == Pen ? 0 : 3;
            item->Resize(handle, x, y);
            cursorKind = currentTool == Pen ? PenCursor : CrossCursor;
            lastPointX = x;
            lastPointY = y;
            Invalidate();
            SetModified();
        }
    } else if (dragMode == Moving) {
        if (item) {
            item->Offset(x - lastPointX, y - lastPointY);
            lastPointX = x;
            lastPointY = y;
            SetModified();
            Invalidate();
        }
    } else if (IsResizeMode(dragMode)) {
        // Texts and listings size themselves to their text: their handles only show.
        if (item && !IsTextKind(*item)) {
            item->Resize(HandleOfMode(dragMode), x, y);
            lastPointX = x;
            lastPointY = y;
            Invalidate();
            SetModified();
        }
    } else if (currentTool != Select) {
        CursorForTool();
    } else if (item) {
        if (item->HitTest(x, y)) {
            cursorKind = SizeAllCursor;
        } else {
            cursorKind = item->HandleModeAt(x, y);
            if (cursorKind == UnchangedCursor) CursorForTool();
        }
    }
}

void CVellumarkView::OnMouseMove(QPoint client) {
    if (page) DragTo(ClientToDesign(client));
    ApplyCursor();
}

void CVellumarkView::OnLButtonUp(QPoint client) {
    const Point p = ClientToDesign(client);
    if (viewport()->rect().contains(client) && !window()->isMinimized() && takeGalleryDrop) {
        if (std::optional<QString> dropped = takeGalleryDrop()) {
            AddPicture(*dropped, p);
            return;
        }
    }
    // A click without a drag keeps a new shape at its starting size: pulling its corner
    // back onto the press point would leave an invisible shape of no size.
    const bool clickOnly = dragMode == Creating && p.x == lastPointX && p.y == lastPointY;
    if (page && !clickOnly) DragTo(p);
    if (!(currentTool == Triangle && dragMode == Creating)) {
        dragMode = Idle;
        ApplyCursor();
        if (!textEditor_) SelectTool();
    }
    UpdateToolsState();
}

void CVellumarkView::OnLButtonDblClk(QPoint client) {
    const Point p = ClientToDesign(client);
    if (!document_ || !page) return;
    if (textEditor_) {
        CommitTextEditor();
        selectedIndex = -1;
    }
    LabelItem* item = SelectedItem();
    if (currentTool == Select && item && KindOf(*item) == ItemKind::Text) {
        BeginEditText(selectedIndex);
        lastPointX = p.x;
        lastPointY = p.y;
    } else if (currentTool == Select && item && KindOf(*item) == ItemKind::Picture &&
               LabelItem::HitTestBorder(item->GetRect(), p)) {
        FitEntirePage();
    }
    if (currentTool == Select) {
        cursorKind = ArrowCursor;
        ApplyCursor();
    }
}

bool CVellumarkView::OnKeyDown(int key, bool control) {
    int dx = 0, dy = 0;
    switch (key) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
    }
    LabelItem* item = SelectedItem();
    if (!document_ || !item) return false;
    cursorKind = SizeAllCursor;
    if (!control) {
        item->Offset(dx, dy);
    } else {
        if (IsPolyPoint(*item)) item->BeginReshape();
        const Rect r = item->GetRect();
        // A circle keeps its size square only when both coordinates move.
        const int e = KindOf(*item) == ItemKind::Circle ? 1 : 0;
        if (dx != 0)
            item->Resize(3, r.right + dx, r.bottom + e);
        else
            item->Resize(3, r.right + e, r.bottom + dy);
    }
    SetModified();
    Invalidate();
    return true;
}

// --- pictures, colours, font --------------------------------------------------------------

void CVellumarkView::InsertPicture() {
    DiscardUnfinishedShape();
    ResetDrag();
    CommitTextEditor();
    toolsBar.outlineButtonShown = toolsBar.fillButtonShown = true;
    ToolsBarChanged();
    CursorForTool();
    ui::FileDialog dialog;
    dialog.caption = QStringLiteral("Open");
    // Upper-case names too: file names on this system are case-sensitive.
    dialog.filter = QStringLiteral(
        "All Images (*.jpg *.jpeg *.gif *.bmp *.png *.tif *.tiff *.JPG *.JPEG *.GIF *.BMP *.PNG "
        "*.TIF *.TIFF);;JPEG Files (*.jpg *.JPG);;PNG Files (*.png *.PNG);;GIF Files (*.gif "
        "*.GIF);;BMP Files (*.bmp *.BMP);;TIFF Files (*.tif *.TIF);;All Files (*)");
    if (const std::optional<QString> path = ui::Current().GetOpenFileName(dialog)) {
        AddPicture(*path);
        LabelItem* item = SelectedItem();
        if (item && KindOf(*item) == ItemKind::Picture && page->coverSide == Disc) {
            const Rect r = item->GetRect();
            item->Offset(page->designWidth / 2 - r.Width() / 2 - r.left, 0);
        }
    }
    UpdateToolsState();
}

void CVellumarkView::AddPicture(const QString& path, std::optional<Point> dropPoint) {
    if (!page || !document_) {
        Invalidate();
        return;
    }
    // Only the gallery's folder marker goes: a folder the user named "my-USERS" stays.
    QString file = path;
    const QFileInfo info(path);
    const QString folder = info.path();
    if (folder.endsWith(kGalleryUserMarker))
        file = folder.chopped(kGalleryUserMarker.size()) + u'/' + info.fileName();
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? path.mid(dot + 1) : QString();

    auto image = std::make_unique<ImageItem>(0, 0, file, extension);
    const bool decoded = image->decodeOk();
    page->items.push_back(std::move(image));
    selectedIndex = ItemCount() - 1;
    LabelItem* item = page->items.back().get();
    if (decoded) {
        const Rect r = item->GetRect();
        if (dropPoint)
            item->Offset(dropPoint->x - r.Width() / 2 - r.left,
                         dropPoint->y - r.Height() / 2 - r.top);
        else
            item->Offset(-r.left, -r.top);
    } else {
        RemoveItem(selectedIndex);
        selectedIndex = ItemCount() - 1;
    }
    dragMode = Idle;
    cursorKind = ArrowCursor;
    currentTool = Select;
    SetModified();
    UpdateToolsState();
    Invalidate();
}

void CVellumarkView::ChooseOutlineColor() {
    if (const std::optional<COLORREF> c = ui::Current().ChooseColor(lineColor)) {
        lineColor = *c;
        if (LabelItem* item = SelectedItem()) {
            item->Data().lineColor = *c;
            Invalidate();
        }
        if (textEditor_) textEditor_->update();
        SetModified();
        ShowSwatches();
    }
    UpdateToolsState();
}

void CVellumarkView::ChooseFillColor() {
    if (const std::optional<COLORREF> c = ui::Current().ChooseColor(fillColor)) {
        LabelItem* item = SelectedItem();
        if (item && IsTextKind(*item)) textColor = *c;
        fillColor = *c;
        if (item) {
            item->Data().fillColor = *c;
            Invalidate();
        }
        // The editor shows its text in the fill colour.
        if (textEditor_) textEditor_->SetTextColor(fillColor);
        SetModified();
        ShowSwatches();
    }
    UpdateToolsState();
}

void CVellumarkView::ChooseFont() {
    LabelItem* item = SelectedItem();
    auto* text = item && IsTextKind(*item) ? static_cast<TextItem*>(item) : nullptr;
    const LogFont initial = text ? text->Data().font : currentFont;
    const std::optional<ui::FontChoice> choice = ui::Current().ChooseFont(initial, fillColor);
    if (!choice) return;
    currentFont = choice->font;
    fillColor = choice->color;
    if (text) {
        text->Data().font = choice->font;
        // Laid out upright, then turned back. Laying it out again after the turn would
        // measure the text upright and leave a turned text in an upright box.
        const double rotation = text->Data().rotation;
        text->Rotate90(-rotation);
        text->FitToText(LayoutDc());
        text->Rotate90(rotation);
    }
    if (textEditor_) {
        textEditor_->SetItemFont(currentFont, zoom);
        textEditor_->SetTextColor(fillColor);
    }
    ShowSwatches();
    Invalidate();
}

// --- widget events ------------------------------------------------------------------------

void CVellumarkView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    OnLButtonDown(event->position().toPoint());
    event->accept();
}

void CVellumarkView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->position().toPoint());
    event->accept();
}

void CVellumarkView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
    OnLButtonUp(event->position().toPoint());
    event->accept();
}

void CVellumarkView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    OnLButtonDblClk(event->position().toPoint());
    event->accept();
}

void CVellumarkView::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown(event->key(), event->modifiers() & Qt::ControlModifier))
        event->accept();
    else
        QAbstractScrollArea::keyPressEvent(event);
}
