// Opening and saving label files through the document: the file layout, damaged files, the
// conversion dialogue for older files, and saves that must never lose the user's file.
#include "ByteIO.h"
#include "CVellumarkDoc.h"
#include "ImageItem.h"
#include "ItemRecord.h"
#include "LabelTemplateCatalogue.h"
#include "ScriptedUi.h"
#include "ShapeItems.h"
#include "TestSupport.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using testsupport::ScriptedUi;

namespace {

const QString kOpenError = QStringLiteral("File open error. File does not appear to be a valid label file.");
const QString kConvertQuestion = QStringLiteral(
    "The label you are opening was not created by this version of the software. Would you like "
    "to convert the label?\n\nIf you choose 'Yes' you will be prompted for a location to save "
    "the converted label.");

struct FileFixture : testing::Test {
    LabelTemplateCatalogue catalogue{testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"))};
    CatalogueLabelContext context{catalogue, StandardCd};
    CVellumarkDoc doc{context};
    QTemporaryDir dir;

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A project of the given type with one item of every stored kind on its first page.
    void Populate(CVellumarkDoc& d, int type) {
        context.SetCurrentLabelType(type);
        ASSERT_TRUE(d.CreatePagesForLabelType());
        auto& items = d.Pages()[0]->items;
        items.push_back(std::make_unique<LineItem>(1, 2, 30, 40, RGB(1, 2, 3), RGB(4, 5, 6)));
        items.push_back(std::make_unique<RectangleItem>(5, 6, 70, 80, RGB(9, 9, 9), RGB(200, 0, 0)));
        LogFont font;
        font.lfHeight = 12;
        font.SetFaceName("Arial");
        items.push_back(std::make_unique<TextItem>(10, 10, 90, 30, 0, RGB(0, 0, 255), "Caf\xe9", font));
        auto list = std::make_unique<TrackListItem>(0, 0, 100, 100, 0, 0, "");
        list->InsertTrackCell(0, TrackTitle, "Intro");
        items.push_back(std::move(list));
        d.Pages()[0]->trackListIndex = 3;
        items.push_back(std::make_unique<ImageItem>(
            3, 4, testsupport::DataPath(QStringLiteral("legacy/front.png")), QStringLiteral("png")));
        d.Pages().back()->backgroundColor = RGB(10, 20, 30);
        d.Pages().back()->showBorder = 0;
    }

    QByteArray Saved(CVellumarkDoc& d) {
        const QString path = Path("saved.vlm");
        QString reason;
        EXPECT_TRUE(d.WriteLabelFile(path, &reason)) << reason.toStdString();
        return testsupport::ReadAll(path);
    }

    // Opens a file expecting the open error, and checks the document is left empty.
    void ExpectOpenError(const QString& path) {
        ScriptedUi ui;
        ui.AnswerMessage(ui::Answer::Ok);
        EXPECT_FALSE(doc.OnOpenDocument(path));
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Summary()[0], "message|Open|stop|ok");
        EXPECT_EQ(ui.Calls()[0].text, kOpenError);
        EXPECT_TRUE(doc.Pages().empty());
        EXPECT_TRUE(doc.PageQueue().empty());
    }
};

std::vector<std::uint8_t> Block(const CoverPage& page) {
    std::vector<std::uint8_t> b(CoverPageFields::kBlockSize);
    page.WriteBlock(b.data());
    return b;
}

QByteArray PageCount(std::uint32_t n) {
    QByteArray b(4, '\0');
    bytes::PutU32(reinterpret_cast<std::uint8_t*>(b.data()), n);
    return b;
}

QStringList Entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

} // namespace

TEST_F(FileFixture, SavedProjectsOpenAsTheyWereForEveryLabelType) {
    for (int type : {StandardCd, SlimlineCd, StandardDvd, SlimlineDvd}) {
        SCOPED_TRACE(type);
        CVellumarkDoc original(context);
        Populate(original, type);
        const QString path = Path("project.vlm");
        bool pathTold = false;
        original.onPathNameChanged = [&](const QString& p) { pathTold = p == path; };
        ASSERT_TRUE(original.OnSaveDocument(path));
        EXPECT_TRUE(pathTold);
        EXPECT_EQ(original.PathName(), path);
        EXPECT_FALSE(original.IsModified());

        // Layout: the page count, then per page its 136-byte block, its item count and its
        // sized item records.
        const QByteArray file = testsupport::ReadAll(path);
        std::size_t expected = 4;
        for (const auto& page : original.Pages()) {
            expected += CoverPageFields::kBlockSize + 4;
            for (const auto& item : page->items) expected += 4 + item->RecordSize();
        }
        EXPECT_EQ(static_cast<std::size_t>(file.size()), expected);
        EXPECT_EQ(bytes::GetU32(reinterpret_cast<const std::uint8_t*>(file.constData())),
                  original.Pages().size());

        context.SetCurrentLabelType(type == StandardCd ? SlimlineDvd : StandardCd);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        EXPECT_EQ(doc.PathName(), path);
        EXPECT_TRUE(doc.convertedPath.isEmpty());
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(context.CurrentLabelType(), type); // follows the pages read
        ASSERT_EQ(doc.Pages().size(), original.Pages().size());
        std::deque<std::int32_t> queue;
        for (std::size_t p = 0; p < doc.Pages().size(); ++p) {
            queue.push_back(static_cast<std::int32_t>(p));
            const CoverPage& a = *original.Pages()[p];
            const CoverPage& b = *doc.Pages()[p];
            EXPECT_EQ(Block(a), Block(b));
            EXPECT_EQ(a.designWidth, b.designWidth);
            ASSERT_EQ(a.items.size(), b.items.size());
            for (std::size_t i = 0; i < a.items.size(); ++i)
                EXPECT_EQ(a.items[i]->Data(), b.items[i]->Data()) << "item " << i;
        }
        EXPECT_EQ(doc.PageQueue(), queue); // the disc is shown first
    }
}

TEST_F(FileFixture, PageCountsUpToOneHundredOpen) {
    CVellumarkDoc many(context);
    for (int i = 0; i < CVellumarkDoc::kMaxPages; ++i)
        ASSERT_TRUE(many.AddPage(Disc, catalogue.FindById(1), StandardDvd));
    const QByteArray hundred = Saved(many);
    const QByteArray onePage = hundred.mid(4, CoverPageFields::kBlockSize + 4);

    const struct {
        const char* name;
        QByteArray bytes;
        int pages; // -1: the open error
    } cases[] = {
        {"zero", PageCount(0), 0},
        {"hundred", hundred, 100},
        {"hundred-one", PageCount(101) + hundred.mid(4) + onePage, -1},
        {"huge-count", PageCount(0xFFFFFFFFu) + onePage, -1},
        {"empty", QByteArray(), -1},
        {"short-count", QByteArray(3, '\0'), -1},
        {"missing-page", PageCount(2) + onePage, -1},
        // An item count above what readers accept, though the items are there.
        {"too-many-items", PageCount(1) + onePage.left(CoverPageFields::kBlockSize) + PageCount(10001), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(c.name);
        testsupport::WriteAll(path, c.bytes);
        if (c.pages < 0) {
            ExpectOpenError(path);
            continue;
        }
        ScriptedUi ui; // no message at all
        ASSERT_TRUE(doc.OnOpenDocument(path));
        EXPECT_EQ(doc.Pages().size(), static_cast<std::size_t>(c.pages));
        EXPECT_EQ(doc.PageQueue().size(), static_cast<std::size_t>(c.pages));
    }
}

TEST_F(FileFixture, EveryTruncationIsTheOpenErrorAndChangesNothingElse) {
    CVellumarkDoc original(context);
    Populate(original, StandardDvd);
    const QByteArray file = Saved(original);
    ASSERT_GT(file.size(), 600);
    const QString path = Path("cut.vlm");
    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        SCOPED_TRACE(cut);
        testsupport::WriteAll(path, file.left(cut));
        context.SetCurrentLabelType(SlimlineCd);
        doc.SetPathName(QStringLiteral("/earlier.vlm"));
        ExpectOpenError(path);
        EXPECT_EQ(context.CurrentLabelType(), SlimlineCd);
        EXPECT_EQ(doc.PathName(), QStringLiteral("/earlier.vlm"));
        if (HasFatalFailure()) return;
    }
}

TEST_F(FileFixture, AFileThatCannotBeOpenedIsReported) {
    for (const QString& path : {Path("missing.vlm"), dir.path()}) {
        ScriptedUi ui;
        ui.AnswerMessage(ui::Answer::Ok);
        EXPECT_FALSE(doc.OnOpenDocument(path));
        ASSERT_EQ(ui.Summary(), (std::vector<std::string>{"message|Open|stop|ok"}));
        EXPECT_TRUE(ui.Calls()[0].text.contains(QDir::toNativeSeparators(path)));
    }
}

TEST_F(FileFixture, AnotherLabelKeptOpenStopsTheOpenBeforeAnything) {
    Populate(doc, SlimlineCd);
    testsupport::WriteAll(Path("x.vlm"), PageCount(0));
    doc.closeOtherLabel = [] { return false; };
    ScriptedUi ui; // no prompt
    EXPECT_FALSE(doc.OnOpenDocument(Path("x.vlm")));
    EXPECT_EQ(doc.Pages().size(), 2u);
    doc.closeOtherLabel = [] { return true; };
    EXPECT_TRUE(doc.OnOpenDocument(Path("x.vlm")));
    EXPECT_TRUE(doc.Pages().empty());
}

TEST_F(FileFixture, AFailedSaveKeepsTheEarlierFileAndTheModifiedFlag) {
    Populate(doc, StandardCd);
    const QString path = Path("keep.vlm");
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QByteArray earlier = testsupport::ReadAll(path);
    // A larger project than the disk takes.
    doc.Pages()[1]->items.push_back(std::make_unique<ImageItem>(
        0, 0, testsupport::DataPath(QStringLiteral("legacy/back.bmp")), QStringLiteral("bmp")));
    doc.SetModifiedFlag(true);

    ScriptedUi ui;
    ui.AnswerMessage(ui::Answer::Ok);
    bool saved = true;
    ASSERT_TRUE(testsupport::WithFileSizeLimit(earlier.size(), [&] { saved = doc.OnSaveDocument(path); }));
    EXPECT_FALSE(saved);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(testsupport::ReadAll(path), earlier);
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("keep.vlm")}); // no partial file left
    ASSERT_EQ(ui.Summary(), (std::vector<std::string>{"message|Save|stop|ok"}));
    const QString text = ui.Calls()[0].text;
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path))) << text.toStdString();
    EXPECT_GT(text.size(), QDir::toNativeSeparators(path).size() + 40) << "no reason given";
}

TEST_F(FileFixture, WhatNoReaderTakesBackIsRefusedBeforeTheDiskIsTouched) {
    Populate(doc, SlimlineCd);
    const QString path = Path("keep.vlm");
    ASSERT_TRUE(doc.OnSaveDocument(path));
    const QByteArray earlier = testsupport::ReadAll(path);

    ItemData huge;
    huge.kind = static_cast<std::int32_t>(ItemKind::Picture);
    huge.imageBytes.assign(kMaxRecordSize, 0x42);
    doc.Pages()[1]->items.push_back(std::make_unique<ImageItem>(huge));
    doc.SetModifiedFlag(true);
    {
        ScriptedUi ui;
        ui.AnswerMessage(ui::Answer::Ok);
        EXPECT_FALSE(doc.OnSaveDocument(path));
        ASSERT_EQ(ui.Summary(), (std::vector<std::string>{"message|Save|stop|ok"}));
        EXPECT_TRUE(ui.Calls()[0].text.contains(QStringLiteral("10240000"))) << ui.Calls()[0].text.toStdString();
    }
    EXPECT_EQ(testsupport::ReadAll(path), earlier);
    EXPECT_TRUE(doc.IsModified());

    // A folder that does not exist.
    doc.Pages()[1]->items.pop_back();
    ScriptedUi ui;
    ui.AnswerMessage(ui::Answer::Ok);
    EXPECT_FALSE(doc.OnSaveDocument(Path("no/such/folder.vlm")));
    EXPECT_EQ(ui.Summary(), (std::vector<std::string>{"message|Save|stop|ok"}));
    EXPECT_EQ(doc.PathName(), path);
}

namespace {

struct ConvertFixture : FileFixture {
    QString source; // an older file named label.old.xyz

    void SetUp() override {
        source = Path("label.old.xyz");
        ASSERT_TRUE(QFile::copy(testsupport::DataPath(QStringLiteral("legacy/standard-cd.legacy")), source));
    }
};

} // namespace

TEST_F(ConvertFixture, AcceptedConversionOpensTheFileTheUserNamed) {
    const QString chosen = Path("chosen.vlm");
    ScriptedUi ui;
    ui.AnswerMessage(ui::Answer::Yes).AnswerSaveFile(chosen);
    ASSERT_TRUE(doc.OnOpenDocument(source));
    ASSERT_EQ(ui.Summary(), (std::vector<std::string>{"message|Convert?|question|yes-no", "save|Save As"}));
    EXPECT_EQ(ui.Calls()[0].text, kConvertQuestion);
    const ui::FileDialog& dialog = ui.Calls()[1].dialog;
    EXPECT_EQ(dialog.proposedName, Path("label.old_converted.vlm"));
    EXPECT_EQ(dialog.defaultExtension, QStringLiteral("vlm"));
    EXPECT_EQ(dialog.filter, QStringLiteral("Label Files (*.vlm);;All Files (*.*)"));

    EXPECT_EQ(doc.Pages().size(), 3u);
    EXPECT_EQ(doc.PathName(), chosen);
    EXPECT_EQ(doc.convertedPath, chosen);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_TRUE(CVellumarkDoc::IsLegacyLabelFile(source)); // the older file is left as it was
}

TEST_F(ConvertFixture, SavesAfterAConversionGoWhereTheUserSays) {
    const QString converted = Path("converted.vlm");
    {
        ScriptedUi ui;
        ui.AnswerMessage(ui::Answer::Yes).AnswerSaveFile(converted);
        ASSERT_TRUE(doc.OnOpenDocument(source));
    }
    // Plain Save uses the document's path name: the converted file.
    doc.Pages()[0]->backgroundColor = RGB(1, 1, 1);
    ASSERT_TRUE(doc.OnSaveDocument(doc.PathName()));
    const QByteArray savedConverted = testsupport::ReadAll(converted);
    EXPECT_EQ(savedConverted.mid(4 + 132, 4), QByteArray("\x01\x01\x01\x00", 4));

    // Save As writes the named file and leaves the converted one alone.
    const QString other = Path("elsewhere.vlm");
    doc.Pages()[0]->backgroundColor = RGB(2, 2, 2);
    ASSERT_TRUE(doc.OnSaveDocument(other));
    EXPECT_EQ(doc.PathName(), other);
    EXPECT_EQ(testsupport::ReadAll(converted), savedConverted);
    EXPECT_EQ(testsupport::ReadAll(other).mid(4 + 132, 4), QByteArray("\x02\x02\x02\x00", 4));
}

TEST_F(ConvertFixture, EachRefusalEndsTheOpenWithoutWritingAnything) {
    const QString chosen = Path("chosen.vlm");
    const struct {
        const char* name;
        bool existing;
        std::vector<std::string> calls;
    } cases[] = {
        {"declined", false, {"message|Convert?|question|yes-no"}},
        {"dialog cancelled", false, {"message|Convert?|question|yes-no", "save|Save As"}},
        {"overwrite declined", true,
         {"message|Convert?|question|yes-no", "save|Save As", "message|Overwrite?|question|yes-no"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(chosen);
        if (c.existing) testsupport::WriteAll(chosen, "mine");
        ScriptedUi ui;
        ui.AnswerMessage(c.calls.size() == 1 ? ui::Answer::No : ui::Answer::Yes);
        if (c.calls.size() >= 2) ui.AnswerSaveFile(c.existing ? std::optional<QString>(chosen) : std::nullopt);
        if (c.calls.size() >= 3) ui.AnswerMessage(ui::Answer::No);
        EXPECT_FALSE(doc.OnOpenDocument(source));
        EXPECT_EQ(ui.Summary(), c.calls);
        if (c.existing) {
            EXPECT_EQ(ui.Calls()[2].text, QStringLiteral("Overwrite the existing file?"));
            EXPECT_EQ(testsupport::ReadAll(chosen), QByteArray("mine"));
        } else {
            EXPECT_FALSE(QFile::exists(chosen));
        }
        EXPECT_TRUE(doc.Pages().empty());
        EXPECT_TRUE(doc.PathName().isEmpty());
    }
}

TEST_F(ConvertFixture, OverwriteAcceptedReplacesTheFile) {
    const QString chosen = Path("chosen.vlm");
    testsupport::WriteAll(chosen, "mine");
    ScriptedUi ui;
    ui.AnswerMessage(ui::Answer::Yes).AnswerSaveFile(chosen).AnswerMessage(ui::Answer::Yes);
    ASSERT_TRUE(doc.OnOpenDocument(source));
    EXPECT_EQ(doc.Pages().size(), 3u);
}

TEST_F(ConvertFixture, AFailedConversionNeverOpensAnOlderFileOfThatName) {
    // An older label at the chosen path, and a disk too small for the converted one.
    CVellumarkDoc older(context);
    context.SetCurrentLabelType(SlimlineCd);
    ASSERT_TRUE(older.CreatePagesForLabelType());
    const QString chosen = Path("chosen.vlm");
    ASSERT_TRUE(older.WriteLabelFile(chosen));
    const QByteArray olderBytes = testsupport::ReadAll(chosen);

    ScriptedUi ui;
    ui.AnswerMessage(ui::Answer::Yes).AnswerSaveFile(chosen).AnswerMessage(ui::Answer::Yes);
    ui.AnswerMessage(ui::Answer::Ok);
    bool opened = true;
    ASSERT_TRUE(testsupport::WithFileSizeLimit(olderBytes.size(), [&] { opened = doc.OnOpenDocument(source); }));
    EXPECT_FALSE(opened);
    ASSERT_EQ(ui.Summary().size(), 4u);
    EXPECT_EQ(ui.Summary()[3], "message|Convert|stop|ok");
    EXPECT_TRUE(ui.Calls()[3].text.contains(QDir::toNativeSeparators(source)));
    EXPECT_TRUE(doc.Pages().empty());
    EXPECT_EQ(testsupport::ReadAll(chosen), olderBytes);
}

TEST(HeadlessUi, DeclinesQuestionsCancelsDialogsAndReportsOneLinePerMessage) {
    std::vector<QString> lines;
    ui::HeadlessUi headless([&](const QString& line) { lines.push_back(line); });
    const struct {
        ui::Buttons buttons;
        ui::Answer answer;
    } cases[] = {
        {ui::Buttons::Ok, ui::Answer::Ok},
        {ui::Buttons::OkCancel, ui::Answer::Cancel},
        {ui::Buttons::YesNo, ui::Answer::No},
        {ui::Buttons::YesNoCancel, ui::Answer::Cancel},
    };
    for (const auto& c : cases)
        EXPECT_EQ(headless.MessageBox(QStringLiteral("Ask"), QStringLiteral("First\n\n  second\r\n"),
                                      ui::Icon::Question, c.buttons),
                  c.answer);
    EXPECT_EQ(lines, std::vector<QString>(4, QStringLiteral("Ask: First second")));
    EXPECT_FALSE(headless.GetOpenFileName({}));
    EXPECT_FALSE(headless.GetSaveFileName({}));

    // Installed, it declines a conversion without writing anything.
    QTemporaryDir dir;
    LabelTemplateCatalogue catalogue;
    CatalogueLabelContext context(catalogue);
    CVellumarkDoc doc(context);
    lines.clear();
    {
        ui::ScopedUi scope(headless);
        EXPECT_EQ(&ui::Current(), &headless);
        EXPECT_FALSE(doc.OnOpenDocument(testsupport::DataPath(QStringLiteral("legacy/dvd.legacy"))));
    }
    EXPECT_NE(&ui::Current(), &headless);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Convert?: The label you are opening")));
}
