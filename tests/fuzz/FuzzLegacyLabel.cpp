// libFuzzer entry point for converting an older tagged label file. Besides the sanitizers'
// checks: a conversion succeeds exactly when the text has its "[END]" mark, the file it
// writes always opens again, and a failed one writes nothing and says why.
#include "CVellumarkDoc.h"
#include "LabelTemplateCatalogue.h"
#include "LegacyLabel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Setup {
    QTemporaryDir dir;
    LabelTemplateCatalogue catalogue{QStringLiteral(VM_FUZZ_CATALOGUE)};
    QString source = dir.filePath(QStringLiteral("in.legacy"));
    QString target = dir.filePath(QStringLiteral("out.vlm"));
};
Setup* gSetup = nullptr;

} // namespace

// fontconfig keeps the font patterns Qt asked for until the process ends, which the leak
// check at exit reports; they do not grow with the inputs.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Extracted pictures go to the per-user cache: keep them in a private folder.
    static QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(cache.path()));
    QFile::setPermissions(cache.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
    static QGuiApplication app(*argc, *argv); // text layout needs fonts
    gSetup = new Setup;
    Check(gSetup->dir.isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile in(gSetup->source);
        Check(in.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(in.write(bytes) == bytes.size());
    }
    QFile::remove(gSetup->target);

    bool hasEnd = false;
    legacylabel::TextPart(bytes, &hasEnd);
    CatalogueLabelContext context(gSetup->catalogue, StandardCd);
    QString reason;
    const bool converted = ConvertLegacyLabel(gSetup->source, gSetup->target, context, &reason);
    Check(converted == hasEnd);
    if (!converted) {
        Check(!reason.isEmpty());
        Check(!QFile::exists(gSetup->target));
        return 0;
    }
    Check(context.CurrentLabelType() >= StandardCd && context.CurrentLabelType() <= SlimlineDvd);
    CVellumarkDoc doc(context);
    Check(doc.ReadLabelFile(gSetup->target) == CVellumarkDoc::ReadResult::Ok);
    Check(doc.Pages().size() >= 2);
    for (const auto& page : doc.Pages()) {
        const std::int32_t list = page->trackListIndex;
        Check(list == -1 || (list >= 0 && static_cast<std::size_t>(list) < page->items.size()));
    }
    return 0;
}
