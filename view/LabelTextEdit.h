#pragma once
// The in-place text editor: a plain-text edit control the view lays over the page while
// the user types a text item. It shows the text in the font the item will draw with at the
// view's zoom, grows with its text, and hands the text back as the bytes a TextItem stores.
// The view owns the editor and decides when it opens, commits and closes.
#include "DeviceContext.h"
#include "LogFont.h"
#include "Types.h"

#include <QImage>
#include <QPlainTextEdit>
#include <QPoint>
#include <QRect>

#include <functional>
#include <string>
#include <string_view>

class LabelTextEdit : public QPlainTextEdit {
public:
    // The control id the view gives its editor.
    static constexpr int kControlId = 1999;
    // A new editor's text area before it follows its text; the editor is 20 larger each way.
    static constexpr int kMinTextWidth = 50;
    static constexpr int kMinTextHeight = 20;
    static constexpr int kTextMargin = 20;
    // A border line, in pixels.
    static constexpr int kBorder = 1;

    // Thin: the editor of a new text. Thick: the editor of an existing item, whose frame
    // the user can drag to resize it.
    enum class Frame { Thin, Thick };

    explicit LabelTextEdit(QWidget* parent = nullptr);
    ~LabelTextEdit() override;

    // Where the editor of a new text opens: its top-left corner at the press point (display
    // coordinates), large enough for the minimum text area.
    static QRect RectForNewText(QPoint press);
    // Where the editor of an existing item opens, from the item's upright rectangle in
    // display coordinates: deliberately wider than the text (1.2 times its right edge
    // measured from the page's left edge), so that typing does not wrap at once.
    static QRect RectForItem(const Rect& display, int originX);

    void SetFrame(Frame frame);
    Frame FrameKind() const { return frame_; }

    // The font of the item being typed, its height in points as items store it. The editor
    // shows it as the item draws at that zoom on the screen, and refits itself.
    void SetItemFont(const LogFont& itemFont, float zoom);
    const LogFont& ItemFont() const { return itemFont_; }
    // The screen font the editor shows (height in pixels, negative: character height).
    const LogFont& ScreenFont() const { return screenFont_; }
    // The screen LogFont an item font draws with at a zoom on a 96 dpi screen: the height
    // scaled as the view scales items for display, then turned into pixels as items do.
    static LogFont ScreenFontFor(const LogFont& itemFont, float zoom);

    void SetTextColor(COLORREF color);
    COLORREF TextColor() const { return textColor_; }

    // 0 left, 1 centre, 2 right (anything else counts as left).
    void SetAlignment(int alignment);
    int Alignment() const { return alignment_; }

    // The text as a TextItem stores it: lines separated by CR LF, Windows-1252 when every
    // character fits, UTF-8 otherwise. Setting it refits the editor and puts the caret at
    // the start; CR LF, CR and LF all read as one line break.
    void SetItemText(std::string_view bytes);
    std::string ItemText() const;
    // The text as typed, lines separated by "\n".
    QString Text() const;

    // Extent of a text as the editor sizes itself to it: the widest line plus one "o", by
    // the number of lines times the line height. An empty text measures one "o".
    Size MeasureText(const QString& text) const;
    // Moves the right and bottom edges to the text plus the margin, each only while the
    // measured text is at least the minimum text area on that axis.
    void FitToText();

    // The minimum text area; the view may change it.
    int editorMinWidth = kMinTextWidth;
    int editorMinHeight = kMinTextHeight;

    // Called after every change of the text, once the editor has been refitted.
    std::function<void()> onTextChanged;
    // Called when the editor's rectangle changes (by fitting or by a drag on its frame).
    std::function<void(const QRect&)> onGeometryChanged;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ApplyScreenFont();
    void DeleteForward();
    void SetEditorGeometry(const QRect& r);
    // Frame dragging of the thick frame: which edges a point on the frame grabs.
    int FrameEdgesAt(QPoint pos) const;
    bool HandleFrameMouse(QEvent* e);

    Frame frame_ = Frame::Thin;
    LogFont itemFont_;
    LogFont screenFont_;
    COLORREF textColor_ = RGB(0, 0, 0);
    int alignment_ = 0;

    // A small screen surface: the editor measures with the same font machinery items draw
    // with, so the text it sizes itself to is the text the item will show.
    QImage measureImage_;
    DeviceContext* measureDc_ = nullptr;

    int dragEdges_ = 0;
    QPoint dragStart_;
    QRect dragStartRect_;
};
