#pragma once
// The data every label item carries. Its field order and types are those of the item
// record in label files; the record writer stores it field by field.
#include "LogFont.h"
#include "Types.h"

#include <cstdint>
#include <string>
#include <vector>

enum class ItemKind : std::int32_t {
    Line = 0,
    Ellipse = 1,
    Circle = 2,
    Freehand = 3,
    Rectangle = 4,
    Triangle = 5,
    Picture = 6,
    Text = 7,
    TrackList = 9,
};

struct ItemPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const ItemPoint&, const ItemPoint&) = default;
};

// An owned byte string with the length stored beside it in records. The stored length is
// not always the string's own length (some fields keep length + 1); a zero length means the
// field is absent.
struct ItemString {
    std::string chars;
    std::int32_t length = 0;

    bool IsNull() const { return length == 0; }
    void Clear() {
        chars.clear();
        length = 0;
    }
    friend bool operator==(const ItemString&, const ItemString&) = default;
};

enum TrackField : int { TrackNumber = 0, TrackTitle = 1, TrackArtist = 2, TrackLength = 3,
                        TrackAlbum = 4 };
constexpr int kTrackFieldCount = 5;

struct ItemData {
    std::int32_t kind = 0;
    std::int16_t reserved16 = 0;
    std::vector<ItemPoint> points; // its size is the stored point count
    Rect rect;
    Rect layoutFrame;
    Rect holeFrame;
    COLORREF lineColor = 0;
    COLORREF fillColor = 0;
    std::int16_t penWidth = 1;
    LogFont font;
    std::string text;
    std::int32_t textLength = 0;
    std::int32_t imageFormat = 0;
    std::vector<std::uint8_t> imageBytes; // its size is the stored picture size
    double rotation = 0.0;
    std::int32_t hasTrackText = 1;
    std::int32_t trackLayout = 1;
    std::int32_t alignment = 0;
    std::int32_t trackCount = 0;
    ItemString trackNumbers;
    ItemString trackTitles;
    ItemString trackArtists;
    ItemString trackLengths;
    ItemString trackAlbums;

    std::uint32_t pointCount() const { return static_cast<std::uint32_t>(points.size()); }
    std::uint32_t imageSize() const { return static_cast<std::uint32_t>(imageBytes.size()); }

    // The column of a TrackField code (0 to 4).
    ItemString& TrackColumn(int field);
    const ItemString& TrackColumn(int field) const;

    friend bool operator==(const ItemData&, const ItemData&) = default;
};
