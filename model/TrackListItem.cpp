#include "TrackListItem.h"

#include "TextCodec.h"
#include "TrackColumns.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

using RowCells = std::array<std::string, kTrackFieldCount>; // indexed by TrackField

// The order in which a row reads.
constexpr std::array<int, kTrackFieldCount> kRowOrder = {TrackNumber, TrackTitle, TrackArtist,
                                                         TrackAlbum, TrackLength};

bool HasMoreThanNumber(const RowCells& cells) {
    return !cells[TrackTitle].empty() || !cells[TrackArtist].empty() ||
           !cells[TrackLength].empty() || !cells[TrackAlbum].empty();
}

// Row text as bytes (as stored) or decoded per cell.
std::string JoinRow(const RowCells& cells) {
    std::string out;
    for (int field : kRowOrder) {
        if (cells[field].empty()) continue;
        out += cells[field];
        out += ' ';
    }
    return out;
}

QString JoinRowDecoded(const RowCells& cells) {
    QString out;
    for (int field : kRowOrder) {
        if (cells[field].empty()) continue;
        out += textcodec::Decode(cells[field]);
        out += u' ';
    }
    return out;
}

// Every row below trackCount, each column split once. Rows past the last stored cell are
// all empty and are left out, so a corrupt row count costs nothing.
std::vector<RowCells> AllRows(const ItemData& d) {
    std::array<std::vector<std::string>, kTrackFieldCount> columns;
    std::size_t stored = 0;
    for (int field = 0; field < kTrackFieldCount; ++field) {
        columns[field] = trackcolumns::Cells(d.TrackColumn(field).chars, field);
        stored = std::max(stored, columns[field].size());
    }
    const std::size_t count = std::min<std::size_t>(std::max(0, d.trackCount), stored);
    std::vector<RowCells> rows(count);
    for (int field = 0; field < kTrackFieldCount; ++field) {
        auto& cells = columns[field];
        for (std::size_t r = 0; r < count && r < cells.size(); ++r)
            rows[r][field] = std::move(cells[r]);
    }
    return rows;
}

// One line per row that has more than a number; a line feed follows every such row but
// the last of trackCount.
template <class Text, class Join>
Text Listing(const std::vector<RowCells>& rows, std::int32_t trackCount, Join join) {
    Text out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!HasMoreThanNumber(rows[r])) continue;
        out += join(rows[r]);
        if (static_cast<std::int64_t>(r) != std::int64_t{trackCount} - 1) out += '\n';
    }
    return out;
}

} // namespace

TrackListItem::TrackListItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor,
                             std::string_view text)
    : TextItem(ItemKind::TrackList) {
    data_.rect = {x1, y1, x2, y2};
    data_.lineColor = lineColor;
    data_.fillColor = fillColor;
    data_.trackLayout = 0;
    data_.alignment = 0;
    data_.text = std::string(text);
    data_.textLength = ClampToInt32(static_cast<std::int64_t>(data_.text.size()) + 1);
    ItemString& numbers = data_.TrackColumn(TrackNumber);
    numbers.chars = data_.text;
    numbers.length = ClampToInt32(static_cast<std::int64_t>(numbers.chars.size()));
    data_.font = DefaultFont();
    for (int r = 0; r < kInitialRows; ++r)
        AppendTrack(std::to_string(r + 1), "", "", "", "");
}

TrackListItem::TrackListItem(const std::uint8_t* record, std::size_t length)
    : TextItem(ItemKind::TrackList, record, length) {
    layoutPending_ = false;
}

LogFont TrackListItem::DefaultFont(int logPixelsY) {
    LogFont font;
    font.lfHeight = -MulDiv(8, logPixelsY, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FF_SWISS;
    font.SetFaceName("Arial");
    return font;
}

void TrackListItem::ClearTracks() {
    data_.trackCount = 0;
    for (int field = 0; field < kTrackFieldCount; ++field)
        data_.TrackColumn(field).Clear();
}

void TrackListItem::AppendTrack(std::string_view number, std::string_view title,
                                std::string_view artist, std::string_view album,
                                std::string_view length) {
    const int row = data_.trackCount;
    layoutPending_ = true;
    InsertTrackCell(row, TrackNumber, number);
    InsertTrackCell(row, TrackTitle, title);
    InsertTrackCell(row, TrackArtist, artist);
    InsertTrackCell(row, TrackAlbum, album);
    InsertTrackCell(row, TrackLength, length);
    if (data_.trackCount < INT32_MAX) ++data_.trackCount;
}

void TrackListItem::InsertTrackCell(int row, int column, std::string_view value) {
    if (column < 0 || column >= kTrackFieldCount) return;
    ItemString& s = data_.TrackColumn(column);
    trackcolumns::InsertCell(s.chars, column, row, value);
    if (column == TrackNumber) {
        s.chars = ExpandTabs(s.chars);
        s.length = ClampToInt32(static_cast<std::int64_t>(s.chars.size()));
    } else {
        // The other columns count their terminator.
        s.length = ClampToInt32(static_cast<std::int64_t>(s.chars.size()) + 1);
    }
}

std::string TrackListItem::GetTrackField(int row, int column) const {
    if (row < 0 || row >= data_.trackCount || column < 0 || column >= kTrackFieldCount) return {};
    return trackcolumns::GetField(data_.TrackColumn(column).chars, column, row);
}

std::string TrackListItem::RowText(int row) const {
    RowCells cells;
    for (int field = 0; field < kTrackFieldCount; ++field)
        cells[field] = GetTrackField(row, field);
    return JoinRow(cells);
}

std::string TrackListItem::RowTextIfAny(int row) const {
    RowCells cells;
    for (int field = 0; field < kTrackFieldCount; ++field)
        cells[field] = GetTrackField(row, field);
    return HasMoreThanNumber(cells) ? JoinRow(cells) : std::string();
}

bool TrackListItem::HasTrackText() const {
    const auto rows = AllRows(data_);
    return std::any_of(rows.begin(), rows.end(), HasMoreThanNumber);
}

std::string TrackListItem::ListingText() const {
    return Listing<std::string>(AllRows(data_), data_.trackCount, JoinRow);
}

QString TrackListItem::DisplayText() const {
    return Listing<QString>(AllRows(data_), data_.trackCount, JoinRowDecoded);
}

QString TrackListItem::MeasuredText() const {
    // The listing without its last character: the line feed that trails the last row with
    // text when blank rows follow it. The ampersands are doubled as for any text item, so
    // the box measures the ampersands that TextOut draws.
    QString text = DisplayText();
    text.chop(1);
    return text.replace(u'&', QStringLiteral("&&"));
}

void TrackListItem::MeasureTracks(DeviceContext& dc) {
    if (!layoutPending_) return;
    if (data_.trackLayout != 0) FitToText(dc);
    layoutPending_ = false;
}

void TrackListItem::Draw(DeviceContext& dc, bool inProgress) {
    if (!HasTrackText()) return;
    MeasureTracks(dc);
    TextItem::Draw(dc, inProgress);
}
