#pragma once
// A GDI-like drawing surface over a QImage. Everything the model, the view and printing draw
// goes through it, so that drawings are pixel-testable. Right and bottom edges are exclusive.
#include "Types.h"

#include <QImage>

enum DeviceCap { LOGPIXELSX = 88, LOGPIXELSY = 90, HORZRES = 8, VERTRES = 10 };

class DeviceContext {
public:
    // target must be ARGB32, ARGB32_Premultiplied or RGB32 and outlive the context.
    explicit DeviceContext(QImage& target, int dpiX = 96, int dpiY = 96);

    QImage& Image() { return image_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    int GetDeviceCaps(int index) const;

    // CLR_INVALID outside the surface.
    COLORREF GetPixel(int x, int y) const;
    COLORREF SetPixel(int x, int y, COLORREF color);

    // Fills the rectangle as given (left/top inclusive, right/bottom exclusive), clipped to
    // the surface; an un-normalised or empty rectangle fills nothing.
    void FillSolidRect(const Rect& r, COLORREF color);

private:
    QImage& image_;
    int dpiX_;
    int dpiY_;
};
