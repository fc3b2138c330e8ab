// The commands of the label view that act on the selection or the page: delete and the
// clipboard, stacking order, alignment, turning, zoom, fitting pictures, gallery pictures,
// the page's background and print switches, the track listing, the context menu and help.
#include "CVellumarkView.h"

#include "AppPaths.h"
#include "CVellumarkDoc.h"
#include "CommandIds.h"
#include "CoverPage.h"
#include "ItemRecord.h"
#include "TrackListItem.h"
#include "Ui.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <vector>

namespace {

// The clipboard carries exactly one item record under this type.
const QString kClipboardMime = QStringLiteral("application/x-vellumark");

ItemKind KindOf(const LabelItem& item) { return static_cast<ItemKind>(item.GetKind()); }

bool IsTextKind(const LabelItem& item) {
    return KindOf(item) == ItemKind::Text || KindOf(item) == ItemKind::TrackList;
}

// The entries of the context menu, in order; 0 is a separator, and the first entry is the
// "Size Image to Fit" pop-up.
struct MenuEntry {
    int id;
    const char* text;
};

constexpr MenuEntry kFitEntries[] = {
    {cmd::FitEntireLabel, "Fit Entire Label"},
    {cmd::FitFront, "Front Only"},
    {cmd::FitBack, "Back Only"},
    {cmd::FitSpine, "Spine Only"},
};

constexpr MenuEntry kContextEntries[] = {
    {cmd::Cut, "&Cut\tCtrl+X"},
    {cmd::Copy, "&Copy\tCtrl+C"},
    {cmd::PasteAtContextPoint, "&Paste\tCtrl+V"},
    {cmd::Delete, "&Delete\tDel"},
    {0, nullptr},
    {cmd::SendToBack, "Send To &Back"},
    {cmd::BringToFront, "Bring To &Front"},
    {0, nullptr},
    {cmd::AlignLeft, "Align Left"},
    {cmd::AlignCenter, "Align Center"},
    {cmd::AlignRight, "Align Right"},
    {0, nullptr},
    {cmd::BackgroundColor, "Set Background Color..."},
};

} // namespace

// --- delete and the clipboard -------------------------------------------------------------

void CVellumarkView::DeleteSelection() {
    if (document_ && page) {
        LabelItem* item = SelectedItem();
        if (item && KindOf(*item) != ItemKind::TrackList && !triangleInProgress) {
            RemoveItem(selectedIndex);
            selectedIndex = -1;
            cursorKind = ArrowCursor;
        }
        SetModified();
        document_->UpdateAllViews();
        Invalidate();
    }
    cursorKind = ArrowCursor;
    ApplyCursor();
}

void CVellumarkView::CopySelection() {
    const LabelItem* item = SelectedItem();
    if (!item || KindOf(*item) == ItemKind::TrackList) return;
    const std::uint32_t size = item->RecordSize();
    if (size > 0) {
        QByteArray record(static_cast<qsizetype>(size), Qt::Uninitialized);
        item->WriteRecord(reinterpret_cast<std::uint8_t*>(record.data()));
        auto* mime = new QMimeData;
        mime->setData(kClipboardMime, record);
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setMimeData(mime);
        else
            delete mime;
    }
    copiedFlag = true;
}

void CVellumarkView::CutSelection() {
    const LabelItem* item = SelectedItem();
    // A listing is neither copied nor deleted.
    if (!item || KindOf(*item) == ItemKind::TrackList) return;
    CopySelection();
    DeleteSelection();
}

void CVellumarkView::PasteItem(std::optional<QPoint> clientPoint) {
    if (!document_ || !page) return;
    std::optional<Point> at;
    if (clientPoint) at = ClientToDesign(*clientPoint);
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (mime && mime->hasFormat(kClipboardMime)) {
        const QByteArray record = mime->data(kClipboardMime);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.constData());
        // Only the kinds the program copies are pasted: a listing, an unknown kind or a
        // damaged record from elsewhere would only leave an item nobody can see or save.
        std::int32_t kind = -1;
        if (record.size() >= 4)
            kind = static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                             std::uint32_t{bytes[3]} << 24);
        if (kind >= 0 && kind <= static_cast<std::int32_t>(ItemKind::Text)) {
            if (std::unique_ptr<LabelItem> item =
                    CreateItemFromRecord(bytes, static_cast<std::size_t>(record.size()))) {
                if (at) {
                    const Point first = item->FirstPoint();
                    item->Offset(at->x - first.x, at->y - first.y);
                }
                page->items.push_back(std::move(item));
            }
        }
    }
    selectedIndex = ItemCount() - 1;
    document_->UpdateAllViews();
    SetModified();
    Invalidate();
}

// --- stacking, alignment, turning ---------------------------------------------------------

void CVellumarkView::SendToBack() {
    if (selectedIndex == 0 || !document_ || !SelectedItem()) return;
    const int s = selectedIndex;
    // The item itself moves: re-creating it from its record would give the same item.
    std::unique_ptr<LabelItem> item = std::move(page->items[s]);
    page->items.erase(page->items.begin() + s);
    page->items.insert(page->items.begin(), std::move(item));
    selectedIndex = 0;
    std::int32_t& t = page->trackListIndex;
    if (t == s) t = 0;
    else if (t >= 0 && t < s) ++t;
    SetModified();
    Invalidate();
}

void CVellumarkView::BringToFront() {
    const int last = ItemCount() - 1;
    if (selectedIndex == last || !document_ || !SelectedItem()) return;
    const int s = selectedIndex;
    std::unique_ptr<LabelItem> item = std::move(page->items[s]);
    page->items.erase(page->items.begin() + s);
    page->items.push_back(std::move(item));
    selectedIndex = last;
    std::int32_t& t = page->trackListIndex;
    if (t == s) t = last;
    else if (t > s) --t;
    SetModified();
    Invalidate();
}

void CVellumarkView::SetAlignment(int alignment) {
    LabelItem* item = SelectedItem();
    if (item && IsTextKind(*item) && item->Data().alignment != alignment) {
        item->Data().alignment = alignment;
        // A changed alignment is a change of the project like any other.
        SetModified();
    }
    Invalidate();
    UpdateToolsState();
}

void CVellumarkView::RotateSelection(double angle) {
    LabelItem* item = SelectedItem();
    if (!document_ || currentTool != Select || !item) return;
    item->Rotate90(angle);
    SetModified();
    Invalidate();
}

// --- fitting pictures ---------------------------------------------------------------------

void CVellumarkView::FitToPage() {
    LabelItem* item = SelectedItem();
    if (!item) return;
    const Rect r = item->GetRect();
    item->Resize(3, r.left + page->designWidth, r.top + page->designHeight);
    SetModified();
    lastPointX = lastPointY = 0;
    Invalidate();
}

void CVellumarkView::FitEntirePage() {
    LabelItem* item = SelectedItem();
    if (!item) return;
    FitToPage();
    const Rect r = item->GetRect();
    item->Offset(-r.left, -r.top);
}

// The picture covers one part of the page: sized to the page first, then its corners put
// on the part's. All halves are truncated each on its own.
void CVellumarkView::FitToPart(Rect part) {
    LabelItem* item = SelectedItem();
    if (!item) return;
    FitToPage();
    item->Resize(1, part.left, part.top);
    item->Resize(3, part.right, part.bottom);
    SetModified();
    Invalidate();
}

void CVellumarkView::FitFront() {
    if (!page) return;
    const int W = page->designWidth, H = page->designHeight, SW = page->designSpineWidth;
    FitToPart({SW / 2 + W / 2, 0, W, H});
}

void CVellumarkView::FitBack() {
    if (!page) return;
    const int W = page->designWidth, H = page->designHeight, SW = page->designSpineWidth;
    FitToPart({0, 0, W / 2 - SW / 2, H});
}

void CVellumarkView::FitSpine() {
    if (!page) return;
    const int W = page->designWidth, H = page->designHeight, SW = page->designSpineWidth;
    FitToPart({W / 2 - SW / 2, 0, W / 2 + SW / 2, H});
}

void CVellumarkView::AddGalleryPicture(int fitCommand) {
    if (!page || !galleryContextPicture) return;
    page->lastAddedPicturePath = galleryContextPicture();
    const int before = ItemCount();
    AddPicture(page->lastAddedPicturePath);
    // A picture that could not be read adds nothing, and nothing else gets fitted.
    if (ItemCount() == before) return;
    switch (fitCommand) {
    case cmd::AddGalleryPictureFitPage: FitToPage(); break;
    case cmd::AddGalleryPictureFitFront: FitFront(); break;
    case cmd::AddGalleryPictureFitBack: FitBack(); break;
    case cmd::AddGalleryPictureFitSpine: FitSpine(); break;
    default: break;
    }
}

// --- the page -----------------------------------------------------------------------------

void CVellumarkView::ChooseBackgroundColor() {
    if (!page) return;
    if (const std::optional<COLORREF> c = ui::Current().ChooseColor(page->backgroundColor)) {
        page->backgroundColor = *c;
        lastBackgroundColor = *c;
        SetModified();
        Invalidate();
    }
}

void CVellumarkView::TogglePrintOverHole() {
    if (!page) return;
    page->printOverInnerCircle = page->printOverInnerCircle ? 0 : 1;
    SetModified();
    Invalidate();
    UpdateToolsState();
}

void CVellumarkView::ToggleBorders() {
    if (!page) return;
    page->showBorder = page->showBorder ? 0 : 1;
    SetModified();
    Invalidate();
    UpdateToolsState();
}

void CVellumarkView::ToggleTrackList() {
    CommitTextEditor();
    if (!page) return;
    if (!TrackList()) {
        EnsureTrackList();
        EditTracks();
    } else {
        TrackListItem* list = TrackList();
        if (list->HasTrackText()) {
            list->Data().hasTrackText = list->Data().hasTrackText ? 0 : 1;
            selectedIndex = -1;
            SetModified();
        } else {
            EditTracks();
        }
        if ((list = TrackList())) {
            list->MarkForLayout();
            list->MeasureTracks(LayoutDc());
        }
    }
    Invalidate();
    UpdateToolsState();
}

void CVellumarkView::EditTracks() {
    CommitTextEditor();
    DiscardUnfinishedShape();
    ResetDrag();
    currentTool = Select;
    CursorForTool();
    if (!page) return;
    if (!TrackList()) EnsureTrackList();
    UpdateToolsState();
    toolsBar.showTracksOn = true;
    ToolsBarChanged();
    TrackListItem* list = TrackList();
    if (!list) return;
    if (runTracksDialog)
        runTracksDialog(*list);
    else
        qInfo("Edit tracks: the track list editor is not available in this build");
    if ((list = TrackList())) {
        list->MarkForLayout();
        list->MeasureTracks(LayoutDc());
    }
    SetModified();
    Invalidate();
    UpdateToolsState();
}

void CVellumarkView::ShowHelp() {
    // No message when it cannot be opened: the desktop says so, or nothing happens.
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(apppaths::ShippedFile(QStringLiteral("help/index.html"))));
}

// --- the context menu ---------------------------------------------------------------------

QMenu* CVellumarkView::PrepareContextMenu(QPoint client) {
    if (!contextMenu_) {
        contextMenu_ = new QMenu(this);
        QMenu* fit = contextMenu_->addMenu(QStringLiteral("Size Image to Fit"));
        for (const MenuEntry& e : kFitEntries) {
            QAction* a = fit->addAction(QString::fromLatin1(e.text));
            a->setData(e.id);
        }
        for (const MenuEntry& e : kContextEntries) {
            if (e.id == 0) {
                contextMenu_->addSeparator();
                continue;
            }
            QAction* a = contextMenu_->addAction(QString::fromLatin1(e.text));
            a->setData(e.id);
            if (e.id == cmd::AlignLeft || e.id == cmd::AlignCenter || e.id == cmd::AlignRight)
                a->setCheckable(true);
        }
        connect(contextMenu_, &QMenu::triggered, this,
                [this](QAction* a) { OnCommand(a->data().toInt()); });
    }
    auto action = [this](int id) -> QAction* {
        const QList<QAction*> all =
            contextMenu_->actions() + contextMenu_->actions().front()->menu()->actions();
        for (QAction* a : all)
            if (a->data().toInt() == id) return a;
        return nullptr;
    };

    const LabelItem* item = SelectedItem();
    if (page) {
        for (int id : {cmd::SendToBack, cmd::BringToFront, cmd::FitEntireLabel, cmd::FitFront,
                       cmd::FitBack, cmd::FitSpine})
            action(id)->setEnabled(item != nullptr);
        const bool copyable = item && KindOf(*item) != ItemKind::TrackList;
        for (int id : {cmd::Copy, cmd::Cut, cmd::Delete}) action(id)->setEnabled(copyable);
        action(cmd::PasteAtContextPoint)->setEnabled(copiedFlag);
        const bool alignable = item && (KindOf(*item) == ItemKind::Text ||
                                        (KindOf(*item) == ItemKind::TrackList &&
                                         currentPageNumber != 0));
        const int alignIds[] = {cmd::AlignLeft, cmd::AlignCenter, cmd::AlignRight};
        for (int i = 0; i < 3; ++i) {
            QAction* a = action(alignIds[i]);
            a->setEnabled(alignable);
            a->setChecked(alignable && item->Data().alignment == i);
        }
        action(cmd::BackgroundColor)->setEnabled(selectedIndex == -1);
    }
    if (currentTool == Select) {
        contextMenu_->actions().front()->setEnabled(item && KindOf(*item) == ItemKind::Picture);
        const bool wrap = page && (page->coverSide == DvdCaseWrap ||
                                   page->coverSide == SlimlineDvdCaseWrap);
        for (int id : {cmd::FitFront, cmd::FitBack, cmd::FitSpine})
            action(id)->setEnabled(wrap);
    }
    contextPointX = client.x();
    contextPointY = client.y();
    return contextMenu_;
}

void CVellumarkView::OnContextMenu(QPoint client) {
    QMenu* menu = PrepareContextMenu(client);
    menu->popup(viewport()->mapToGlobal(client));
}

void CVellumarkView::contextMenuEvent(QContextMenuEvent* event) {
    OnContextMenu(event->pos());
    event->accept();
}

// --- command routing ----------------------------------------------------------------------

bool CVellumarkView::OnCommand(int id) {
    switch (id) {
    case cmd::SelectTool: ChooseTool(Select); break;
    case cmd::LineTool: ChooseTool(Line); break;
    case cmd::CircleTool: ChooseTool(Circle); break;
    case cmd::EllipseTool: ChooseTool(Ellipse); break;
    case cmd::RectangleTool: ChooseTool(Rectangle); break;
    case cmd::TriangleTool: ChooseTool(Triangle); break;
    case cmd::PenTool: ChooseTool(Pen); break;
    case cmd::TextTool: ChooseTool(Text); break;
    case cmd::InsertPicture: InsertPicture(); break;
    case cmd::Font: ChooseFont(); break;
    case cmd::OutlineColor:
    case cmd::OutlineColorStatic: ChooseOutlineColor(); break;
    case cmd::FillColor:
    case cmd::FillColorStatic: ChooseFillColor(); break;
    case cmd::Delete: DeleteSelection(); break;
    case cmd::Cut: CutSelection(); break;
    case cmd::Copy: CopySelection(); break;
    case cmd::Paste: PasteItem(); break;
    case cmd::PasteAtContextPoint: PasteItem(QPoint(contextPointX, contextPointY)); break;
    case cmd::SendToBack: SendToBack(); break;
    case cmd::BringToFront: BringToFront(); break;
    case cmd::AlignLeft: SetAlignment(0); break;
    case cmd::AlignCenter: SetAlignment(1); break;
    case cmd::AlignRight: SetAlignment(2); break;
    case cmd::RotateLeft: RotateSelection(90.0); break;
    case cmd::RotateRight: RotateSelection(-90.0); break;
    case cmd::ZoomIn:
    case cmd::ZoomOut:
        // The editor sits at the old zoom's place and size: its text is kept first.
        CommitTextEditor();
        id == cmd::ZoomIn ? ZoomIn() : ZoomOut();
        break;
    case cmd::FitEntireLabel: FitEntirePage(); break;
    case cmd::FitFront: FitFront(); break;
    case cmd::FitBack: FitBack(); break;
    case cmd::FitSpine: FitSpine(); break;
    case cmd::AddGalleryPicture:
    case cmd::AddGalleryPictureFitPage:
    case cmd::AddGalleryPictureFitFront:
    case cmd::AddGalleryPictureFitBack:
    case cmd::AddGalleryPictureFitSpine: AddGalleryPicture(id); break;
    case cmd::BackgroundColor: ChooseBackgroundColor(); break;
    case cmd::PrintOverHole: TogglePrintOverHole(); break;
    case cmd::PrintBorders: ToggleBorders(); break;
    case cmd::ShowTracks: ToggleTrackList(); break;
    case cmd::EditTracks: EditTracks(); break;
    case cmd::HelpTopics: ShowHelp(); break;
    default: return false;
    }
    return true;
}

bool CVellumarkView::IsCommandEnabled(int id) const {
    const LabelItem* item = SelectedItem();
    const bool editable = item && KindOf(*item) != ItemKind::TrackList;
    switch (id) {
    case cmd::Copy:
    case cmd::Cut:
    case cmd::Delete:
    case cmd::RotateLeft:
    case cmd::RotateRight: return editable;
    case cmd::Paste: return selectedIndex != -1 && copiedFlag;
    default: return true;
    }
}
