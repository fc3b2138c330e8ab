// The cursors of the label view, among them the program's own pen.
#include "CVellumarkView.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A pen held at 45 degrees, its nib at the bottom-left corner (the hot spot).
QCursor MakePenCursor() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(1, 31);
    p.rotate(-45);
    // Body, ferrule and nib along the x axis from the tip.
    QPainterPath nib;
    nib.moveTo(0, 0);
    nib.lineTo(8, -3.5);
    nib.lineTo(8, 3.5);
    nib.closeSubpath();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(235, 235, 235));
    p.drawPath(nib);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(QRectF(8, -3.5, 4, 7));
    p.setBrush(QColor(40, 70, 160));
    p.drawRoundedRect(QRectF(12, -3.5, 22, 7), 2, 2);
    p.end();
    return QCursor(pixmap, 0, 31);
}

} // namespace

void CVellumarkView::ApplyCursor() {
    switch (cursorKind) {
    case ArrowCursor: viewport()->setCursor(Qt::ArrowCursor); break;
    case CrossCursor: viewport()->setCursor(Qt::CrossCursor); break;
    case SizeAllCursor: viewport()->setCursor(Qt::SizeAllCursor); break;
    case SizeNwseCursor: viewport()->setCursor(Qt::SizeFDiagCursor); break;
    case SizeNeswCursor: viewport()->setCursor(Qt::SizeBDiagCursor); break;
    case IBeamCursor: viewport()->setCursor(Qt::IBeamCursor); break;
    case PenCursor: {
        static const QCursor pen = MakePenCursor();
        viewport()->setCursor(pen);
        break;
    }
    default: break; // the cursor stays as it is
    }
}
