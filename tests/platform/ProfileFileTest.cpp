#include "ProfileFile.h"

#include "QtPrinters.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>


namespace {

using testsupport::ReadAll;
using testsupport::WriteAll;

class ProfileFileTest : public ::testing::Test {
  protected:
    QString Make(const QByteArray& content, const QString& name = QStringLiteral("test.ini")) {
        const QString path = dir_.filePath(name);
        WriteAll(path, content);
        return path;
    }
    QStringList FolderEntries() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir_;
};

TEST_F(ProfileFileTest, LooksUpWithoutCaseAndTrimsAndUnquotes) {
    const ProfileFile ini(Make("; leading comment\n"
                               "[Alpha]\n"
                               "  Key1 =  value one  \t\n"
                               "key2=\"  quoted  \"\n"
                               "key3=\"\n"
                               "key4=\"\"\n"
                               "key5=\"open\n"
                               "key6='single'\n"
                               "Empty=\n"
                               "; commented=out\n"
                               "  [ BETA ]  \n"
                               "x = 1 = 2\n"));
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"alpha", "KEY1", "value one"},
        {"ALPHA", " key1 ", "value one"},
        {"Alpha", "key2", "  quoted  "},
        {"alpha", "key3", "\""},
        {"alpha", "key4", ""},
        {"alpha", "key5", "\"open"},
        {"alpha", "key6", "'single'"},
        {"alpha", "empty", ""}, // present but empty: not the default
        {"alpha", "commented", "<default>"},
        {"beta", "X", "1 = 2"},
        {"alpha", "missing", "<default>"},
        {"gamma", "x", "<default>"},
    };
    for (const Case& t : cases)
        EXPECT_EQ(ini.GetString(t.section, t.key, QStringLiteral("<default>")),
                  QString::fromUtf8(t.expected))
            << t.section << "/" << t.key;
    EXPECT_EQ(ini.SectionNames(), (QStringList{"Alpha", "BETA"}));
    EXPECT_EQ(ini.KeyNames("ALPHA"),
              (QStringList{"Key1", "key2", "key3", "key4", "key5", "key6", "Empty"}));
}

TEST_F(ProfileFileTest, FirstDuplicateWinsAndSectionsKeepFileOrder) {
    const ProfileFile ini(Make("[One]\n"
                               "a=1\n"
                               "A=2\n"
                               "[Two]\n"
                               "b=1\n"
                               "[one]\n"
                               "a=3\n"
                               "c=4\n"
                               "[Three]\n"
                               "; only a comment\n"));
    EXPECT_EQ(ini.SectionNames(), (QStringList{"One", "Two", "Three"}));
    EXPECT_EQ(ini.GetString("ONE", "a"), "1");
    EXPECT_EQ(ini.GetString("one", "c", "none"), "none"); // the later [one] is not read
    EXPECT_EQ(ini.KeyNames("one"), QStringList{"a"});
    EXPECT_TRUE(ini.KeyNames("three").isEmpty());
    EXPECT_TRUE(ini.KeyNames("four").isEmpty());
}

TEST_F(ProfileFileTest, ValuesAreCutToTheBuffer) {
    const QString x300(300, u'x');
    const QString x254(254, u'y');
    const ProfileFile ini(Make("[S]\nlong=" + x300.toUtf8() + "\nexact=" + x254.toUtf8() +
                               "\nquoted=\"" + x254.toUtf8() + "\"\nsmile=a\xF0\x9F\x98\x80\n"));
    struct Case {
        const char* key;
        int buffer;
        qsizetype length;
    };
    const Case cases[] = {
        {"long", 255, 254},  {"long", 10, 9},     {"long", 1, 0},       {"long", 0, 0},
        {"exact", 255, 254}, {"exact", 254, 253}, {"quoted", 255, 254}, // quotes go first
        {"missing", 4, 3},                                              // the default is cut too
    };
    for (const Case& t : cases) {
        const QString v = ini.GetString("s", t.key, QStringLiteral("dflt-value"), t.buffer);
        EXPECT_EQ(v.size(), t.length) << t.key << " into " << t.buffer;
    }
    EXPECT_EQ(ini.GetString("s", "long"), x300.left(254));
    EXPECT_EQ(ini.GetString("s", "quoted"), x254);
    // A cut never leaves half of a surrogate pair.
    EXPECT_EQ(ini.GetString("s", "smile", {}, 3), "a");
    EXPECT_EQ(ini.GetString("s", "smile", {}, 4), QString::fromUtf8("a\xF0\x9F\x98\x80"));
}

TEST_F(ProfileFileTest, KeyListLengthCountsNamesWithTheirNuls) {
    const ProfileFile ini(Make("[S]\nab=1\ncde=2\nAB=3\n[Empty]\n; nothing\n\n"));
    struct Case {
        const char* section;
        int buffer;
        int expected;
    };
    const Case cases[] = {
        {"s", 90, 7}, // "ab\0cde\0"; the duplicate AB is not listed again
        {"s", 8, 7},  // exactly fits with the closing NUL
        {"s", 7, 5},  // cut: buffer less two
        {"empty", 90, 0}, {"absent", 90, 0},
    };
    for (const Case& t : cases)
        EXPECT_EQ(ini.KeyListLength(t.section, t.buffer), t.expected)
            << t.section << " into " << t.buffer;
}

TEST_F(ProfileFileTest, WritesKeepLayoutCommentsAndOrder) {
    const QString path = Make("; top comment\n"
                              "[First]\n"
                              "; about a\n"
                              "a = 1\n"
                              "b=2\n"
                              "\n"
                              "[Second]\n"
                              "  c  =  3\n");
    ProfileFile ini(path);
    EXPECT_TRUE(ini.WriteString("FIRST", "A", "10"));  // existing key, other case
    EXPECT_TRUE(ini.WriteString("first", "new", "n")); // new key in an existing section
    EXPECT_TRUE(ini.WriteString("Third", "k", "v"));   // new section
    EXPECT_EQ(ReadAll(path), "; top comment\n"
                             "[First]\n"
                             "; about a\n"
                             "a=10\n"
                             "b=2\n"
                             "new=n\n"
                             "\n"
                             "[Second]\n"
                             "  c  =  3\n"
                             "[Third]\n"
                             "k=v\n");
    // The object and a fresh reader agree.
    const ProfileFile again(path);
    for (const ProfileFile* f : {static_cast<const ProfileFile*>(&ini), &again}) {
        EXPECT_EQ(f->GetString("first", "a"), "10");
        EXPECT_EQ(f->GetString("first", "new"), "n");
        EXPECT_EQ(f->GetString("third", "k"), "v");
        EXPECT_EQ(f->SectionNames(), (QStringList{"First", "Second", "Third"}));
        EXPECT_EQ(f->KeyNames("first"), (QStringList{"a", "b", "new"}));
    }
}

TEST_F(ProfileFileTest, MissingFileReadsEmptyAndIsCreatedOnFirstWrite) {
    const QString path = dir_.filePath("later.ini");
    ProfileFile ini(path);
    EXPECT_FALSE(ini.Exists());
    EXPECT_TRUE(ini.SectionNames().isEmpty());
    EXPECT_EQ(ini.GetString("s", "k", "d"), "d");
    EXPECT_TRUE(ini.DeleteKey("s", "k")); // nothing to delete: no file appears
    EXPECT_FALSE(ini.Exists());

    EXPECT_TRUE(ini.WriteString("S", "k", "v"));
    EXPECT_TRUE(ini.Exists());
    EXPECT_EQ(ReadAll(path), "[S]\nk=v\n");

    const ProfileFile nowhere(dir_.filePath("no/such/folder/x.ini"));
    EXPECT_TRUE(nowhere.SectionNames().isEmpty());
    EXPECT_EQ(nowhere.GetString("s", "k", "d"), "d");
}

TEST_F(ProfileFileTest, ReadOnlyFolderRefusesTheWriteAndKeepsTheOldFile) {
    const QByteArray original = "[S]\nk=old\n";
    const QString path = Make(original);
    ProfileFile ini(path);
    const QFileDevice::Permissions before = QFile::permissions(dir_.path());
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    // The superuser writes through folder permissions; then there is nothing to test here
    // (the size-limit test below covers the failure path for everyone).
    QFile probe(dir_.filePath("probe"));
    const bool writable = probe.open(QIODevice::WriteOnly);
    if (writable) {
        probe.close();
        probe.remove();
        QFile::setPermissions(dir_.path(), before);
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }
    const bool written = ini.WriteString("s", "k", "new");
    QFile::setPermissions(dir_.path(), before);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(ini.GetString("s", "k"), "old");
    EXPECT_EQ(FolderEntries(), QStringList{"test.ini"});
}

TEST_F(ProfileFileTest, WriteThatRunsOutOfSpaceKeepsTheOldFile) {
    const QByteArray original = "[S]\nk=old\nother=kept\n";
    const QString path = Make(original);
    ProfileFile ini(path);

    bool written = true;
    ASSERT_TRUE(testsupport::WithFileSizeLimit(
        64, [&] { written = ini.WriteString("s", "k", QString(200, u'n')); }));

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), original);
    EXPECT_EQ(ini.GetString("s", "k"), "old");
    EXPECT_EQ(FolderEntries(), QStringList{"test.ini"}); // no temporary file left behind

    EXPECT_TRUE(ini.WriteString("s", "k", "new")); // and the next write works again
    EXPECT_EQ(ReadAll(path), "[S]\nk=new\nother=kept\n");
}

TEST_F(ProfileFileTest, BatchWritesAreAllOrNothing) {
    const QString path = Make("[S]\nA=1\n\n[T]\nx=9\n");
    ProfileFile ini(path);
    EXPECT_TRUE(ini.WriteStrings("s", {{"a", "2"}, {"b", "3"}, {"B", "4"}}));
    EXPECT_EQ(ReadAll(path), "[S]\nA=2\nb=4\n\n[T]\nx=9\n");
    EXPECT_TRUE(ini.WriteStrings("new", {{"k", "v"}, {"k2", "v2"}}));
    EXPECT_EQ(ini.KeyNames("NEW"), (QStringList{"k", "k2"}));

    const QByteArray before = ReadAll(path);
    EXPECT_FALSE(ini.WriteStrings("s", {{"a", "5"}, {"bad=key", "6"}}));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(ini.GetString("s", "a"), "2");
}

TEST_F(ProfileFileTest, CrlfFilesReadCleanlyAndStayCrlf) {
    const QString path = Make("[S]\r\na=1\r\n; note\r\n\r\n[T]\r\nb= 2 \r\n");
    ProfileFile ini(path);
    EXPECT_EQ(ini.GetString("s", "a"), "1");
    EXPECT_EQ(ini.GetString("t", "b"), "2");
    EXPECT_EQ(ini.SectionNames(), (QStringList{"S", "T"}));
    EXPECT_TRUE(ini.WriteString("s", "c", "3"));
    EXPECT_EQ(ReadAll(path), "[S]\r\na=1\r\n; note\r\nc=3\r\n\r\n[T]\r\nb= 2 \r\n");
}

TEST_F(ProfileFileTest, DeletesKeysAndSections) {
    const QString path = Make("[A]\nk=1\nK=2\nj=3\n[B]\nk=4\n[a]\nk=5\n");
    ProfileFile ini(path);
    EXPECT_TRUE(ini.DeleteKey("a", "k"));
    // Both copies in the first [A] go, so no later duplicate surfaces.
    EXPECT_EQ(ini.GetString("A", "k", "gone"), "gone");
    EXPECT_EQ(ini.GetString("B", "k"), "4");
    EXPECT_EQ(ReadAll(path), "[A]\nj=3\n[B]\nk=4\n[a]\nk=5\n");

    EXPECT_TRUE(ini.DeleteSection("A")); // every [A] goes
    EXPECT_EQ(ini.SectionNames(), QStringList{"B"});
    EXPECT_EQ(ReadAll(path), "[B]\nk=4\n");

    EXPECT_TRUE(ini.DeleteKey("b", QString())); // an empty key removes the section
    EXPECT_TRUE(ini.SectionNames().isEmpty());
    EXPECT_EQ(ReadAll(path), "");
}

TEST_F(ProfileFileTest, WriteSectionReplacesItsLines) {
    const QString path = Make("[A]\n; old\nx=1\ny=2\n\n[B]\nz=3\n");
    ProfileFile ini(path);
    EXPECT_TRUE(ini.WriteSection("a", {"p = 7", "q=8"}));
    EXPECT_EQ(ReadAll(path), "[A]\np = 7\nq=8\n\n[B]\nz=3\n");
    EXPECT_EQ(ini.GetString("a", "p"), "7");
    EXPECT_EQ(ini.GetString("a", "x", "gone"), "gone");

    EXPECT_TRUE(ini.WriteSection("B", {}));
    EXPECT_TRUE(ini.WriteSection("C", {"r=9"}));
    EXPECT_EQ(ReadAll(path), "[A]\np = 7\nq=8\n\n[B]\n[C]\nr=9\n");
    EXPECT_EQ(ini.SectionNames(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(ini.KeyListLength("b", 90), 0);
}

TEST_F(ProfileFileTest, RefusesWritesThatWouldNotReadBack) {
    const QByteArray original = "[S]\nk=v\n";
    const QString path = Make(original);
    ProfileFile ini(path);
    struct Case {
        const char* what;
        QString section, key, value;
    };
    const Case cases[] = {
        {"'=' in the key", "S", "a=b", "v"},
        {"empty key", "S", "  ", "v"},
        {"key read as a comment", "S", ";k", "v"},
        {"key read as a header", "S", "[k]", "v"},
        {"line break in the value", "S", "k", "one\ntwo"},
        {"']' in the section", "S]", "k", "v"},
        {"empty section", "", "k", "v"},
    };
    for (const Case& t : cases)
        EXPECT_FALSE(ini.WriteString(t.section, t.key, t.value)) << t.what;
    EXPECT_FALSE(ini.WriteSection("S", {"ok=1", "[T]"}));
    EXPECT_EQ(ReadAll(path), original);
}

TEST_F(ProfileFileTest, EncodingIsUtf8WithAWindows1252Fallback) {
    // A legacy file that is not UTF-8 reads as Windows-1252 and is rewritten as UTF-8.
    const QString legacy = Make("[S]\nname=caf\xE9 \x80\n", QStringLiteral("legacy.ini"));
    ProfileFile old(legacy);
    EXPECT_EQ(old.GetString("s", "name"), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_TRUE(old.WriteString("s", "more", QString::fromUtf8("\xE6\x97\xA5")));
    EXPECT_EQ(ReadAll(legacy), "[S]\nname=caf\xC3\xA9 \xE2\x82\xAC\nmore=\xE6\x97\xA5\n");

    // A byte order mark does not hide the first header, and is kept.
    const QString bom = Make("\xEF\xBB\xBF[S]\nk=\xC3\xA9\n", QStringLiteral("bom.ini"));
    ProfileFile marked(bom);
    EXPECT_EQ(marked.SectionNames(), QStringList{"S"});
    EXPECT_EQ(marked.GetString("s", "k"), QString::fromUtf8("\xC3\xA9"));
    EXPECT_TRUE(marked.WriteString("s", "k", "x"));
    EXPECT_EQ(ReadAll(bom), "\xEF\xBB\xBF[S]\nk=x\n");
}

TEST_F(ProfileFileTest, ReloadSeesChangesMadeByOthers) {
    const QString path = Make("[S]\nk=1\n");
    ProfileFile ini(path);
    WriteAll(path, "[S]\nk=2\n[T]\n");
    EXPECT_EQ(ini.GetString("s", "k"), "1");
    ini.Reload();
    EXPECT_EQ(ini.GetString("s", "k"), "2");
    EXPECT_EQ(ini.SectionNames(), (QStringList{"S", "T"}));
}

} // namespace
