#pragma once
// The six drawn shapes of the tool bar. Thin strokes use an anti-aliased line routine of our
// own rather than device pens, so they look the same on screen and in print renderings.
#include "LabelItem.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Wu-style anti-aliased line from (x0, y0) to (x1, y1), both end pixels set in full colour,
// the pixels in between blended against what is already on the surface.
void DrawSmoothLine(DeviceContext& dc, int x0, int y0, int x1, int y1, COLORREF color);
// Anti-aliased outline of the ellipse in the box, as a chain of smooth lines.
void DrawSmoothEllipse(DeviceContext& dc, int left, int top, int right, int bottom,
                       COLORREF color);

class LineItem : public LabelItem {
public:
    LineItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor);
    // An item read back from its record (see ItemRecord.h).
    LineItem(const std::uint8_t* record, std::size_t length);
    // A quarter turn turns both end points about the box's centre, so a slanted line stays
    // the same line turned; the box then follows the end points as for a drawn line.
    void Rotate90(double angle) override;
    void Draw(DeviceContext& dc, bool inProgress) override;
};

// Ellipse, circle and rectangle share the two-corner layout and the filled drawing.
class BoxShapeItem : public LabelItem {
public:
    // The box turns; the corner points then follow the new, normalised box.
    void Rotate90(double angle) override;

protected:
    BoxShapeItem(ItemKind kind, int x1, int y1, int x2, int y2, COLORREF lineColor,
                 COLORREF fillColor);
    BoxShapeItem(ItemKind kind, const std::uint8_t* record, std::size_t length);
    // Selects the outline pen and fill brush of the item; returns the saved level.
    int SelectPenAndBrush(DeviceContext& dc) const;
};

class EllipseItem : public BoxShapeItem {
public:
    EllipseItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor);
    EllipseItem(const std::uint8_t* record, std::size_t length);
    void Draw(DeviceContext& dc, bool inProgress) override;

protected:
    EllipseItem(ItemKind kind, int x1, int y1, int x2, int y2, COLORREF lineColor,
                COLORREF fillColor);
    EllipseItem(ItemKind kind, const std::uint8_t* record, std::size_t length);
};

class CircleItem : public EllipseItem {
public:
    CircleItem(int x, int y, int diameter, COLORREF lineColor, COLORREF fillColor);
    CircleItem(const std::uint8_t* record, std::size_t length);
    // The dragged corner moves along the diagonal so the box stays square.
    void Resize(int handle, int x, int y) override;
    // A circle looks the same turned; it keeps its geometry and rotation.
    void Rotate90(double angle) override;
};

class RectangleItem : public BoxShapeItem {
public:
    RectangleItem(int x1, int y1, int x2, int y2, COLORREF lineColor, COLORREF fillColor);
    RectangleItem(const std::uint8_t* record, std::size_t length);
    void Draw(DeviceContext& dc, bool inProgress) override;
};

// Freehand strokes and triangles keep a snapshot of their geometry when a corner drag
// starts, and scale every point from it while the corner moves.
class PolyPointItem : public LabelItem {
public:
    void BeginReshape() override;

protected:
    explicit PolyPointItem(ItemKind kind) : LabelItem(kind) {}
    // Scales the points for a corner drag (handles 1 to 4); integerMath truncates the
    // snapshot and divides in integers, otherwise the arithmetic is in doubles.
    void ScaleFromSnapshot(int handle, int x, int y, bool integerMath);

    Rect snapRect_;
    std::vector<ItemPoint> snapPoints_;
    std::int32_t accX_ = 0;
    std::int32_t accY_ = 0;
};

class FreehandItem : public PolyPointItem {
public:
    FreehandItem(int x, int y, COLORREF lineColor);
    // Read back with an empty reshape snapshot.
    FreehandItem(const std::uint8_t* record, std::size_t length);
    // Handle 0 appends a point (the pen is moving); handles 1 to 4 scale the stroke.
    void Resize(int handle, int x, int y) override;
    void Draw(DeviceContext& dc, bool inProgress) override;
};

class TriangleItem : public PolyPointItem {
public:
    TriangleItem(int x, int y, COLORREF lineColor, COLORREF fillColor);
    // Read back with an empty reshape snapshot. The pending point is not saved; it is put
    // on the last corner, so a triangle saved before its third corner shows no edge
    // running off to the page origin.
    TriangleItem(const std::uint8_t* record, std::size_t length);
    // Handle 0 adds a corner at (x, y), handle -1 only moves the pending point (the edge
    // under construction follows the mouse); handles 1 to 4 scale the corners.
    void Resize(int handle, int x, int y) override;
    void Offset(int dx, int dy) override;
    void Draw(DeviceContext& dc, bool inProgress) override;

    Point PendingPoint() const { return pending_; }
    // Halfway between the first corner and the middle of the opposite edge.
    Point FillSeed() const;

private:
    void DrawEdges(DeviceContext& dc, int dx, int dy) const;
    void DrawFilled(DeviceContext& dc) const;
    void UpdateRect();

    Point pending_;
};
