// The batch tool, driven as a separate process the way scripts use it.
#include "TestSupport.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

Result RunCli(const QStringList& args, bool desktopSession = true) {
    QProcess p;
    if (!desktopSession) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(VM_CLI_PATH), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

const QString kFixture = testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"));

} // namespace

TEST(Cli, TemplatesListsTheCatalogueInOrder) {
    const Result r = RunCli({QStringLiteral("templates"), QStringLiteral("--catalogue"), kFixture});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray list = r.json()[QStringLiteral("templates")].toArray();
    ASSERT_EQ(list.size(), 7);
    const QJsonObject cd = list[1].toObject();
    EXPECT_EQ(cd[QStringLiteral("id")].toInt(), 2);
    EXPECT_EQ(cd[QStringLiteral("friendlyName")].toString(), QStringLiteral("CD front and back"));
    EXPECT_DOUBLE_EQ(cd[QStringLiteral("userWidth1")].toDouble(), 120.65);
    EXPECT_DOUBLE_EQ(cd[QStringLiteral("spineWidth2")].toDouble(), 6.5);
    EXPECT_EQ(cd.size(), 51); // every template field
}

TEST(Cli, NewStandardCdHasDiscBackAndFrontWithTheirDesignSizes) {
    const Result r = RunCli({QStringLiteral("new"), QStringLiteral("0"),
                             QStringLiteral("--catalogue=") + kFixture});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray pages = r.json()[QStringLiteral("pages")].toArray();
    ASSERT_EQ(pages.size(), 3);
    struct Expect {
        int side, templateId, width, height;
    } expected[] = {{5, 1, 442, 442}, {1, 2, 460, 362}, {0, 2, 375, 375}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject page = pages[i].toObject();
        const QJsonObject design = page[QStringLiteral("design")].toObject();
        EXPECT_EQ(page[QStringLiteral("coverSide")].toInt(), expected[i].side);
        EXPECT_EQ(page[QStringLiteral("templateId")].toInt(), expected[i].templateId);
        EXPECT_EQ(page[QStringLiteral("labelType")].toInt(), 0);
        EXPECT_EQ(page[QStringLiteral("trackListIndex")].toInt(), -1);
        EXPECT_EQ(page[QStringLiteral("backgroundColor")].toInt(), 0xFFFFFF);
        EXPECT_EQ(design[QStringLiteral("width")].toInt(), expected[i].width);
        EXPECT_EQ(design[QStringLiteral("height")].toInt(), expected[i].height);
        EXPECT_TRUE(page[QStringLiteral("items")].toArray().isEmpty());
    }
    EXPECT_EQ(pages[1].toObject()[QStringLiteral("design")].toObject()[QStringLiteral("spineWidth")].toInt(), 19);
}

TEST(Cli, ViewWithoutADisplayFailsWithOneLineInsteadOfAborting) {
    const Result r = RunCli({QStringLiteral("view"), QStringLiteral("--new"), QStringLiteral("0")},
                            false);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("needs a display")) << r.err.toStdString();
}

TEST(Cli, NewUsesTheShippedCatalogueByDefaultWithoutADisplay) {
    const Result r = RunCli({QStringLiteral("new"), QStringLiteral("2")}, false);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString(); // stderr is for errors only
    const QJsonArray pages = r.json()[QStringLiteral("pages")].toArray();
    ASSERT_EQ(pages.size(), 2);
    const QJsonObject wrap = pages[1].toObject()[QStringLiteral("design")].toObject();
    EXPECT_EQ(wrap[QStringLiteral("width")].toInt(), 480);
    EXPECT_EQ(wrap[QStringLiteral("height")].toInt(), 320);
}

TEST(Cli, BadCommandLinesFailWithOneLine) {
    QTemporaryDir dir;
    struct Case {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{QStringLiteral("frobnicate")}, 2, "unknown command"},
        {{}, 2, "usage"},
        {{QStringLiteral("new"), QStringLiteral("4")}, 2, "bad label type"},
        {{QStringLiteral("new"), QStringLiteral("-1")}, 2, "unknown option"},
        {{QStringLiteral("new"), QStringLiteral("01")}, 2, "bad label type"},
        {{QStringLiteral("new")}, 2, "one label type"},
        {{QStringLiteral("templates"), QStringLiteral("--catalogue")}, 2, "needs a file"},
        {{QStringLiteral("templates"), QStringLiteral("--catalogue"), dir.filePath("none.ani")},
         1, "not found"},
        {{QStringLiteral("new"), QStringLiteral("1"), QStringLiteral("--catalogue"), dir.path()},
         1, "cannot read"},
        {{QStringLiteral("new"), QStringLiteral("0"), QStringLiteral("-o")}, 2, "needs a file name"},
        {{QStringLiteral("info")}, 2, "one label file"},
        {{QStringLiteral("info"), QStringLiteral("a.vlm"), QStringLiteral("-o"), QStringLiteral("b.vlm")},
         2, "only for new"},
        {{QStringLiteral("convert"), QStringLiteral("a.vlm")}, 2, "the file to write"},
        {{QStringLiteral("info"), dir.filePath("none.vlm"), QStringLiteral("--catalogue"),
          dir.filePath("none.ani")},
         1, "not found"},
        {{QStringLiteral("view")}, 2, "one label file, or --new"},
        {{QStringLiteral("view"), QStringLiteral("--new"), QStringLiteral("7")}, 2, "bad label type"},
        {{QStringLiteral("info"), QStringLiteral("a.vlm"), QStringLiteral("--new"), QStringLiteral("1")},
         2, "only for view"},
        // The window needs a display: the tests' offscreen platform has none to show it on.
        {{QStringLiteral("view"), QStringLiteral("--new"), QStringLiteral("1")}, 1, "needs a display"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        if (c.status == 1) {
            EXPECT_EQ(r.err.count(QByteArrayLiteral("\n")), 1);
        }
    }
}

namespace {

// A 3 x 2 PNG: opaque red, half-transparent blue, then a row of opaque green.
QString WritePicture(const QTemporaryDir& dir, const QString& name) {
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(qRgba(0, 255, 0, 255));
    img.setPixel(0, 0, qRgba(255, 0, 0, 255));
    img.setPixel(1, 0, qRgba(0, 0, 255, 128));
    img.setPixel(2, 0, qRgba(0, 0, 0, 0));
    const QString path = dir.filePath(name);
    img.save(path, "PNG");
    return path;
}

} // namespace

TEST(CliPicture, ReportsTheSizeAndWritesWhatDrawingShowsOnWhite) {
    QTemporaryDir dir;
    const QString picture = WritePicture(dir, QStringLiteral("p.png"));
    const QString out = dir.filePath(QStringLiteral("out.png"));
    const Result r = RunCli({QStringLiteral("picture"), picture, QStringLiteral("--png"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QJsonObject json = r.json();
    EXPECT_EQ(json[QStringLiteral("valid")].toBool(), true);
    EXPECT_EQ(json[QStringLiteral("width")].toInt(), 3);
    EXPECT_EQ(json[QStringLiteral("height")].toInt(), 2);
    EXPECT_EQ(json[QStringLiteral("error")].toString(), QString());
    const QImage drawn(out);
    ASSERT_EQ(drawn.size(), QSize(3, 2));
    EXPECT_EQ(drawn.pixel(0, 0) | 0xff000000u, qRgb(255, 0, 0));
    // Half-transparent blue over white: (255 x 127 + 0 x 128) / 256 and (255 x 127 + 255 x 128) / 256.
    EXPECT_EQ(drawn.pixel(1, 0) | 0xff000000u, qRgb(126, 126, 254));
    EXPECT_EQ(drawn.pixel(2, 0) | 0xff000000u, qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(1, 1) | 0xff000000u, qRgb(0, 255, 0));
}

TEST(CliPicture, FormatAndRotateOptions) {
    QTemporaryDir dir;
    const QString picture = WritePicture(dir, QStringLiteral("p.jpg"));
    const QString out = dir.filePath(QStringLiteral("turned.png"));
    // Named and coded as JPEG, the PNG is still found by its content; a quarter turn is exact.
    const Result r = RunCli({QStringLiteral("picture"), picture, QStringLiteral("--format=3"),
                             QStringLiteral("--rotate"), QStringLiteral("-90"), QStringLiteral("--png"), out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.json()[QStringLiteral("width")].toInt(), 2);
    EXPECT_EQ(r.json()[QStringLiteral("height")].toInt(), 3);
    const QImage drawn(out);
    ASSERT_EQ(drawn.size(), QSize(2, 3));
    EXPECT_EQ(drawn.pixel(0, 2) | 0xff000000u, qRgb(255, 0, 0)); // top-left went to bottom-left
}

TEST(CliPicture, SomethingElseIsNotAPicture) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    testsupport::WriteAll(text, "no picture here\n");
    const QString out = dir.filePath(QStringLiteral("never.png"));
    for (const QString& path : {text, dir.filePath(QStringLiteral("missing.png"))}) {
        const Result r = RunCli({QStringLiteral("picture"), path, QStringLiteral("--png"), out});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.json()[QStringLiteral("valid")].toBool(), false);
        EXPECT_EQ(r.json()[QStringLiteral("width")].toInt(), 0);
        EXPECT_FALSE(r.json()[QStringLiteral("error")].toString().isEmpty());
        EXPECT_EQ(r.err.count(QByteArrayLiteral("\n")), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("not a picture"));
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(CliPicture, BadCommandLinesAreUsageErrors) {
    const QString p = QStringLiteral("picture");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{p}, "one file name"},
        {{p, QStringLiteral("a.png"), QStringLiteral("b.png")}, "one file name"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--format"), QStringLiteral("7")}, "bad format code"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--format=png")}, "bad format code"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--rotate"), QStringLiteral("left")}, "bad angle"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--rotate=nan")}, "bad angle"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--png")}, "needs a file name"},
        {{p, QStringLiteral("a.png"), QStringLiteral("--catalogue"), QStringLiteral("x.ani")}, "not an option"},
        {{QStringLiteral("new"), QStringLiteral("0"), QStringLiteral("--rotate"), QStringLiteral("90")},
         "only for picture"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count(QByteArrayLiteral("\n")), 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

namespace {

QStringList WithCatalogue(QStringList args) { return args << QStringLiteral("--catalogue") << kFixture; }

QString Legacy(const char* name) { return testsupport::DataPath(QStringLiteral("legacy/") + name); }

const char* const kOpenError = "File open error. File does not appear to be a valid label file.";

} // namespace

TEST(CliLabelFiles, NewWritesTheProjectThatInfoReadsBack) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("slim.vlm"));
    const Result made = RunCli(WithCatalogue({QStringLiteral("new"), QStringLiteral("1"), QStringLiteral("-o"), out}));
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.isEmpty());
    // Two empty pages: the count, then a block and an item count each.
    EXPECT_EQ(QFile(out).size(), 4 + 2 * 140);
    const Result info = RunCli(WithCatalogue({QStringLiteral("info"), out}));
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_EQ(info.json(), made.json());
    EXPECT_EQ(info.json()[QStringLiteral("pages")].toArray().size(), 2);
}

TEST(CliLabelFiles, ConvertTurnsAnOlderFileIntoOneThatOpens) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("converted.vlm"));
    const Result converted = RunCli(WithCatalogue({QStringLiteral("convert"), Legacy("standard-cd.legacy"), out}));
    ASSERT_EQ(converted.status, 0) << converted.err.toStdString();
    EXPECT_TRUE(converted.err.isEmpty());
    const QJsonArray pages = converted.json()[QStringLiteral("pages")].toArray();
    ASSERT_EQ(pages.size(), 3);
    const QJsonArray back = pages[1].toObject()[QStringLiteral("items")].toArray();
    EXPECT_GE(back.size(), 5); // picture, title, two spine texts, listing
    EXPECT_EQ(pages[1].toObject()[QStringLiteral("spineTextsCreated")].toInt(), 1);
    EXPECT_EQ(RunCli(WithCatalogue({QStringLiteral("info"), out})).json(), converted.json());

    // A current file is read and written again unchanged.
    const QString again = dir.filePath(QStringLiteral("again.vlm"));
    const Result rewritten = RunCli(WithCatalogue({QStringLiteral("convert"), out, again}));
    ASSERT_EQ(rewritten.status, 0) << rewritten.err.toStdString();
    EXPECT_EQ(testsupport::ReadAll(again), testsupport::ReadAll(out));
    EXPECT_EQ(rewritten.json(), converted.json());

    // info does not take an older file for a label.
    const Result older = RunCli({QStringLiteral("info"), Legacy("dvd.legacy")});
    EXPECT_EQ(older.status, 1);
    EXPECT_TRUE(older.out.isEmpty());
    EXPECT_TRUE(older.err.contains("convert")) << older.err.toStdString();
}

TEST(CliLabelFiles, DamagedFilesAreTheOpenErrorAndConvertWritesNothing) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.vlm"));
    ASSERT_EQ(RunCli(WithCatalogue({QStringLiteral("new"), QStringLiteral("0"), QStringLiteral("-o"), good})).status, 0);
    const QString cut = dir.filePath(QStringLiteral("cut.vlm"));
    testsupport::WriteAll(cut, testsupport::ReadAll(good).left(200));
    const QString existing = dir.filePath(QStringLiteral("existing.vlm"));
    testsupport::WriteAll(existing, "keep me");
    const QString fresh = dir.filePath(QStringLiteral("fresh.vlm"));

    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {WithCatalogue({QStringLiteral("info"), cut}), kOpenError},
        {WithCatalogue({QStringLiteral("convert"), cut, fresh}), kOpenError},
        {WithCatalogue({QStringLiteral("convert"), cut, existing}), kOpenError},
        // Without its [END] an older file is not recognised, and is no label either.
        {WithCatalogue({QStringLiteral("convert"), Legacy("no-end.legacy"), fresh}), kOpenError},
        {WithCatalogue({QStringLiteral("info"), dir.filePath(QStringLiteral("missing.vlm"))}), "Cannot open"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QByteArrayLiteral("\n")), 1) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(fresh));
        EXPECT_EQ(testsupport::ReadAll(existing), QByteArray("keep me"));
    }
}

TEST(CliRender, WritesThePageAsTheViewPaintsIt) {
    QTemporaryDir dir;
    const QString label = dir.filePath(QStringLiteral("cd.vlm"));
    ASSERT_EQ(RunCli(WithCatalogue({QStringLiteral("new"), QStringLiteral("0"), QStringLiteral("-o"), label})).status, 0);
    const QJsonObject back = RunCli(WithCatalogue({QStringLiteral("info"), label}))
                                 .json()[QStringLiteral("pages")].toArray()[1].toObject()[QStringLiteral("design")].toObject();
    const int W = back[QStringLiteral("width")].toInt(), H = back[QStringLiteral("height")].toInt();
    ASSERT_GT(W, 0);
    const QString png = dir.filePath(QStringLiteral("page.png"));

    const struct {
        QStringList extra;
        QSize size;
    } cases[] = {
        {{}, QSize(W, H)},
        {{QStringLiteral("--zoom"), QStringLiteral("2")}, QSize(2 * W, 2 * H)},
        {{QStringLiteral("--width"), QString::number(W + 40), QStringLiteral("--height"), QString::number(H / 2)},
         QSize(W + 40, H)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra.join(' ').toStdString());
        QFile::remove(png);
        const Result r = RunCli(WithCatalogue(QStringList{QStringLiteral("render"), label, QStringLiteral("1"), png} + c.extra));
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QImage img(png);
        EXPECT_EQ(img.size(), c.size);
        EXPECT_EQ(r.json()[QStringLiteral("width")].toInt(), c.size.width());
        EXPECT_EQ(r.json()[QStringLiteral("coverSide")].toInt(), 1);
    }
    // The centring margin shows the outside colour.
    EXPECT_EQ(QImage(png).pixel(5, 5), qRgb(225, 225, 253));

    // Print mode: the bitmap the print job sends to a 600 dpi printer, on white paper.
    const Result printed = RunCli(WithCatalogue({QStringLiteral("render"), label, QStringLiteral("0"), png,
                                                 QStringLiteral("--print"), QStringLiteral("--dpi"), QStringLiteral("600")}));
    ASSERT_EQ(printed.status, 0) << printed.err.toStdString();
    const QImage disc(png);
    EXPECT_GT(printed.json()[QStringLiteral("printScaleExponent")].toInt(), 0);
    EXPECT_EQ(disc.width(), printed.json()[QStringLiteral("width")].toInt());
    EXPECT_EQ(disc.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(disc.pixel(disc.width() / 2, disc.height() / 2), qRgb(255, 255, 255));
}

TEST(CliRender, BadCommandLinesAndDamagedFiles) {
    QTemporaryDir dir;
    const QString label = dir.filePath(QStringLiteral("cd.vlm"));
    ASSERT_EQ(RunCli(WithCatalogue({QStringLiteral("new"), QStringLiteral("0"), QStringLiteral("-o"), label})).status, 0);
    const QString cut = dir.filePath(QStringLiteral("cut.vlm"));
    testsupport::WriteAll(cut, testsupport::ReadAll(label).left(200));
    const QString png = dir.filePath(QStringLiteral("out.png"));
    const QString r = QStringLiteral("render");
    const struct {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{r, label, QStringLiteral("0")}, 2, "render needs"},
        {{r, label, QStringLiteral("x"), png}, 2, "bad page number"},
        {{r, label, QStringLiteral("0"), png, QStringLiteral("--zoom"), QStringLiteral("3")}, 2, "bad zoom"},
        {{r, label, QStringLiteral("0"), png, QStringLiteral("--print")}, 2, "--print needs --dpi"},
        {{r, label, QStringLiteral("0"), png, QStringLiteral("--dpi"), QStringLiteral("300")}, 2, "only for --print"},
        {{r, label, QStringLiteral("0"), png, QStringLiteral("--width"), QStringLiteral("-5")}, 2, "bad width"},
        {{QStringLiteral("info"), label, QStringLiteral("--zoom"), QStringLiteral("2")}, 2, "only for render"},
        {WithCatalogue({r, label, QStringLiteral("3"), png}), 1, "has no page 3"},
        {WithCatalogue({r, cut, QStringLiteral("0"), png}), 1, kOpenError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result res = RunCli(c.args);
        EXPECT_EQ(res.status, c.status);
        EXPECT_TRUE(res.out.isEmpty());
        EXPECT_TRUE(res.err.contains(c.message)) << res.err.toStdString();
        EXPECT_FALSE(QFile::exists(png));
    }
}
