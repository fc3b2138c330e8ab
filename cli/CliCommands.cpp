#include "CliCommands.h"

#include "CVellumarkDoc.h"
#include "DocumentJson.h"
#include "LabelTemplateCatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <optional>

namespace cli {
namespace {

const char* const kUsage =
    "usage: vellumark-cli COMMAND [options]\n"
    "commands:\n"
    "  templates [--catalogue FILE]        the template catalogue as JSON\n"
    "  new TYPE [--catalogue FILE]         a new project of label type TYPE as JSON\n"
    "                                      (0 standard CD, 1 slimline CD, 2 standard DVD,\n"
    "                                      3 slimline DVD)\n";

struct Options {
    QStringList positional;
    std::optional<QString> catalogue;
};

// Splits arguments into positionals and the options every command shares. Returns an
// error text on a malformed command line.
QString ParseOptions(const QStringList& args, Options& opts) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--catalogue")) {
            if (i + 1 >= args.size()) return QStringLiteral("--catalogue needs a file name");
            opts.catalogue = args[++i];
        } else if (a.startsWith(QLatin1String("--catalogue="))) {
            opts.catalogue = a.mid(12);
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return QStringLiteral("unknown option: %1").arg(a);
        } else {
            opts.positional << a;
        }
    }
    return {};
}

// The catalogue a command works with: the named file, which must be readable, or the
// per-user catalogue.
std::optional<LabelTemplateCatalogue> OpenCatalogue(const Options& opts, QTextStream& err) {
    if (!opts.catalogue) return LabelTemplateCatalogue(LabelTemplateCatalogue::DefaultPath());
    const QString& path = *opts.catalogue;
    const QFileInfo info(path);
    if (!info.exists()) {
        err << "vellumark-cli: catalogue file not found: " << path << "\n";
        return std::nullopt;
    }
    QFile probe(path);
    if (info.isDir() || !probe.open(QIODevice::ReadOnly)) {
        err << "vellumark-cli: cannot read catalogue file: " << path << "\n";
        return std::nullopt;
    }
    return LabelTemplateCatalogue(path);
}

void PrintJson(QTextStream& out, const QJsonObject& obj) {
    out << QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Indented));
}

int Templates(const Options& opts, QTextStream& out, QTextStream& err) {
    if (!opts.positional.isEmpty()) {
        err << "vellumark-cli: templates takes no arguments\n";
        return Usage;
    }
    const auto catalogue = OpenCatalogue(opts, err);
    if (!catalogue) return Failed;
    PrintJson(out, documentjson::CatalogueToJson(*catalogue));
    return Ok;
}

int New(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 1) {
        err << "vellumark-cli: new needs one label type (0 to 3)\n";
        return Usage;
    }
    const QString& typeText = opts.positional.front();
    bool ok = false;
    const int type = typeText.toInt(&ok);
    if (!ok || type < 0 || type > 3 || typeText.size() != 1) {
        err << "vellumark-cli: bad label type: " << typeText
            << " (0 standard CD, 1 slimline CD, 2 standard DVD, 3 slimline DVD)\n";
        return Usage;
    }
    const auto catalogue = OpenCatalogue(opts, err);
    if (!catalogue) return Failed;
    CatalogueLabelContext context(*catalogue, type);
    CVellumarkDoc doc(context);
    if (!doc.CreatePagesForLabelType()) {
        err << "vellumark-cli: the pages of the project could not be created\n";
        return Failed;
    }
    doc.SetModifiedFlag(false);
    PrintJson(out, documentjson::DocumentToJson(doc, *catalogue));
    return Ok;
}

} // namespace

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || args.front() == QLatin1String("--help") ||
        args.front() == QLatin1String("-h") || args.front() == QLatin1String("help")) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? Usage : Ok;
    }
    const QString command = args.front();
    Options opts;
    const QString error = ParseOptions(args.mid(1), opts);
    if (!error.isEmpty()) {
        err << "vellumark-cli: " << error << "\n";
        return Usage;
    }
    if (command == QLatin1String("templates")) return Templates(opts, out, err);
    if (command == QLatin1String("new")) return New(opts, out, err);
    err << "vellumark-cli: unknown command: " << command << " (try --help)\n";
    return Usage;
}

} // namespace cli
