// Settings files are read key by key; lookups must not scan the whole file each time.
#include "ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

static void BM_ProfileFileKeyLookups(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ini"));
    {
        QByteArray content;
        for (int n = 1; n <= sections; ++n)
            content += "[LABEL" + QByteArray::number(n) + "]\nID=" + QByteArray::number(n) +
                       "\nName=label " + QByteArray::number(n) + "\n\n";
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
    for (auto _ : state) {
        const ProfileFile ini(path);
        int found = 0;
        for (int n = 1; n <= sections; ++n) {
            const QString section = QStringLiteral("label%1").arg(n);
            if (ini.KeyListLength(section, 90) > 0 &&
                ini.GetString(section, QStringLiteral("id")).toInt() == n)
                ++found;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(sections);
}
BENCHMARK(BM_ProfileFileKeyLookups)->Range(1000, 40000)->Unit(benchmark::kMillisecond)->Complexity();
