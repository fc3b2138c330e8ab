#pragma once
// A white drawing surface with its device context, for tests that look at where ink lands.
#include "DeviceContext.h"

#include <QImage>
#include <QRect>

struct Canvas {
    static constexpr QRgb kWhite = 0xFFFFFFFFu;

    QImage image;
    DeviceContext dc;

    explicit Canvas(int w = 400, int h = 400, int dpi = 96)
        : image(Blank(w, h)), dc(image, dpi, dpi) {}

    static QImage Blank(int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(kWhite);
        return img;
    }
    // Bounding box of every pixel that is not white; null when there is none.
    QRect Ink() const {
        QRect box;
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (line[x] != kWhite) box |= QRect(x, y, 1, 1);
        }
        return box;
    }
    // Advance and cell height of text in a font, measured on this device.
    Size Extent(const LogFont& font, const QString& text) {
        const int saved = dc.SaveDC();
        dc.SelectFont(font);
        const Size s = dc.GetTextExtentPoint32(text);
        dc.RestoreDC(saved);
        return s;
    }
};
