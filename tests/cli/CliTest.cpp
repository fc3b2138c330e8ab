// The batch tool, driven as a separate process the way scripts use it.
#include "TestSupport.h"

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
