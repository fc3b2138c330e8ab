#include "TrackColumns.h"

#include <gtest/gtest.h>

TEST(TrackColumns, CellsInsertAndReadByRow) {
    std::string numbers;
    trackcolumns::InsertCell(numbers, TrackNumber, 0, "1");
    trackcolumns::InsertCell(numbers, TrackNumber, 5, "2"); // past the end: appended
    EXPECT_EQ(numbers, "@[VLMKTRACKNO]::1@[VLMKTRACKNO]::2");
    trackcolumns::InsertCell(numbers, TrackNumber, 1, "1b"); // pushes row 1 down
    EXPECT_EQ(trackcolumns::GetField(numbers, TrackNumber, 0), "1");
    EXPECT_EQ(trackcolumns::GetField(numbers, TrackNumber, 1), "1b");
    EXPECT_EQ(trackcolumns::GetField(numbers, TrackNumber, 2), "2");
    EXPECT_EQ(trackcolumns::GetField(numbers, TrackNumber, 3), "");
    EXPECT_EQ(trackcolumns::GetField(numbers, TrackNumber, -1), "");

    // Another column's tag is just text in this column.
    std::string titles;
    trackcolumns::InsertCell(titles, TrackTitle, 0, "A @[VLMKTRACKNO]:: B");
    trackcolumns::InsertCell(titles, TrackTitle, 1, "");
    EXPECT_EQ(trackcolumns::GetField(titles, TrackTitle, 0), "A @[VLMKTRACKNO]:: B");
    EXPECT_EQ(trackcolumns::GetField(titles, TrackTitle, 1), "");
}
