#include "CliCommands.h"

#include "CVellumarkDoc.h"
#include "CVellumarkView.h"
#include "CoverPage.h"
#include "DeviceContext.h"
#include "DocumentJson.h"
#include "ImageCodec.h"
#include "LabelTemplateCatalogue.h"
#include "LegacyLabel.h"
#include "Ui.h"
#include "ViewHost.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>

#include <cmath>
#include <memory>
#include <optional>

namespace cli {
namespace {

const char* const kUsage =
    "usage: vellumark-cli COMMAND [options]\n"
    "commands:\n"
    "  templates [--catalogue FILE]        the template catalogue as JSON\n"
    "  new TYPE [--catalogue FILE] [-o OUT.vlm]\n"
    "                                      a new project of label type TYPE as JSON\n"
    "                                      (0 standard CD, 1 slimline CD, 2 standard DVD,\n"
    "                                      3 slimline DVD); -o also saves it\n"
    "  info FILE.vlm [--catalogue FILE]    a label file as JSON\n"
    "  convert IN OUT.vlm [--catalogue FILE]\n"
    "                                      a label file of the older tagged format, or a\n"
    "                                      current one, written anew as OUT.vlm; prints it\n"
    "  picture FILE [--format CODE] [--rotate DEGREES] [--png OUT.png]\n"
    "                                      decode a picture (format code 0 detect, 1 BMP,\n"
    "                                      2 GIF, 3 JPEG, 4 PNG, 5 TIFF, 6 JPEG-2000) and\n"
    "                                      report its size; --png writes it as drawn\n"
    "  render FILE.vlm PAGE OUT.png [--catalogue FILE] [--zoom N] [--width W --height H]\n"
    "         [--print --dpi D]\n"
    "                                      page PAGE (from 0) as the label view paints\n"
    "                                      it, as PNG: zoom N (1, 2, 4, ...), centred in a\n"
    "                                      W x H client area; --print paints it as printed\n"
    "                                      on a printer of D dpi\n"
    "  view (FILE.vlm | --new TYPE) [--catalogue FILE]\n"
    "                                      a window with the label view over a project, to\n"
    "                                      draw and edit it (needs a display); Ctrl+S saves\n";

struct Options {
    QStringList positional;
    std::optional<QString> catalogue;
    // new
    std::optional<QString> output;
    // picture
    std::optional<QString> format;
    std::optional<QString> rotate;
    std::optional<QString> png;
    // render
    std::optional<QString> zoom;
    std::optional<QString> width;
    std::optional<QString> height;
    std::optional<QString> dpi;
    bool print = false;
    // view
    std::optional<QString> newType;
};

// Splits arguments into positionals and options with a value ("--name VALUE" or
// "--name=VALUE"). Returns an error text on a malformed command line.
QString ParseOptions(const QStringList& args, Options& opts) {
    const struct {
        const char* name;
        std::optional<QString> Options::*field;
        const char* needs;
    } valued[] = {
        {"--catalogue", &Options::catalogue, "a file name"},
        {"-o", &Options::output, "a file name"},
        {"--format", &Options::format, "a format code"},
        {"--rotate", &Options::rotate, "an angle in degrees"},
        {"--png", &Options::png, "a file name"},
        {"--zoom", &Options::zoom, "a power of two"},
        {"--width", &Options::width, "a width in pixels"},
        {"--height", &Options::height, "a height in pixels"},
        {"--dpi", &Options::dpi, "a resolution"},
        {"--new", &Options::newType, "a label type"},
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool matched = false;
        for (const auto& v : valued) {
            const QLatin1String name(v.name);
            if (a == name) {
                if (i + 1 >= args.size())
                    return QStringLiteral("%1 needs %2").arg(name, QLatin1String(v.needs));
                opts.*(v.field) = args[++i];
                matched = true;
            } else if (a.startsWith(QString(name) + QLatin1Char('='))) {
                opts.*(v.field) = a.mid(name.size() + 1);
                matched = true;
            }
            if (matched) break;
        }
        if (matched) continue;
        if (a == QLatin1String("--print")) {
            opts.print = true;
            continue;
        }
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return QStringLiteral("unknown option: %1").arg(a);
        }
        opts.positional << a;
    }
    return {};
}

// The options a command does not take are errors, not silently ignored.
QString RejectOthers(const Options& opts, bool catalogue, bool picture, bool output,
                     bool render, bool view) {
    if (!catalogue && opts.catalogue)
        return QStringLiteral("--catalogue is not an option of this command");
    if (!output && opts.output) return QStringLiteral("-o is only for new");
    if (!picture) {
        if (opts.format) return QStringLiteral("--format is only for picture");
        if (opts.rotate) return QStringLiteral("--rotate is only for picture");
        if (opts.png) return QStringLiteral("--png is only for picture");
    }
    if (opts.newType && !view) return QStringLiteral("--new is only for view");
    if (!render) {
        if (opts.zoom) return QStringLiteral("--zoom is only for render");
        if (opts.width || opts.height) return QStringLiteral("--width and --height are only for render");
        if (opts.print || opts.dpi) return QStringLiteral("--print and --dpi are only for render");
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

// While a command runs, the document's messages (open and save errors) become error lines
// and its questions are declined: the tool never waits for a user.
class CliUi {
public:
    explicit CliUi(QTextStream& err)
        : headless_([&err](const QString& line) { err << "vellumark-cli: " << line << "\n"; }),
          scope_(headless_) {}

private:
    ui::HeadlessUi headless_;
    ui::ScopedUi scope_;
};

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

// A label type as typed on the command line: one digit, 0 to 3.
std::optional<int> ParseLabelType(const QString& typeText, QTextStream& err) {
    bool ok = false;
    const int type = typeText.toInt(&ok);
    if (!ok || type < 0 || type > 3 || typeText.size() != 1) {
        err << "vellumark-cli: bad label type: " << typeText
            << " (0 standard CD, 1 slimline CD, 2 standard DVD, 3 slimline DVD)\n";
        return std::nullopt;
    }
    return type;
}

// A file of the older format is not opened as a label: only convert turns it into one.
bool RefuseLegacy(const QString& path, QTextStream& err) {
    if (!IsLegacyLabelFile(path)) return false;
    err << "vellumark-cli: " << path
        << " is a label of the older tagged format; convert it with: vellumark-cli convert "
        << path << " OUT.vlm\n";
    return true;
}

// A current-format label file opened as the program opens it, with the catalogue it is
// read against. Null after the failure has been reported on err.
struct OpenedLabel {
    explicit OpenedLabel(LabelTemplateCatalogue c, int labelType = 0)
        : catalogue(std::move(c)), context(catalogue, labelType) {}
    LabelTemplateCatalogue catalogue;
    CatalogueLabelContext context;
    CVellumarkDoc doc{context};
};

std::unique_ptr<OpenedLabel> OpenLabel(const Options& opts, const QString& path,
                                       QTextStream& err) {
    auto catalogue = OpenCatalogue(opts, err);
    if (!catalogue) return nullptr;
    if (RefuseLegacy(path, err)) return nullptr;
    auto label = std::make_unique<OpenedLabel>(std::move(*catalogue));
    CliUi prompts(err);
    if (!label->doc.OnOpenDocument(path)) return nullptr;
    return label;
}

// A new project of a label type, its pages made as the program makes them. Null after
// the failure has been reported on err.
std::unique_ptr<OpenedLabel> CreateLabel(const Options& opts, int type, QTextStream& err) {
    auto catalogue = OpenCatalogue(opts, err);
    if (!catalogue) return nullptr;
    auto label = std::make_unique<OpenedLabel>(std::move(*catalogue), type);
    if (!label->doc.CreatePagesForLabelType()) {
        err << "vellumark-cli: the pages of the project could not be created\n";
        return nullptr;
    }
    label->doc.SetModifiedFlag(false);
    return label;
}

int New(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 1) {
        err << "vellumark-cli: new needs one label type (0 to 3)\n";
        return Usage;
    }
    const std::optional<int> parsed = ParseLabelType(opts.positional.front(), err);
    if (!parsed) return Usage;
    const auto label = CreateLabel(opts, *parsed, err);
    if (!label) return Failed;
    CVellumarkDoc& doc = label->doc;
    if (opts.output) {
        CliUi prompts(err);
        if (!doc.OnSaveDocument(*opts.output)) return Failed;
    }
    PrintJson(out, documentjson::DocumentToJson(doc, label->catalogue));
    return Ok;
}

int Info(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 1) {
        err << "vellumark-cli: info needs one label file\n";
        return Usage;
    }
    const auto label = OpenLabel(opts, opts.positional.front(), err);
    if (!label) return Failed;
    PrintJson(out, documentjson::DocumentToJson(label->doc, label->catalogue));
    return Ok;
}

int Convert(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 2) {
        err << "vellumark-cli: convert needs a label file and the file to write\n";
        return Usage;
    }
    const QString& source = opts.positional[0];
    const QString& target = opts.positional[1];
    const auto catalogue = OpenCatalogue(opts, err);
    if (!catalogue) return Failed;
    CatalogueLabelContext context(*catalogue);
    CVellumarkDoc doc(context);
    CliUi prompts(err);
    if (IsLegacyLabelFile(source)) {
        // No dialogue: naming the target on the command line is the consent.
        QString reason;
        if (!ConvertLegacyLabel(source, target, context, &reason)) {
            err << "vellumark-cli: cannot convert " << source << ": " << reason << "\n";
            return Failed;
        }
        if (!doc.OnOpenDocument(target)) return Failed;
    } else {
        if (!doc.OnOpenDocument(source)) return Failed;
        if (!doc.OnSaveDocument(target)) return Failed;
    }
    PrintJson(out, documentjson::DocumentToJson(doc, *catalogue));
    return Ok;
}

int Picture(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 1) {
        err << "vellumark-cli: picture needs one file name\n";
        return Usage;
    }
    int format = Detect;
    if (opts.format) {
        bool ok = false;
        format = opts.format->toInt(&ok);
        if (!ok || format < Detect || format > Jpeg2000) {
            err << "vellumark-cli: bad format code: " << *opts.format << " (0 to 6)\n";
            return Usage;
        }
    }
    double angle = 0.0;
    if (opts.rotate) {
        bool ok = false;
        angle = opts.rotate->toDouble(&ok);
        if (!ok || !std::isfinite(angle)) {
            err << "vellumark-cli: bad angle: " << *opts.rotate << "\n";
            return Usage;
        }
    }
    const QString& path = opts.positional.front();
    ImageCodec codec(path, format);
    if (codec.IsValid() && opts.rotate && !codec.Rotate(angle)) {
        err << "vellumark-cli: the picture could not be turned: "
            << QString::fromStdString(codec.LastError()) << "\n";
        return Failed;
    }
    QJsonObject result;
    result[QStringLiteral("valid")] = codec.IsValid();
    result[QStringLiteral("width")] = static_cast<qint64>(codec.Width());
    result[QStringLiteral("height")] = static_cast<qint64>(codec.Height());
    result[QStringLiteral("error")] = QString::fromStdString(codec.LastError());
    PrintJson(out, result);
    if (!codec.IsValid()) {
        err << "vellumark-cli: not a picture: " << path << " ("
            << QString::fromStdString(codec.LastError()) << ")\n";
        return Failed;
    }
    if (opts.png) {
        // What drawing shows at natural size, on white paper.
        QImage surface(static_cast<int>(codec.Width()), static_cast<int>(codec.Height()),
                       QImage::Format_RGB32);
        if (surface.isNull()) {
            err << "vellumark-cli: the picture is too large to render\n";
            return Failed;
        }
        surface.fill(Qt::white);
        {
            DeviceContext dc(surface);
            codec.DrawInRect(
                &dc, {0, 0, static_cast<int>(codec.Width()), static_cast<int>(codec.Height())});
        }
        QImageWriter writer(*opts.png, "png");
        if (!writer.write(surface)) {
            err << "vellumark-cli: cannot write " << *opts.png << ": " << writer.errorString()
                << "\n";
            return Failed;
        }
    }
    return Ok;
}

// A whole number from lo to hi, or nothing.
std::optional<int> ParseBounded(const QString& text, int lo, int hi) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return std::nullopt;
    return v;
}

int View(const Options& opts, QTextStream& err) {
    if (opts.positional.size() + (opts.newType ? 1 : 0) != 1) {
        err << "vellumark-cli: view needs one label file, or --new and a label type\n";
        return Usage;
    }
    std::optional<int> type;
    if (opts.newType && !(type = ParseLabelType(*opts.newType, err))) return Usage;
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        err << "vellumark-cli: view needs a display, not the offscreen platform\n";
        return Failed;
    }
    if (type) {
        const auto label = CreateLabel(opts, *type, err);
        if (!label) return Failed;
        return RunViewHost(label->doc, QString());
    }
    const QString path = opts.positional.front();
    const auto label = OpenLabel(opts, path, err);
    if (!label) return Failed;
    return RunViewHost(label->doc, path);
}

int Render(const Options& opts, QTextStream& out, QTextStream& err) {
    if (opts.positional.size() != 3) {
        err << "vellumark-cli: render needs a label file, a page number and the PNG to write\n";
        return Usage;
    }
    const QString& path = opts.positional[0];
    const QString& target = opts.positional[2];
    const auto pageIndex = ParseBounded(opts.positional[1], 0, CVellumarkDoc::kMaxPages - 1);
    if (!pageIndex) {
        err << "vellumark-cli: bad page number: " << opts.positional[1] << " (0 is the first)\n";
        return Usage;
    }
    int zoom = 1;
    if (opts.zoom) {
        const auto z = ParseBounded(*opts.zoom, 1, 64);
        if (!z || (*z & (*z - 1)) != 0) {
            err << "vellumark-cli: bad zoom: " << *opts.zoom << " (1, 2, 4, ... 64)\n";
            return Usage;
        }
        zoom = *z;
    }
    std::optional<int> width, height, dpi;
    if (opts.width && !(width = ParseBounded(*opts.width, 1, 100000))) {
        err << "vellumark-cli: bad width: " << *opts.width << "\n";
        return Usage;
    }
    if (opts.height && !(height = ParseBounded(*opts.height, 1, 100000))) {
        err << "vellumark-cli: bad height: " << *opts.height << "\n";
        return Usage;
    }
    if (opts.print) {
        if (!opts.dpi) {
            err << "vellumark-cli: --print needs --dpi\n";
            return Usage;
        }
        if (!(dpi = ParseBounded(*opts.dpi, 1, 9600))) {
            err << "vellumark-cli: bad resolution: " << *opts.dpi << " (1 to 9600 dpi)\n";
            return Usage;
        }
        // A print render has its own scale and no client area.
        if (opts.zoom || opts.width || opts.height) {
            err << "vellumark-cli: --zoom, --width and --height do not apply with --print\n";
            return Usage;
        }
    } else if (opts.dpi) {
        err << "vellumark-cli: --dpi is only for --print\n";
        return Usage;
    }

    const auto label = OpenLabel(opts, path, err);
    if (!label) return Failed;
    CVellumarkDoc& doc = label->doc;
    const int pages = static_cast<int>(doc.Pages().size());
    if (*pageIndex >= pages) {
        err << "vellumark-cli: " << path << " has no page " << *pageIndex << " (it has " << pages
            << (pages == 1 ? " page)\n" : " pages)\n");
        return Failed;
    }

    // As the program shows a page: bound to the view, then switched to.
    CVellumarkView view(&doc);
    view.OnInitialUpdate();
    view.SwitchToPage(*pageIndex);
    QImage image;
    if (dpi) {
        const PrintRender plan = ComputePrintRender(*view.page, *dpi, *dpi);
        view.printMetrics = plan.printMetrics;
        view.printScaleExponent = plan.printScaleExponent;
        view.hideSelection = true;
        view.printMode = true;
        image = view.Render(*dpi);
        view.printMode = false;
        view.hideSelection = false;
    } else {
        for (int z = zoom; z > 1; z /= 2) view.ZoomIn();
        view.SetClientSize(width.value_or(view.metrics.width), height.value_or(view.metrics.height));
        image = view.Render();
    }
    if (image.isNull()) {
        err << "vellumark-cli: page " << *pageIndex << " is empty or too large to render\n";
        return Failed;
    }
    QImageWriter writer(target, "png");
    if (!writer.write(image)) {
        err << "vellumark-cli: cannot write " << target << ": " << writer.errorString() << "\n";
        return Failed;
    }
    QJsonObject result;
    result[QStringLiteral("page")] = *pageIndex;
    result[QStringLiteral("coverSide")] = static_cast<int>(view.page->coverSide);
    result[QStringLiteral("width")] = image.width();
    result[QStringLiteral("height")] = image.height();
    result[QStringLiteral("zoom")] = dpi ? (1 << view.printScaleExponent) : zoom;
    if (dpi) result[QStringLiteral("printScaleExponent")] = view.printScaleExponent;
    PrintJson(out, result);
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
    const bool known = command == QLatin1String("templates") || command == QLatin1String("new") ||
                       command == QLatin1String("picture") || command == QLatin1String("info") ||
                       command == QLatin1String("convert") || command == QLatin1String("render") ||
                       command == QLatin1String("view");
    if (known) {
        const bool picture = command == QLatin1String("picture");
        const QString misplaced =
            RejectOthers(opts, !picture, picture, command == QLatin1String("new"),
                         command == QLatin1String("render"), command == QLatin1String("view"));
        if (!misplaced.isEmpty()) {
            err << "vellumark-cli: " << misplaced << "\n";
            return Usage;
        }
    }
    if (command == QLatin1String("templates")) return Templates(opts, out, err);
    if (command == QLatin1String("new")) return New(opts, out, err);
    if (command == QLatin1String("picture")) return Picture(opts, out, err);
    if (command == QLatin1String("info")) return Info(opts, out, err);
    if (command == QLatin1String("convert")) return Convert(opts, out, err);
    if (command == QLatin1String("render")) return Render(opts, out, err);
    if (command == QLatin1String("view")) return View(opts, err);
    err << "vellumark-cli: unknown command: " << command << " (try --help)\n";
    return Usage;
}

} // namespace cli
