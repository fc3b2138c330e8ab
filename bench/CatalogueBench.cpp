// Start-up work: reading the shipped catalogue and building a new project from it.
#include "AppPaths.h"
#include "CVellumarkDoc.h"
#include "LabelTemplateCatalogue.h"

#include <benchmark/benchmark.h>

static void BM_CatalogueLoad(benchmark::State& state) {
    const QString path = apppaths::ShippedFile(QStringLiteral("lbl.ani"));
    for (auto _ : state) {
        LabelTemplateCatalogue catalogue(path);
        benchmark::DoNotOptimize(catalogue.Templates().size());
    }
}
BENCHMARK(BM_CatalogueLoad)->Unit(benchmark::kMicrosecond);

static void BM_CreateStandardCdProject(benchmark::State& state) {
    const LabelTemplateCatalogue catalogue(apppaths::ShippedFile(QStringLiteral("lbl.ani")));
    CatalogueLabelContext context(catalogue, 0);
    CVellumarkDoc doc(context);
    for (auto _ : state) {
        doc.CreatePagesForLabelType();
        benchmark::DoNotOptimize(doc.Pages().size());
    }
}
BENCHMARK(BM_CreateStandardCdProject)->Unit(benchmark::kMicrosecond);
