// Drawing a busy label: a fixed, seeded mix of shapes and texts painted onto a large surface,
// as the view and the print render do for every paint.
#include "DeviceContext.h"
#include "ShapeItems.h"
#include "TextItem.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

std::vector<std::unique_ptr<LabelItem>> MixedItems(int shapes, int texts, int width, int height) {
    std::mt19937 rng(20261210);
    auto coord = [&](int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(rng); };
    auto size = [&](int limit) { return std::uniform_int_distribution<int>(8, limit)(rng); };
    auto colour = [&] {
        return RGB(coord(256), coord(256), coord(256));
    };
    std::vector<std::unique_ptr<LabelItem>> items;
    for (int i = 0; i < shapes; ++i) {
        const int x = coord(width), y = coord(height), w = size(300), h = size(200);
        switch (i % 6) {
        case 0:
            items.push_back(std::make_unique<LineItem>(x, y, x + w, y + h, colour(), 0));
            break;
        case 1:
            items.push_back(std::make_unique<EllipseItem>(x, y, x + w, y + h, colour(), colour()));
            break;
        case 2:
            items.push_back(std::make_unique<CircleItem>(x, y, w, colour(), colour()));
            break;
        case 3: {
            // A hand-drawn stroke: 60 mouse positions a few units apart.
            auto pen = std::make_unique<FreehandItem>(x, y, colour());
            int px = x, py = y;
            for (int p = 1; p <= 60; ++p) {
                px += coord(9) - 4;
                py += coord(9) - 4;
                pen->Resize(0, px, py);
            }
            items.push_back(std::move(pen));
            break;
        }
        case 4:
            items.push_back(std::make_unique<RectangleItem>(x, y, x + w, y + h, colour(), colour()));
            break;
        default: {
            auto tri = std::make_unique<TriangleItem>(x, y, colour(), colour());
            tri->Resize(0, x + w, y + h / 3);
            tri->Resize(0, x + w / 4, y + h);
            items.push_back(std::move(tri));
            break;
        }
        }
        items.back()->Data().penWidth = static_cast<std::int16_t>(1 + i % 3);
    }
    LogFont font;
    font.lfHeight = 12;
    font.lfWeight = FW_NORMAL;
    font.SetFaceName("Arial");
    for (int i = 0; i < texts; ++i) {
        const int x = coord(width), y = coord(height);
        auto text = std::make_unique<TextItem>(x, y, x + 300, y + 60, 0, colour(),
                                               "Track listing line\r\nSecond line of text", font);
        text->RotateBy(90.0 * (i % 4));
        items.push_back(std::move(text));
    }
    return items;
}

void DrawAll(benchmark::State& state, int shapes, int texts) {
    constexpr int kWidth = 1600, kHeight = 1200;
    auto items = MixedItems(shapes, texts, kWidth, kHeight);
    QImage surface(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        surface.fill(Qt::white);
        DeviceContext dc(surface);
        const QRegion page = regions::Rectangle({20, 20, kWidth - 20, kHeight - 20});
        // Drawn as the view does: the page clip before every item, then the item twice,
        // finished and in progress.
        for (auto& item : items) {
            dc.SelectClipRgn(page);
            item->Draw(dc, false);
            item->Draw(dc, true);
        }
        benchmark::DoNotOptimize(surface.constBits());
    }
}
void BM_DrawItems(benchmark::State& state) { DrawAll(state, 200, 20); }
BENCHMARK(BM_DrawItems)->Unit(benchmark::kMillisecond);
void BM_DrawShapes(benchmark::State& state) { DrawAll(state, 200, 0); }
BENCHMARK(BM_DrawShapes)->Unit(benchmark::kMillisecond);
void BM_DrawTexts(benchmark::State& state) { DrawAll(state, 0, 20); }
BENCHMARK(BM_DrawTexts)->Unit(benchmark::kMillisecond);

} // namespace
