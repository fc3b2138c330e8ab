#pragma once
// Text blocks on a label (titles, spine texts, free text), and the text drawing that the
// track listing shares: a font stored in points, quarter turns through the font escapement,
// one TextOut per line.
#include "LabelItem.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class DeviceContext;

// One line of a laid-out text block: the text TextOut receives and its reference point.
struct TextLine {
    QString text;
    Point origin;
};

// How an item puts its text on a device.
struct TextLayout {
    LogFont font;           // the working font: device height, escapement from the rotation
    unsigned textAlign = 0; // TA_LEFT/TA_CENTER/TA_RIGHT with TA_TOP
    int lineAdvance = 0;    // distance between the reference points of successive lines
    std::vector<TextLine> lines;
};

class TextItem : public LabelItem {
public:
    // Every tab of text becomes eight spaces.
    TextItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor,
             std::string_view text, const LogFont& font);
    // An item read back from its record (see ItemRecord.h); the text is kept as stored.
    TextItem(const std::uint8_t* record, std::size_t length);

    // Sets rect to the size of the text, keeping its left and top.
    void FitToText(DeviceContext& dc);
    // The dragged corner follows (x, y) but never crosses the opposite edge.
    void Resize(int handle, int x, int y) override;
    void DrawHandles(DeviceContext& dc) const override;
    void Draw(DeviceContext& dc, bool inProgress) override;

    // The text that Draw lays out, decoded from the stored bytes.
    virtual QString DisplayText() const;
    // Where Draw puts each line of DisplayText on dc. Leaves the item and dc as they were.
    TextLayout LayoutText(DeviceContext& dc);
    // The stored font with its point size turned into a device height for dc.
    LogFont DeviceFont(const DeviceContext& dc) const;

    // Every tab replaced by eight spaces. Lengths are not limited.
    static std::string ExpandTabs(std::string_view text);

protected:
    explicit TextItem(ItemKind kind);
    TextItem(ItemKind kind, const std::uint8_t* record, std::size_t length);

    // What FitToText measures: DisplayText with every "&" doubled, because DrawText would
    // otherwise take it as a mnemonic prefix while TextOut draws it.
    virtual QString MeasuredText() const;
};
