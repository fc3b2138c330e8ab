#include "LabelTemplateCatalogue.h"
#include "ProfileFile.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

using testsupport::DataPath;

namespace {

// A writable copy of a fixture or of literal text.
struct TempCatalogue {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("lbl.ani"));
    explicit TempCatalogue(const QByteArray& text) { testsupport::WriteAll(path, text); }
    static TempCatalogue FromFixture(const QString& name) {
        return TempCatalogue(testsupport::ReadAll(DataPath(name)));
    }
};

} // namespace

TEST(Catalogue, LoadsSectionsInOrderUntilTheFirstGap) {
    const LabelTemplateCatalogue cat(DataPath(QStringLiteral("catalogue/defaults.ani")));
    ASSERT_EQ(cat.Templates().size(), 7u); // LABEL9 lies behind the missing LABEL8
    EXPECT_EQ(cat.Templates()[0].id, 1);
    EXPECT_EQ(cat.Templates()[4].id, 5);
    EXPECT_EQ(cat.FindById(9).id, 0);

    const LabelTemplate cd = cat.FindById(2);
    EXPECT_EQ(cd.friendlyName, QStringLiteral("CD front and back"));
    EXPECT_EQ(cd.type1, 0);
    EXPECT_EQ(cd.type2, 1);
    EXPECT_DOUBLE_EQ(cd.userWidth1, 120.65);
    EXPECT_DOUBLE_EQ(cd.spineWidth2, 6.5);
    EXPECT_DOUBLE_EQ(cd.holeWidth1, 0.0); // missing key
}

TEST(Catalogue, KeysAreCaseInsensitiveAndConvertLikeTheCLibrary) {
    const LabelTemplateCatalogue cat(DataPath(QStringLiteral("catalogue/defaults.ani")));
    const LabelTemplate t = cat.FindById(42); // "  42xyz"
    EXPECT_EQ(t.friendlyName, QStringLiteral("Two discs"));
    EXPECT_EQ(t.type1, 5);
    EXPECT_EQ(t.type2, 5);
    EXPECT_EQ(t.isDirectToDisc, 0);          // 0.9 truncates
    EXPECT_EQ(t.showInsertPaperScreen, -1);  // still true
    EXPECT_DOUBLE_EQ(t.userWidth1, 120.456);

    const LabelTemplate noId = cat.FindById(0);
    EXPECT_EQ(noId.friendlyName, QStringLiteral("No id at all"));
}

TEST(Catalogue, ValueConversionTable) {
    struct IntCase {
        const char* text;
        int value;
    } ints[] = {{"", 0},       {"12", 12},        {"  7", 7},       {"\t-3", -3},  {"+4", 4},
                {"12abc", 12}, {"abc", 0},         {"3.9", 3},       {"- 3", 0},
                {"99999999999", 2147483647},       {"-99999999999", -2147483647 - 1}};
    for (const auto& c : ints)
        EXPECT_EQ(LabelTemplateCatalogue::ParseInt(QString::fromLatin1(c.text)), c.value) << c.text;

    struct RealCase {
        const char* text;
        double value;
    } reals[] = {{"", 0.0},      {"120.65", 120.65}, {" -2.5e1x", -25.0}, {"1,5", 1.0},
                 {".5", 0.5},    {"abc", 0.0},       {"7", 7.0}};
    for (const auto& c : reals)
        EXPECT_DOUBLE_EQ(LabelTemplateCatalogue::ParseDouble(QString::fromLatin1(c.text)), c.value)
            << c.text;

    EXPECT_EQ(LabelTemplateCatalogue::FormatUserValue(120.456), QStringLiteral("120.46"));
    EXPECT_EQ(LabelTemplateCatalogue::FormatUserValue(0.0), QStringLiteral("0.00"));
    EXPECT_EQ(LabelTemplateCatalogue::FormatUserValue(-1.5), QStringLiteral("-1.50"));
}

TEST(Catalogue, DecimalPointDoesNotFollowTheUserLocale) {
    // A German desktop must not turn 120.65 into 120. Machines often carry no such locale,
    // so build one into a private folder when the locale sources are there.
    QTemporaryDir localeDir;
    if (QFileInfo::exists(QStringLiteral("/usr/share/i18n/locales/de_DE"))) {
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), localeDir.filePath(QStringLiteral("de_DE.UTF-8"))});
        qputenv("LOCPATH", QFile::encodeName(localeDir.path()));
    }
    const char* previous = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale";
    ASSERT_EQ(atof("1.5"), 1.0); // the C library itself now reads a comma
    EXPECT_DOUBLE_EQ(LabelTemplateCatalogue::ParseDouble(QStringLiteral("120.65")), 120.65);
    EXPECT_EQ(LabelTemplateCatalogue::FormatUserValue(1.25), QStringLiteral("1.25"));
    setlocale(LC_NUMERIC, saved.c_str());
    qunsetenv("LOCPATH");
}

TEST(Catalogue, EmptyOrMissingSectionsEndTheCatalogue) {
    TempCatalogue emptySecond("[LABEL1]\nDONTCHANGETHISID=1\n[LABEL2]\n[LABEL3]\nDONTCHANGETHISID=3\n");
    EXPECT_EQ(LabelTemplateCatalogue(emptySecond.path).Templates().size(), 1u);

    TempCatalogue noFirst("[LABEL2]\nDONTCHANGETHISID=2\n");
    EXPECT_TRUE(LabelTemplateCatalogue(noFirst.path).Templates().empty());

    QTemporaryDir dir;
    const LabelTemplateCatalogue missing(dir.filePath(QStringLiteral("absent.ani")));
    EXPECT_TRUE(missing.Templates().empty());
    EXPECT_EQ(missing.FindById(1), LabelTemplate{});
}

TEST(Catalogue, LongValuesAreCutTo254Characters) {
    const QByteArray name(300, 'n');
    TempCatalogue cat("[LABEL1]\nDONTCHANGETHISID=1\nFriendlyName=" + name + "\n");
    EXPECT_EQ(LabelTemplateCatalogue(cat.path).FindById(1).friendlyName.size(), 254);
}

TEST(Catalogue, DuplicateIdsUseTheFirstTemplate) {
    TempCatalogue file("[LABEL1]\nDONTCHANGETHISID=7\nFriendlyName=First\nType1=5\nType2=5\n"
                       "[LABEL2]\nDONTCHANGETHISID=7\nFriendlyName=Second\nType1=5\nType2=5\n");
    LabelTemplateCatalogue cat(file.path);
    EXPECT_EQ(cat.FindById(7).friendlyName, QStringLiteral("First"));
    EXPECT_EQ(cat.TemplatesForSide(5).size(), 2u);

    LabelTemplate t = cat.FindById(7);
    t.userWidth1 = 99.0;
    ASSERT_TRUE(cat.SaveUserDimensions(t));
    EXPECT_DOUBLE_EQ(cat.Templates()[0].userWidth1, 99.0);
    EXPECT_DOUBLE_EQ(cat.Templates()[1].userWidth1, 0.0);
}

TEST(Catalogue, TemplatesForSideMatchEitherLabel) {
    const LabelTemplateCatalogue cat(DataPath(QStringLiteral("catalogue/defaults.ani")));
    auto ids = [&](int side) {
        std::vector<int> out;
        for (const auto& t : cat.TemplatesForSide(side)) out.push_back(t.id);
        return out;
    };
    EXPECT_EQ(ids(0), std::vector<int>{2});
    EXPECT_EQ(ids(1), std::vector<int>{2});
    EXPECT_EQ(ids(5), (std::vector<int>{1, 42, 0}));
    EXPECT_TRUE(ids(6).empty());
}

TEST(Catalogue, SavedUserDimensionsKeepTwoDecimalsAndTheRestOfTheFile) {
    auto file = TempCatalogue::FromFixture(QStringLiteral("catalogue/defaults.ani"));
    LabelTemplateCatalogue cat(file.path);
    LabelTemplate t = cat.FindById(42);
    EXPECT_DOUBLE_EQ(t.userWidth1, 120.456);
    t.userPositionX2 = 10.004;
    t.friendlyName = QStringLiteral("not saved");
    ASSERT_TRUE(cat.SaveUserDimensions(t));

    const LabelTemplate reread = cat.FindById(42);
    EXPECT_DOUBLE_EQ(reread.userWidth1, 120.46);
    EXPECT_DOUBLE_EQ(reread.userPositionX2, 10.0);
    EXPECT_EQ(reread.friendlyName, QStringLiteral("Two discs"));
    const ProfileFile ini(file.path);
    EXPECT_EQ(ini.GetString(QStringLiteral("LABEL6"), QStringLiteral("UserWidth1")),
              QStringLiteral("120.46"));
    EXPECT_EQ(ini.GetString(QStringLiteral("LABEL6"), QStringLiteral("UserHoleWidth1")),
              QStringLiteral("0.00"));
    // Other sections are untouched.
    EXPECT_EQ(cat.Templates().size(), 7u);
    EXPECT_EQ(cat.FindById(2), LabelTemplateCatalogue(DataPath(QStringLiteral("catalogue/defaults.ani"))).FindById(2));
}

TEST(Catalogue, SavingAnUnknownIdWritesNothing) {
    auto file = TempCatalogue::FromFixture(QStringLiteral("catalogue/defaults.ani"));
    const QByteArray before = testsupport::ReadAll(file.path);
    LabelTemplateCatalogue cat(file.path);
    LabelTemplate t;
    t.id = 1234;
    EXPECT_FALSE(cat.SaveUserDimensions(t));
    EXPECT_EQ(testsupport::ReadAll(file.path), before);
    EXPECT_EQ(cat.Templates().size(), 7u);
}

TEST(Catalogue, AFailedSaveIsReportedAndKeepsTheFile) {
    auto file = TempCatalogue::FromFixture(QStringLiteral("catalogue/defaults.ani"));
    const QByteArray before = testsupport::ReadAll(file.path);
    LabelTemplateCatalogue cat(file.path);
    LabelTemplate t = cat.FindById(1);
    t.userWidth1 = 50.0;

    bool savedOk = true;
    ASSERT_TRUE(testsupport::WithFileSizeLimit(64, [&] { savedOk = cat.SaveUserDimensions(t); }));

    EXPECT_FALSE(savedOk);
    EXPECT_EQ(testsupport::ReadAll(file.path), before);
    EXPECT_DOUBLE_EQ(cat.FindById(1).userWidth1, 118.0);
}

TEST(Catalogue, ResetRestoresFactoryValues) {
    auto file = TempCatalogue::FromFixture(QStringLiteral("catalogue/defaults.ani"));
    LabelTemplateCatalogue cat(file.path);
    LabelTemplate t = cat.FindById(2);
    t.userWidth2 = 151.0;
    t.userPositionY1 = 3.0;
    ASSERT_TRUE(cat.SaveUserDimensions(t));
    ASSERT_DOUBLE_EQ(cat.FindById(2).userWidth2, 151.0);

    ASSERT_TRUE(cat.ResetUserDimensions(2));
    const LabelTemplate reset = cat.FindById(2);
    EXPECT_DOUBLE_EQ(reset.userWidth2, 150.0);
    EXPECT_DOUBLE_EQ(reset.userPositionY1, 15.0);
    EXPECT_DOUBLE_EQ(reset.userWidth1, 120.65);
    EXPECT_FALSE(cat.ResetUserDimensions(777));
}

TEST(Catalogue, CopiesAreIndependent) {
    auto file = TempCatalogue::FromFixture(QStringLiteral("catalogue/defaults.ani"));
    LabelTemplateCatalogue cat(file.path);
    LabelTemplateCatalogue copy(cat);
    LabelTemplate t = cat.FindById(1);
    t.userWidth1 = 117.0;
    ASSERT_TRUE(cat.SaveUserDimensions(t));
    EXPECT_DOUBLE_EQ(cat.FindById(1).userWidth1, 117.0);
    EXPECT_DOUBLE_EQ(copy.FindById(1).userWidth1, 118.0);
}
