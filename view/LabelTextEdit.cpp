#include "LabelTextEdit.h"

#include "TextCodec.h"
#include "TextItem.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

namespace {

enum Edge { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

// The face new text starts with until the view hands over its own font.
LogFont DefaultItemFont() {
    LogFont f;
    f.lfHeight = 16; // points
    f.lfWeight = FW_NORMAL;
    f.lfCharSet = ANSI_CHARSET;
    f.lfPitchAndFamily = FF_SWISS;
    f.SetFaceName("Arial");
    return f;
}

bool IsLineBreak(QChar c) {
    return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

Qt::Alignment QtAlignment(int alignment) {
    switch (alignment) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

bool IsPlainDelete(const QKeyEvent* e) {
    return e->key() == Qt::Key_Delete &&
           (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

LabelTextEdit::LabelTextEdit(QWidget* parent)
    : QPlainTextEdit(parent), itemFont_(DefaultItemFont()),
      measureImage_(1, 1, QImage::Format_ARGB32) {
    measureDc_ = new DeviceContext(measureImage_);
    setObjectName(QStringLiteral("LabelTextEdit"));
    // The editor grows instead of scrolling; it keeps its caret in view by itself.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    setMouseTracking(true); // the frame shows resize cursors
    SetFrame(Frame::Thin);
    SetTextColor(textColor_);
    SetAlignment(0);
    screenFont_ = ScreenFontFor(itemFont_, 1.0f);
    ApplyScreenFont();
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        FitToText();
        if (onTextChanged) onTextChanged();
    });
}

LabelTextEdit::~LabelTextEdit() {
    delete measureDc_;
}

QRect LabelTextEdit::RectForNewText(QPoint press) {
    return {press, QSize(kMinTextWidth + kTextMargin, kMinTextHeight + kTextMargin)};
}

QRect LabelTextEdit::RectForItem(const Rect& display, int originX) {
    const int right = TruncToInt32((double(display.right) - originX + 8 * kBorder) * 1.2) +
                      originX;
    const int bottom = display.bottom + 8 * kBorder;
    return QRect(QPoint(display.left, display.top), QPoint(right - 1, bottom - 1));
}

void LabelTextEdit::SetFrame(Frame frame) {
    frame_ = frame;
    if (frame == Frame::Thin) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(kBorder);
    } else {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(4 * kBorder);
    }
}

LogFont LabelTextEdit::ScreenFontFor(const LogFont& itemFont, float zoom) {
    LogFont scaled = itemFont;
    // The same float product and truncation the view uses when it zooms an item.
    scaled.lfHeight = TruncToInt32(itemFont.lfHeight * zoom);
    scaled.lfEscapement = 0;
    scaled.lfOrientation = 0;
    QImage surface(1, 1, QImage::Format_ARGB32);
    DeviceContext dc(surface);
    const TextItem probe(0, 0, 0, 0, 0, 0, "", scaled);
    return probe.DeviceFont(dc);
}

void LabelTextEdit::SetItemFont(const LogFont& itemFont, float zoom) {
    itemFont_ = itemFont;
    screenFont_ = ScreenFontFor(itemFont, zoom);
    ApplyScreenFont();
    FitToText();
}

void LabelTextEdit::ApplyScreenFont() {
    measureDc_->SelectFont(screenFont_);
    setFont(measureDc_->CurrentQFont());
}

void LabelTextEdit::SetTextColor(COLORREF color) {
    textColor_ = color;
    const QColor c(GetRValue(color), GetGValue(color), GetBValue(color));
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Text, c);
    setPalette(pal);
    viewport()->update();
}

void LabelTextEdit::SetAlignment(int alignment) {
    alignment_ = (alignment == 1 || alignment == 2) ? alignment : 0;
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(QtAlignment(alignment_));
    document()->setDefaultTextOption(option);
    viewport()->update();
}

void LabelTextEdit::SetItemText(std::string_view bytes) {
    const QString decoded = textcodec::Decode(bytes);
    QString text;
    text.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar c = decoded[i];
        if (c == u'\r') {
            text.append(u'\n');
            if (i + 1 < decoded.size() && decoded[i + 1] == u'\n') ++i;
        } else {
            text.append(c);
        }
    }
    setPlainText(text);
    moveCursor(QTextCursor::Start);
    FitToText();
}

QString LabelTextEdit::Text() const {
    // The raw text keeps no-break spaces, which the plain-text export would flatten.
    QString text = document()->toRawText();
    for (QChar& c : text)
        if (IsLineBreak(c)) c = u'\n';
    return text;
}

std::string LabelTextEdit::ItemText() const {
    QString text = Text();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return textcodec::Encode(text);
}

Size LabelTextEdit::MeasureText(const QString& text) const {
    const Size o = measureDc_->GetTextExtentPoint32(QStringLiteral("o"));
    if (text.isEmpty()) return o;
    // The widest line in pixels, not the one with the most characters: a short line of
    // wide letters must not be clipped or wrapped.
    int widest = 0;
    int lines = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && !IsLineBreak(text[end]))
            ++end;
        QString line = text.mid(start, end - start);
        if (line.endsWith(u'\r')) line.chop(1);
        widest = std::max(widest, measureDc_->GetTextExtentPoint32(line).cx);
        ++lines;
        start = end + 1;
    }
    return {widest + o.cx, lines * o.cy};
}

void LabelTextEdit::FitToText() {
    const Size s = MeasureText(Text());
    QRect r = geometry();
    if (s.cx >= editorMinWidth) r.setWidth(s.cx + kTextMargin);
    if (s.cy >= editorMinHeight) r.setHeight(s.cy + kTextMargin);
    SetEditorGeometry(r);
    ensureCursorVisible();
}

void LabelTextEdit::SetEditorGeometry(const QRect& r) {
    if (r == geometry()) return;
    setGeometry(r);
    update();
    if (onGeometryChanged) onGeometryChanged(r);
}

void LabelTextEdit::DeleteForward() {
    // The window's Delete command (delete the selected item) must not see this key while
    // text is typed, so the editor removes the character or selection itself.
    QTextCursor c = textCursor();
    if (c.hasSelection())
        c.removeSelectedText();
    else if (!c.atEnd())
        c.deleteChar(); // a whole character, never half of a surrogate pair
    else
        return;
    setTextCursor(c);
    ensureCursorVisible();
}

void LabelTextEdit::keyPressEvent(QKeyEvent* e) {
    if (IsPlainDelete(e)) {
        DeleteForward();
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
    // Keys the control has no use for at the text's ends (and Escape: typing cannot be
    // cancelled) stop here, so they never nudge items or reach the view's own handling.
    switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        break;
    default:
        break;
    }
}

bool LabelTextEdit::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride && IsPlainDelete(static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    if (HandleFrameMouse(e)) return true;
    return QPlainTextEdit::event(e);
}

int LabelTextEdit::FrameEdgesAt(QPoint pos) const {
    const int f = frameWidth();
    int edges = 0;
    if (pos.x() < f) edges |= kLeft;
    if (pos.x() >= width() - f) edges |= kRight;
    if (pos.y() < f) edges |= kTop;
    if (pos.y() >= height() - f) edges |= kBottom;
    return edges;
}

// Mouse events on the frame (the viewport has its own) would otherwise travel on to the
// view, where a press commits the text. The thick frame resizes the editor when dragged.
bool LabelTextEdit::HandleFrameMouse(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (frame_ == Frame::Thick && me->button() == Qt::LeftButton) {
            dragEdges_ = FrameEdgesAt(me->position().toPoint());
            dragStart_ = me->globalPosition().toPoint();
            dragStartRect_ = geometry();
        }
        e->accept();
        return true;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (dragEdges_ == 0) {
            const int edges =
                frame_ == Frame::Thick ? FrameEdgesAt(me->position().toPoint()) : 0;
            if ((edges & (kLeft | kRight)) && (edges & (kTop | kBottom)))
                setCursor(((edges & kLeft) != 0) == ((edges & kTop) != 0)
                              ? Qt::SizeFDiagCursor
                              : Qt::SizeBDiagCursor);
            else if (edges & (kLeft | kRight))
                setCursor(Qt::SizeHorCursor);
            else if (edges & (kTop | kBottom))
                setCursor(Qt::SizeVerCursor);
            else
                unsetCursor();
            e->accept();
            return true;
        }
        const QPoint d = me->globalPosition().toPoint() - dragStart_;
        const int least = 2 * frameWidth() + 1;
        QRect r = dragStartRect_;
        if (dragEdges_ & kLeft) r.setLeft(std::min(r.left() + d.x(), r.right() - least));
        if (dragEdges_ & kRight) r.setRight(std::max(r.right() + d.x(), r.left() + least));
        if (dragEdges_ & kTop) r.setTop(std::min(r.top() + d.y(), r.bottom() - least));
        if (dragEdges_ & kBottom) r.setBottom(std::max(r.bottom() + d.y(), r.top() + least));
        SetEditorGeometry(r);
        e->accept();
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragEdges_ = 0;
        e->accept();
        return true;
    default:
        return false;
    }
}
