#pragma once
// The base of everything placed on a label page. Pages, the view and printing hit-test,
// move, resize, turn and draw items through this interface without knowing their kind.
#include "ItemData.h"
#include "Types.h"

#include <cstddef>
#include <cstdint>

class DeviceContext;

class LabelItem {
public:
    virtual ~LabelItem();

    LabelItem(const LabelItem&) = default;
    LabelItem& operator=(const LabelItem&) = default;

    // Handle indices returned by HitTestHandle, and the handles Resize takes.
    enum Corner { TopLeft = 0, TopRight = 1, BottomRight = 2, BottomLeft = 3, NoHandle = 4 };
    // Editing modes returned by HandleModeAt.
    enum HandleMode { DiagonalMainMode = 3, DiagonalCrossMode = 4, NoHandleMode = 6 };
    static constexpr COLORREF kHandleColor = RGB(0, 168, 255);
    static constexpr COLORREF kTextHandleColor = RGB(153, 51, 51);
    static constexpr int kHandleHalf = 3;

    // Which corner square of rect holds pt: 0 top-left, 1 top-right, 2 bottom-right,
    // 3 bottom-left, 4 none. Each square runs from corner - 3 to corner + 3, right and
    // bottom edges exclusive.
    int HitTestHandle(Rect rect, Point pt) const;
    // Paints the four corner squares at the corners of the rectangle as stored.
    virtual void DrawHandles(DeviceContext& dc) const;
    // Whether (x, y) lies on the item; a zero-width or zero-height box is widened by one
    // unit on each side so thin items stay hittable.
    bool HitTest(int x, int y) const;
    virtual void Offset(int dx, int dy);
    // Drags one corner: 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left. The base
    // moves the matching coordinates of the item's two points and rebuilds rect from them.
    virtual void Resize(int handle, int x, int y);
    // Called before a corner drag starts.
    virtual void BeginReshape();
    Point FirstPoint() const;
    // One quarter turn about the centre of rect: clockwise for angle > 0.1, counter-clockwise
    // for angle < -0.1; the whole angle is added to the rotation.
    virtual void Rotate90(double angle);
    // Turns by whole quarter turns. An angle that is not a multiple of 90 degrees is taken
    // to the nearest multiple.
    void RotateBy(double angle);
    virtual void Draw(DeviceContext& dc, bool inProgress);

    std::int32_t GetKind() const { return data_.kind; }
    Rect GetRect() const { return data_.rect; }
    static Rect NormalizeRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b);
    // The editing mode the handle under (x, y) selects.
    int HandleModeAt(int x, int y) const;
    // Whether pt lies in one of the 6-unit strips centred on the edges of rect.
    static bool HitTestBorder(Rect rect, Point pt);

    ItemData& Data() { return data_; }
    const ItemData& Data() const { return data_; }

    // Item records: a fixed part of this many bytes, then the points, the picture bytes,
    // the text and the five track columns, each only when its count or length is not zero.
    static constexpr std::uint32_t kFixedRecordSize = 224;
    // The bytes WriteRecord produces, or 0 when the item's record would be larger than any
    // reader accepts (kMaxRecordSize): such an item cannot be saved or copied as a record.
    std::uint32_t RecordSize() const;
    // Writes the record into buffer, which holds at least RecordSize() bytes; returns the
    // bytes written (RecordSize()). Writes nothing and returns 0 when RecordSize() is 0.
    std::uint32_t WriteRecord(std::uint8_t* buffer) const;

protected:
    explicit LabelItem(ItemKind kind);
    explicit LabelItem(std::int32_t rawKind);

    // Fills the item from a record of length bytes, for the record constructors of the
    // concrete classes. The item keeps its own kind. Every variable part the record claims
    // but does not hold is left empty, and so is everything after it; stored lengths are
    // kept as read, strings up to their first NUL. A record shorter than the fixed part
    // leaves the item as constructed.
    void ReadRecord(const std::uint8_t* record, std::size_t length);

    // Fills the four corner squares of rect as stored in one colour.
    void PaintHandles(DeviceContext& dc, COLORREF color) const;

    ItemData data_;
};
