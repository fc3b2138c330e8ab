#include "TrackColumns.h"

namespace trackcolumns {

std::string_view Tag(int field) {
    switch (field) {
    case TrackNumber:
        return "@[VLMKTRACKNO]::";
    case TrackTitle:
        return "@[VLMKTRACKTITLE]::";
    case TrackArtist:
        return "@[VLMKTRACKARTIST]::";
    case TrackLength:
        return "@[VLMKTRACKLENGTH]::";
    default:
        return "@[VLMKTRACKALBUM]::";
    }
}

namespace {
// Position of the row-th occurrence of tag, or npos.
std::size_t FindOccurrence(const std::string& s, std::string_view tag, int row) {
    if (row < 0) return std::string::npos;
    std::size_t pos = s.find(tag);
    for (int i = 0; i < row && pos != std::string::npos; ++i) pos = s.find(tag, pos + tag.size());
    return pos;
}
} // namespace

std::string GetField(const std::string& column, int field, int row) {
    const std::string_view tag = Tag(field);
    const std::size_t start = FindOccurrence(column, tag, row);
    if (start == std::string::npos) return {};
    const std::size_t valueStart = start + tag.size();
    const std::size_t next = column.find(tag, valueStart);
    return column.substr(valueStart, next == std::string::npos ? std::string::npos
                                                               : next - valueStart);
}

std::vector<std::string> Cells(const std::string& column, int field) {
    const std::string_view tag = Tag(field);
    std::vector<std::string> cells;
    std::size_t pos = column.find(tag);
    while (pos != std::string::npos) {
        const std::size_t valueStart = pos + tag.size();
        const std::size_t next = column.find(tag, valueStart);
        cells.push_back(column.substr(valueStart, next == std::string::npos ? std::string::npos
                                                                            : next - valueStart));
        pos = next;
    }
    return cells;
}

void InsertCell(std::string& column, int field, int row, std::string_view value) {
    const std::string_view tag = Tag(field);
    std::size_t at = FindOccurrence(column, tag, row);
    if (at == std::string::npos) at = column.size();
    std::string cell;
    cell.reserve(tag.size() + value.size());
    cell.append(tag).append(value);
    column.insert(at, cell);
}

} // namespace trackcolumns
