#pragma once
// The tagged column form in which a track listing keeps its rows: for every row, in row
// order, the column's tag followed by the cell's value.
#include "ItemData.h"

#include <string>
#include <string_view>
#include <vector>

namespace trackcolumns {

// The tag of a TrackField code.
std::string_view Tag(int field);

// The value of a row's cell: from the row-th tag to the next tag or the end; "" when the
// column has fewer rows.
std::string GetField(const std::string& column, int field, int row);

// Every cell of the column in row order, read in one pass (GetField for each row would
// scan the column again per row).
std::vector<std::string> Cells(const std::string& column, int field);

// Inserts a cell at a row (the cells from that row on move down one row), or appends it
// when the column has fewer rows.
void InsertCell(std::string& column, int field, int row, std::string_view value);

} // namespace trackcolumns
