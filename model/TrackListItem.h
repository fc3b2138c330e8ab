#pragma once
// The track listing of a page: rows of number, title, artist, album and length kept in the
// item's tagged columns, drawn as one line of text per row that has more than a number.
#include "TextItem.h"

#include <string>
#include <string_view>

class TrackListItem : public TextItem {
public:
    static constexpr int kInitialRows = 30;

    // Starts with rows numbered 1 to 30 and nothing else, in the default listing font.
    TrackListItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor,
                  std::string_view text);
    // A listing read back from its record keeps its saved rectangle until a row is added.
    TrackListItem(const std::uint8_t* record, std::size_t length);

    // 8-point normal "Arial" made for a screen of the given resolution: its lfHeight is the
    // negative screen height, not a point size.
    static LogFont DefaultFont(int logPixelsY = 96);

    void ClearTracks();
    // Adds a row after the last one. Note the argument order: album before length.
    void AppendTrack(std::string_view number, std::string_view title, std::string_view artist,
                     std::string_view album, std::string_view length);
    // Inserts a cell into one column at row; that column's cells from row on move down.
    void InsertTrackCell(int row, int column, std::string_view value);
    // "" for a row at or beyond trackCount or an unknown column.
    std::string GetTrackField(int row, int column) const;

    // Number, title, artist, album, length, each non-empty one followed by a space.
    std::string RowText(int row) const;
    // RowText, or "" when the row has nothing but a number.
    std::string RowTextIfAny(int row) const;
    // Whether some row has a title, artist, album or length.
    bool HasTrackText() const;
    // The rows with text, one per line.
    std::string ListingText() const;

    // Sizes the box to the listing once after rows were added, when the layout asks for it.
    void MeasureTracks(DeviceContext& dc);
    void Draw(DeviceContext& dc, bool inProgress) override;

    // The listing decoded cell by cell, so that cells stored in different encodings all
    // read correctly.
    QString DisplayText() const override;
    bool LayoutPending() const { return layoutPending_; }
    // Asks for the box to be sized to the listing again at the next measure.
    void MarkForLayout() { layoutPending_ = true; }

protected:
    QString MeasuredText() const override;

private:
    bool layoutPending_ = false;
};
