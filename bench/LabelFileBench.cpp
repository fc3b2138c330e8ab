// Saving and opening a large project through the document: about 50 MB of picture bytes in
// six picture items and 5,000 shapes. The picture bytes are not a picture any decoder
// recognises, so reading them back costs the detection's quick refusal and nothing more:
// what is measured is the file path (records, copies, the disk cache), not the decoders,
// which bench/ImagingBench.cpp measures on their own.
#include "CVellumarkDoc.h"
#include "ImageItem.h"
#include "LabelTemplateCatalogue.h"
#include "ShapeItems.h"
#include "Ui.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kPictures = 6;
constexpr std::size_t kPictureBytes = 8'700'000; // under the 10,240,000-byte record limit
constexpr int kShapes = 5000;

struct Project {
    LabelTemplateCatalogue catalogue{LabelTemplateCatalogue::DefaultPath()};
    CatalogueLabelContext context{catalogue, StandardCd};
    CVellumarkDoc doc{context};
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("large.vlm"));
    qint64 fileSize = 0;

    Project() {
        doc.CreatePagesForLabelType();
        std::mt19937 rng(20261210);
        for (int i = 0; i < kPictures; ++i) {
            ItemData data;
            data.kind = static_cast<std::int32_t>(ItemKind::Picture);
            data.rect = {10 * i, 10 * i, 10 * i + 200, 10 * i + 150};
            data.imageBytes.resize(kPictureBytes);
            for (auto& b : data.imageBytes) b = static_cast<std::uint8_t>(rng());
            // No format's signature: every decoder refuses at its first bytes.
            data.imageBytes[0] = 'V';
            data.imageBytes[1] = 'M';
            doc.Pages()[0]->items.push_back(std::make_unique<ImageItem>(data));
        }
        auto& shapes = doc.Pages()[1]->items;
        for (int i = 0; i < kShapes; ++i) {
            const int x = static_cast<int>(rng() % 400), y = static_cast<int>(rng() % 300);
            if (i % 3 == 0)
                shapes.push_back(std::make_unique<LineItem>(x, y, x + 40, y + 20, RGB(1, 2, 3), 0));
            else if (i % 3 == 1)
                shapes.push_back(std::make_unique<RectangleItem>(x, y, x + 30, y + 30, 0, RGB(9, 9, 9)));
            else
                shapes.push_back(std::make_unique<EllipseItem>(x, y, x + 25, y + 15, 0, RGB(5, 5, 5)));
        }
        doc.OnSaveDocument(path);
        fileSize = QFile(path).size();
    }
};

Project& Shared() {
    static Project project;
    return project;
}

void BM_SaveLabelFile(benchmark::State& state) {
    Project& p = Shared();
    for (auto _ : state) {
        if (!p.doc.OnSaveDocument(p.path)) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * p.fileSize);
    state.counters["fileMB"] = static_cast<double>(p.fileSize) / 1e6;
}
BENCHMARK(BM_SaveLabelFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenLabelFile(benchmark::State& state) {
    Project& p = Shared();
    CVellumarkDoc doc(p.context);
    for (auto _ : state) {
        if (!doc.OnOpenDocument(p.path)) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(doc.Pages().data());
    }
    state.SetBytesProcessed(state.iterations() * p.fileSize);
    state.counters["items"] = static_cast<double>(doc.Pages()[0]->items.size() + doc.Pages()[1]->items.size());
}
BENCHMARK(BM_OpenLabelFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor under any open: the file's bytes copied from the page cache into memory the
// process has not touched before, as the pictures' bytes of a newly read project are. On
// machines where first-touch page faults are slow this, not the record code, bounds the open.
void BM_ReadFileIntoNewMemory(benchmark::State& state) {
    Project& p = Shared();
    for (auto _ : state) {
        QFile file(p.path);
        if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("cannot open");
        std::unique_ptr<char[]> bytes(new char[static_cast<std::size_t>(p.fileSize)]);
        if (file.read(bytes.get(), p.fileSize) != p.fileSize) state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(state.iterations() * p.fileSize);
}
BENCHMARK(BM_ReadFileIntoNewMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
