// Painting a busy back cover through the label view, as every repaint of the window does:
// 200 items (shapes, 20 texts, 5 large pictures) into a full-HD client area. The goal is a
// paint within one 60 Hz frame (16 ms) at zoom 1.
//
// The view is a widget, so this program has its own main with a QApplication.
#include "CVellumarkDoc.h"
#include "CVellumarkView.h"
#include "CoverPage.h"
#include "DeviceContext.h"
#include "ImageItem.h"
#include "LabelTemplateCatalogue.h"
#include "ShapeItems.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

std::vector<std::uint8_t> PngBytes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = qRgb(x * 255 / w, y * 255 / h, (x ^ y) & 255);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

struct BusyBackCover {
    LabelTemplateCatalogue catalogue{QStringLiteral(VM_SHIPPED_DATA_DIR "/lbl.ani")};
    CatalogueLabelContext context{catalogue, StandardCd};
    CVellumarkDoc doc{context};
    CVellumarkView view{&doc};

    BusyBackCover() {
        doc.CreatePagesForLabelType();
        view.OnInitialUpdate();
        for (int i = 0; i < static_cast<int>(doc.Pages().size()); ++i)
            if (doc.Pages()[i]->coverSide == BackCover) view.SwitchToPage(i);
        CoverPage& page = *view.page;
        const int W = std::max(page.designWidth, 50), H = std::max(page.designHeight, 50);
        std::mt19937 rng(20261211);
        auto coord = [&](int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(rng); };
        auto colour = [&] { return RGB(coord(256), coord(256), coord(256)); };
        const std::vector<std::uint8_t> png = PngBytes(2000, 2000);
        int texts = 0, pictures = 0;
        while (page.items.size() < 200) {
            const int x = coord(W), y = coord(H), w = 8 + coord(120), h = 8 + coord(80);
            const std::size_t n = page.items.size();
            if (n % 40 == 7 && pictures < 5) {
                ItemData d;
                d.kind = static_cast<std::int32_t>(ItemKind::Picture);
                d.points = {{double(x), double(y)}, {double(x + 120), double(y + 120)}};
                d.rect = {x, y, x + 120, y + 120};
                d.imageFormat = 4; // PNG
                d.imageBytes = png;
                page.items.push_back(std::make_unique<ImageItem>(d));
                ++pictures;
            } else if (n % 10 == 3 && texts < 20) {
                page.items.push_back(std::make_unique<TextItem>(
                    x, y, x + 200, y + 40, 0, colour(), "Greatest hits\nvolume two",
                    TrackListItem::DefaultFont()));
                ++texts;
            } else {
                switch (n % 4) {
                case 0: page.items.push_back(std::make_unique<LineItem>(x, y, x + w, y + h, colour(), 0)); break;
                case 1: page.items.push_back(std::make_unique<EllipseItem>(x, y, x + w, y + h, colour(), colour())); break;
                case 2: page.items.push_back(std::make_unique<RectangleItem>(x, y, x + w, y + h, colour(), colour())); break;
                default: page.items.push_back(std::make_unique<CircleItem>(x, y, w, colour(), colour())); break;
                }
            }
        }
        view.SetClientSize(1920, 1080);
    }
};

void Paint(benchmark::State& state, int zoomSteps, bool drag) {
    BusyBackCover cover;
    for (int i = 0; i < zoomSteps; ++i) cover.view.ZoomIn();
    const Size size = cover.view.BufferSize();
    QImage target(size.cx, size.cy, QImage::Format_RGB32);
    DeviceContext dc(target);
    cover.view.selectedIndex = 10;
    QPoint at;
    if (drag) {
        // Grab the item under the centre of item 10 as a press of the Select tool does.
        const Rect r = cover.view.page->items[10]->GetRect();
        cover.view.OnDraw(dc); // lays the page out: the origin is known from here on
        at = QPoint(cover.view.originX + (r.left + r.right) / 2,
                    cover.view.originY + (r.top + r.bottom) / 2);
        cover.view.OnLButtonDown(at);
    }
    int step = 1;
    for (auto _ : state) {
        if (drag) {
            // One mouse move of a drag: the selected item moves, the view repaints.
            at += QPoint(step, step);
            cover.view.OnMouseMove(at);
            step = -step;
        }
        cover.view.OnDraw(dc);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["pixels"] = double(size.cx) * size.cy;
}

void BM_ViewPaintBackCoverZoom1(benchmark::State& s) { Paint(s, 0, false); }
void BM_ViewPaintBackCoverZoom4(benchmark::State& s) { Paint(s, 2, false); }
void BM_ViewDragStepZoom1(benchmark::State& s) { Paint(s, 0, true); }

} // namespace

BENCHMARK(BM_ViewPaintBackCoverZoom1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewPaintBackCoverZoom4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewDragStepZoom1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
