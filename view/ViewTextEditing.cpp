// The view's side of the in-place text editor: opening it for new text or over an existing
// text item, and turning what was typed back into a text item of the page.
#include "CVellumarkView.h"

#include "CVellumarkDoc.h"
#include "CoverPage.h"
#include "LabelTextEdit.h"
#include "TextItem.h"

namespace {

// Display coordinates of a design coordinate.
int ToDisplay(int v, float zoom, int origin) { return TruncToInt32(double(v) * zoom) + origin; }

int ToDesign(int v, float zoom, int origin) {
    return TruncToInt32((double(v) - origin) / (zoom > 0 ? zoom : 1.0f));
}

} // namespace

LabelTextEdit* CVellumarkView::TextEditor() const { return textEditor_.data(); }

QRect CVellumarkView::EditorDisplayRect() const {
    if (!textEditor_) return {};
    return textEditor_->geometry().translated(ScrollOffset());
}

void CVellumarkView::PlaceEditor(const QRect& display) {
    if (!textEditor_) {
        textEditor_ = new LabelTextEdit(viewport());
        textEditor_->onGeometryChanged = [this](const QRect&) { viewport()->update(); };
    }
    LabelTextEdit& editor = *textEditor_;
    editor.editorMinWidth = editorMinWidth;
    editor.editorMinHeight = editorMinHeight;
    editor.setGeometry(display.translated(-ScrollOffset()));
    editor.SetItemFont(currentFont, zoom);
    editor.SetTextColor(fillColor);
    editor.show();
    editor.setFocus(Qt::OtherFocusReason);
}

void CVellumarkView::BeginNewText(Point design) {
    if (!page) return;
    savedRotation = 0;
    const QPoint at(ToDisplay(design.x, zoom, originX), ToDisplay(design.y, zoom, originY));
    const QRect display = LabelTextEdit::RectForNewText(at);
    PlaceEditor(display);
    textEditor_->SetFrame(LabelTextEdit::Frame::Thin);
    textEditor_->SetAlignment(0);
    textEditor_->setPlainText(QString());
    // Taking the font and the empty text refitted the editor to one "o" of a large font;
    // a new editor keeps its minimum size until something is typed.
    textEditor_->setGeometry(display.translated(-ScrollOffset()));
}

void CVellumarkView::BeginEditText(int index) {
    LabelItem* item = ItemAt(index);
    if (!item || static_cast<ItemKind>(item->GetKind()) != ItemKind::Text) return;
    auto* text = static_cast<TextItem*>(item);
    savedRect = text->GetRect();
    savedRotation = text->Data().rotation;
    // Typed upright: the item is turned back while its text is edited.
    text->Rotate90(-savedRotation);
    text->FitToText(LayoutDc());

    Recentre();
    const Rect r = text->GetRect();
    const Rect display{ToDisplay(r.left, zoom, originX), ToDisplay(r.top, zoom, originY),
                       ToDisplay(r.right, zoom, originX), ToDisplay(r.bottom, zoom, originY)};
    currentFont = text->Data().font;
    PlaceEditor(LabelTextEdit::RectForItem(display, originX));
    textEditor_->SetFrame(LabelTextEdit::Frame::Thick);
    textEditor_->SetAlignment(text->Data().alignment);
    textEditor_->SetItemText(text->Data().text);

    RemoveItem(index);
    selectedIndex = -1;
    SetModified();
    Invalidate();
}

void CVellumarkView::CommitTextEditor() {
    if (!textEditor_) return;
    LabelTextEdit* editor = textEditor_.data();
    if (page) {
        Recentre();
        const QRect d = EditorDisplayRect();
        const int l = ToDesign(d.left(), zoom, originX);
        const int t = ToDesign(d.top(), zoom, originY);
        const int r = ToDesign(d.left() + d.width(), zoom, originX);
        const int b = ToDesign(d.top() + d.height(), zoom, originY);
        const std::string typed = editor->ItemText();
        if (!typed.empty()) {
            auto item = std::make_unique<TextItem>(l, t, r, b, lineColor, fillColor, typed,
                                                   currentFont);
            TextItem* text = item.get();
            page->items.push_back(std::move(item));
            text->Data().alignment = editor->Alignment();
            SetModified();
            text->FitToText(LayoutDc());
            const Rect laidOut = text->GetRect();
            text->Rotate90(savedRotation);
            if (savedRect.bottom - savedRect.top == 0) savedRect = laidOut;

            // A turned text keeps the corner of its old box that its turn anchors.
            const Rect n = text->GetRect();
            const int w = n.right - n.left, h = n.bottom - n.top;
            const Rect& s = savedRect;
            const double a = savedRotation;
            if (a == 180 || a == -180)
                text->Data().rect = {s.right - w, s.bottom - h, s.right, s.bottom};
            else if (a == 90 || a == -270)
                text->Data().rect = {s.right - w, s.top, s.right, s.top + h};
            else if (a == 270 || a == -90)
                text->Data().rect = {s.left, s.top, s.left + w, s.top + h};
        }
    }
    textEditor_ = nullptr;
    editor->hide();
    editor->deleteLater();
    Invalidate();
}

void CVellumarkView::DiscardTextEditor() {
    if (!textEditor_) return;
    LabelTextEdit* editor = textEditor_.data();
    textEditor_ = nullptr;
    editor->hide();
    editor->deleteLater();
}
