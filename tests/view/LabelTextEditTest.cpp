// The in-place text editor on its own: growth with the typed text, the Delete key, keys
// that must not leave the editor, alignment, colour, font, and the text as items store it.
#include "LabelTextEdit.h"

#include "DeviceContext.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Stands in for the view: records the keys and presses that travel past the editor.
class RecordingParent : public QWidget {
public:
    std::vector<int> keys;
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

using testsupport::ArialFont;

// Types text the way a keyboard does: one key event per character, "\n" as Return.
void Type(QWidget* w, const QString& text) {
    for (QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Width of a line in the screen font of an item font, as items measure it.
int Advance(const LogFont& screenFont, const QString& line) {
    QImage img(1, 1, QImage::Format_ARGB32);
    DeviceContext dc(img);
    dc.SelectFont(screenFont);
    return dc.GetTextExtentPoint32(line).cx;
}

class LabelTextEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<RecordingParent>();
        parent->resize(800, 600);
        edit = new LabelTextEdit(parent.get());
        edit->setGeometry(LabelTextEdit::RectForNewText(QPoint(30, 40)));
        parent->show();
        edit->setFocus();
    }

    std::unique_ptr<RecordingParent> parent;
    LabelTextEdit* edit = nullptr;
};

TEST_F(LabelTextEditTest, NewEditorGrowsWithTheTextButNeverBelowItsMinimum) {
    edit->SetItemFont(ArialFont(8), 1.0f);
    const QRect start = edit->geometry();
    EXPECT_EQ(start, QRect(30, 40, 70, 40));
    const int lineHeight = edit->MeasureText("x").cy;
    ASSERT_LT(lineHeight, 20) << "an 8-point line must fit the minimum text height";

    // A short line leaves both edges where they are.
    Type(edit, "Hi");
    EXPECT_EQ(edit->geometry(), start);

    // A long line pulls the right edge after it, margin included; the top-left stays.
    Type(edit, " there, a rather longer title");
    const QString line1 = "Hi there, a rather longer title";
    const int expectedWidth = Advance(edit->ScreenFont(), line1) +
                              Advance(edit->ScreenFont(), "o") + LabelTextEdit::kTextMargin;
    EXPECT_EQ(edit->geometry().topLeft(), start.topLeft());
    EXPECT_EQ(edit->width(), expectedWidth);
    EXPECT_EQ(edit->height(), start.height());

    // A second line reaches the minimum height: from then on each line adds one line height.
    Type(edit, "\nB");
    EXPECT_EQ(edit->height(), 2 * lineHeight + LabelTextEdit::kTextMargin);
    Type(edit, "\nC");
    EXPECT_EQ(edit->height(), 3 * lineHeight + LabelTextEdit::kTextMargin);
    EXPECT_EQ(edit->width(), expectedWidth) << "shorter lines do not change the width";

    // Erasing everything: the editor shrinks with the text but stops at its minimum.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), "");
    EXPECT_GE(edit->width(), start.width());
    EXPECT_GE(edit->height(), start.height());
    EXPECT_EQ(edit->geometry().topLeft(), start.topLeft());
}

TEST_F(LabelTextEditTest, WidthFollowsTheWidestLineNotTheLongestOne) {
    edit->SetItemFont(ArialFont(16), 1.0f);
    Type(edit, "WWWWWWW\niiiiiiiii");
    const int wide = Advance(edit->ScreenFont(), "WWWWWWW");
    ASSERT_GT(wide, Advance(edit->ScreenFont(), "iiiiiiiii"));
    EXPECT_EQ(edit->width(),
              wide + Advance(edit->ScreenFont(), "o") + LabelTextEdit::kTextMargin);
    // Nothing the user typed is wrapped onto a line of its own.
    EXPECT_EQ(edit->document()->firstBlock().layout()->lineCount(), 1);
}

TEST_F(LabelTextEditTest, ATrailingLineBreakMakesRoomForTheCaretLine) {
    edit->SetItemFont(ArialFont(16), 1.0f);
    const int oh = edit->MeasureText("").cy;
    Type(edit, "Title");
    EXPECT_EQ(edit->height(), oh + LabelTextEdit::kTextMargin);
    Type(edit, "\n");
    EXPECT_EQ(edit->height(), 2 * oh + LabelTextEdit::kTextMargin);
}

TEST(LabelTextEditGeometry, ExistingItemEditorIsWiderThanItsText) {
    struct Case {
        Rect display;
        int originX;
        QRect expected;
    } cases[] = {
        // right = trunc((300 - 40 + 8) * 1.2) + 40 = 361, bottom = 80 + 8
        {{100, 50, 300, 80}, 40, QRect(QPoint(100, 50), QPoint(360, 87))},
        // right = trunc(208 * 1.2) = 249
        {{0, 0, 200, 30}, 0, QRect(QPoint(0, 0), QPoint(248, 37))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LabelTextEdit::RectForItem(c.display, c.originX), c.expected)
            << c.display.left << "," << c.display.right << " origin " << c.originX;
}

TEST(LabelTextEditFont, ScreenFontIsTheItemFontAtTheViewZoom) {
    struct Case {
        int stored;
        float zoom;
        int height;
    } cases[] = {
        {16, 1.0f, -21}, // -MulDiv(16, 96, 72)
        {16, 2.0f, -43}, // 32 points
        {16, 0.5f, -11}, // 8 points
        {-11, 1.0f, 15}, // a stored screen height draws as a positive cell height
    };
    for (const Case& c : cases) {
        LogFont f = ArialFont(c.stored);
        f.lfItalic = 1;
        f.lfWeight = FW_BOLD;
        f.lfEscapement = 900;
        const LogFont screen = LabelTextEdit::ScreenFontFor(f, c.zoom);
        EXPECT_EQ(screen.lfHeight, c.height) << c.stored << " at " << c.zoom;
        EXPECT_EQ(screen.lfEscapement, 0) << "the editor always shows upright text";
        EXPECT_EQ(screen.lfItalic, 1);
        EXPECT_EQ(screen.lfWeight, FW_BOLD);
        EXPECT_EQ(screen.FaceName(), "Arial");
    }
}

TEST_F(LabelTextEditTest, FontIsTheDrawingFontAndRefitsTheEditor) {
    edit->SetItemFont(ArialFont(10), 1.0f);
    Type(edit, "Spine\ntext");
    const QRect small = edit->geometry();

    const LogFont item = ArialFont(10);
    edit->SetItemFont(item, 2.0f);
    EXPECT_EQ(edit->ItemFont(), item) << "the stored font is kept in points";
    QImage img(1, 1, QImage::Format_ARGB32);
    DeviceContext dc(img);
    dc.SelectFont(edit->ScreenFont());
    EXPECT_EQ(edit->font(), dc.CurrentQFont());
    EXPECT_GT(edit->width(), small.width());
    EXPECT_GT(edit->height(), small.height());
    EXPECT_EQ(edit->geometry().topLeft(), small.topLeft());
}

TEST_F(LabelTextEditTest, DeleteRemovesTheNextCharacterOrTheSelection) {
    struct Case {
        const char* name;
        QString text;
        int start, end;
        QString expected;
        int caret;
    } cases[] = {
        {"caret at the end", "abc", 3, 3, "abc", 3},
        {"caret inside", "abc", 1, 1, "ac", 1},
        {"caret at the start", "abc", 0, 0, "bc", 0},
        {"selection", "abcdef", 1, 4, "aef", 1},
        {"selection to the end", "abcdef", 2, 6, "ab", 2},
        {"line break joins lines", "ab\ncd", 2, 2, "abcd", 2},
        {"whole character, not half a pair", QString::fromUtf8("a\xF0\x9F\x98\x80z"), 1, 1,
         "az", 1},
        {"non-Latin text", QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5"), 1, 1,
         QString::fromUtf8("\xC3\xA9\xE6\x97\xA5"), 1},
    };
    for (const Case& c : cases) {
        edit->setPlainText(c.text);
        QTextCursor cur = edit->textCursor();
        cur.setPosition(c.start);
        cur.setPosition(c.end, QTextCursor::KeepAnchor);
        edit->setTextCursor(cur);
        QTest::keyClick(edit, Qt::Key_Delete); // press and release: one deletion
        EXPECT_EQ(edit->Text(), c.expected) << c.name;
        EXPECT_FALSE(edit->textCursor().hasSelection()) << c.name;
        EXPECT_EQ(edit->textCursor().position(), c.caret) << c.name;
    }
    EXPECT_TRUE(parent->keys.empty());
}

TEST_F(LabelTextEditTest, DeleteNeverReachesTheWindowsDeleteCommand) {
    int deleted = 0;
    auto* action = new QAction(parent.get());
    action->setShortcut(QKeySequence(Qt::Key_Delete));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, [&] { ++deleted; });
    parent->addAction(action);
    QApplication::setActiveWindow(parent.get());
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);

    edit->setPlainText("xyz");
    edit->moveCursor(QTextCursor::Start);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->Text(), "yz");
    EXPECT_EQ(deleted, 0);

    // Outside the editor the same key is the window's command.
    parent->setFocus();
    QTest::keyClick(parent.get(), Qt::Key_Delete);
    EXPECT_EQ(deleted, 1);
}

TEST_F(LabelTextEditTest, EditingKeysStayInTheEditorAndEscapeCancelsNothing) {
    Type(edit, "Ab\ncd");
    const QRect before = edit->geometry();
    const Qt::Key keys[] = {Qt::Key_Escape, Qt::Key_Right, Qt::Key_Down, Qt::Key_End,
                            Qt::Key_PageDown, Qt::Key_Home, Qt::Key_Up,
                            Qt::Key_Left, Qt::Key_PageUp};
    // At the start and at the end of the text the arrows have nowhere to go; the view
    // must still not receive them (it would nudge the selected item).
    for (Qt::Key k : keys) {
        QTest::keyClick(edit, k);
        QTest::keyClick(edit, k);
    }
    EXPECT_TRUE(parent->keys.empty()) << "first leaked key " << parent->keys.front();
    EXPECT_EQ(edit->Text(), "Ab\ncd");
    EXPECT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->geometry(), before);
}

TEST_F(LabelTextEditTest, AlignmentPlacesTheLinesLeftCentredOrRight) {
    edit->SetItemFont(ArialFont(12), 1.0f);
    edit->setGeometry(30, 40, 300, 60);
    edit->setPlainText("ab");
    edit->setGeometry(30, 40, 300, 60); // wider than the text, so there is room to align
    auto lineLeft = [&] {
        QTextLayout* layout = edit->document()->firstBlock().layout();
        return layout->lineAt(0).naturalTextRect().left();
    };
    const int inputs[] = {0, 1, 2, 7, -1};
    const int stored[] = {0, 1, 2, 0, 0};
    std::vector<double> lefts;
    for (int i = 0; i < 5; ++i) {
        edit->SetAlignment(inputs[i]);
        EXPECT_EQ(edit->Alignment(), stored[i]) << inputs[i];
        lefts.push_back(lineLeft());
    }
    // Lines are placed inside the document margin on both sides.
    const double margin = edit->document()->documentMargin();
    const double room = edit->viewport()->width() - margin * 2;
    const double textWidth = Advance(edit->ScreenFont(), "ab");
    EXPECT_NEAR(lefts[0], margin, 1.0);
    EXPECT_NEAR(lefts[1], margin + (room - textWidth) / 2, 2.0);
    EXPECT_NEAR(lefts[2], margin + room - textWidth, 2.0);
    EXPECT_EQ(lefts[3], lefts[0]) << "an unknown alignment is left";

    // New lines typed into a centred editor are centred too.
    edit->SetAlignment(1);
    edit->moveCursor(QTextCursor::End);
    Type(edit, "\nab");
    const QTextBlock second = edit->document()->firstBlock().next();
    ASSERT_TRUE(second.isValid());
    EXPECT_NEAR(second.layout()->lineAt(0).naturalTextRect().left(), lefts[1], 1.0);
}

TEST_F(LabelTextEditTest, TextIsShownInTheGivenColour) {
    edit->SetItemFont(ArialFont(24), 1.0f);
    edit->SetTextColor(RGB(200, 10, 30)); // red, green, blue: catches a swapped byte order
    EXPECT_EQ(edit->TextColor(), RGB(200, 10, 30));
    Type(edit, "MMM");
    const QImage shot = edit->grab().toImage().convertToFormat(QImage::Format_RGB32);
    bool found = false;
    for (int y = 0; y < shot.height() && !found; ++y)
        for (int x = 0; x < shot.width() && !found; ++x)
            found = shot.pixel(x, y) == qRgb(200, 10, 30);
    EXPECT_TRUE(found);
}

TEST_F(LabelTextEditTest, StoredTextRoundTripsThroughTheEditor) {
    struct Case {
        const char* name;
        std::string stored;
        QString shown;
        std::string back;
    } cases[] = {
        {"ASCII", "Hello", "Hello", "Hello"},
        {"Windows-1252 e acute", "caf\xE9", QString::fromUtf8("caf\xC3\xA9"), "caf\xE9"},
        {"Windows-1252 euro", "5 \x80", QString::fromUtf8("5 \xE2\x82\xAC"), "5 \x80"},
        {"UTF-8 e acute stays readable to older readers", "caf\xC3\xA9",
         QString::fromUtf8("caf\xC3\xA9"), "caf\xE9"},
        {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC", QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"),
         "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"mixed: all UTF-8", "\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5",
         QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5"),
         "\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5"},
        {"no-break space", "a\xA0" "b", QString::fromUtf8("a\xC2\xA0" "b"), "a\xA0" "b"},
        {"CR LF", "A\r\nB", "A\nB", "A\r\nB"},
        {"lone LF", "A\nB", "A\nB", "A\r\nB"},
        {"lone CR", "A\rB", "A\nB", "A\r\nB"},
        {"empty line kept", "A\r\n\r\nB", "A\n\nB", "A\r\n\r\nB"},
        {"trailing break", "A\r\n", "A\n", "A\r\n"},
        {"tab kept for the item to expand", "a\tb", "a\tb", "a\tb"},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        edit->SetItemText(c.stored);
        EXPECT_EQ(edit->Text(), c.shown) << c.name;
        EXPECT_EQ(edit->ItemText(), c.back) << c.name;
        EXPECT_EQ(edit->textCursor().position(), 0) << c.name;
    }
}

TEST_F(LabelTextEditTest, TypedLinesAreStoredWithCrLf) {
    Type(edit, QString::fromUtf8("\xC3\xA9t\xC3\xA9\n\xE2\x82\xAC 5\n\xE6\x97\xA5\xE6\x9C\xAC"));
    // Shift+Return starts a line too, and must not leave a Unicode separator in the bytes.
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    Type(edit, "x");
    EXPECT_EQ(edit->ItemText(), "\xC3\xA9t\xC3\xA9\r\n\xE2\x82\xAC 5\r\n"
                                "\xE6\x97\xA5\xE6\x9C\xAC\r\nx");
    EXPECT_EQ(textcodec::Decode(edit->ItemText()), edit->Text().replace("\n", "\r\n"));
}

TEST_F(LabelTextEditTest, NotificationsFollowEveryChange) {
    int changes = 0;
    std::vector<QRect> rects;
    edit->onTextChanged = [&] { ++changes; };
    edit->onGeometryChanged = [&](const QRect& r) { rects.push_back(r); };
    Type(edit, "abc");
    EXPECT_EQ(changes, 3);
    edit->SetItemFont(ArialFont(48), 1.0f);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects.back(), edit->geometry());
}

TEST_F(LabelTextEditTest, NoScrollBarsAndTheFrameKeepsClicksFromTheView) {
    Type(edit, "line\nline\nline\nline\nline\nline\nline\nline");
    EXPECT_FALSE(edit->verticalScrollBar()->isVisible());
    EXPECT_FALSE(edit->horizontalScrollBar()->isVisible());
    EXPECT_EQ(edit->frameWidth(), LabelTextEdit::kBorder);

    // A click on the thin border belongs to the editor: the view would commit the text.
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(0, 5));
    EXPECT_EQ(parent->presses, 0);
    EXPECT_EQ(edit->Text(), "line\nline\nline\nline\nline\nline\nline\nline");
}

TEST_F(LabelTextEditTest, ThickFrameResizesWhenDragged) {
    edit->SetFrame(LabelTextEdit::Frame::Thick);
    edit->setGeometry(30, 40, 200, 80);
    const int f = edit->frameWidth();
    ASSERT_GT(f, LabelTextEdit::kBorder);

    const QPoint grip(edit->width() - 1, edit->height() - 1); // bottom-right corner
    QTest::mousePress(edit, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(edit, grip + QPoint(30, 20));
    QTest::mouseRelease(edit, Qt::LeftButton, Qt::NoModifier, grip + QPoint(30, 20));
    EXPECT_EQ(edit->geometry(), QRect(30, 40, 230, 100));
    EXPECT_EQ(parent->presses, 0);

    // Dragging the left edge far to the right stops before the editor turns inside out.
    QTest::mousePress(edit, Qt::LeftButton, Qt::NoModifier, QPoint(0, 40));
    QTest::mouseMove(edit, QPoint(1000, 40));
    QTest::mouseRelease(edit, Qt::LeftButton, Qt::NoModifier, QPoint(1000, 40));
    EXPECT_EQ(edit->geometry().right(), 30 + 230 - 1);
    EXPECT_GT(edit->width(), 2 * f);
}

} // namespace
