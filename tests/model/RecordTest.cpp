// Item and page records: the bytes of label files. The golden files in tests/data/records
// were built byte by byte by make_golden.py beside them, without the program.
#include "ByteIO.h"
#include "CoverPage.h"
#include "ImageItem.h"
#include "ItemRecord.h"
#include "ShapeItems.h"
#include "TestSupport.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <QBuffer>
#include <QIODevice>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kBlue = 0xff0000ffu;

Bytes Golden(const char* name) {
    const QByteArray a = testsupport::ReadAll(testsupport::DataPath(QStringLiteral("records/") +
                                                                     QString::fromLatin1(name)));
    return {a.begin(), a.end()};
}

Bytes RecordOf(const LabelItem& item) {
    Bytes out(item.RecordSize());
    EXPECT_EQ(item.WriteRecord(out.data()), out.size());
    return out;
}

QByteArray AsQBytes(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

Bytes AsBytes(const QByteArray& a) { return {a.begin(), a.end()}; }

// A device that hands out its bytes in small pieces and cannot seek, as a pipe would.
class SequentialReader : public QIODevice {
  public:
    explicit SequentialReader(QByteArray data) : data_(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* out, qint64 max) override {
        const qint64 n = std::min<qint64>({max, 7, data_.size() - at_});
        std::memcpy(out, data_.constData() + at_, static_cast<std::size_t>(n));
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray data_;
    qint64 at_ = 0;
};

// A device that takes at most limit bytes, then fails every write, as a full disk does.
class LimitedWriter : public QIODevice {
  public:
    explicit LimitedWriter(qint64 limit) : limit_(limit) { open(WriteOnly); }
    QByteArray written;

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* in, qint64 n) override {
        const qint64 take = std::min(n, limit_ - written.size());
        if (take <= 0) return -1;
        written.append(in, take);
        return take;
    }

  private:
    qint64 limit_;
};

std::unique_ptr<CoverPage> NewPage() {
    auto page = std::make_unique<CoverPage>(Disc, LabelTemplate{}, StandardCd);
    page->templateId = 99; // tells whether a read took the block
    return page;
}

QByteArray WritePageBytes(const CoverPage& page) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(page.WritePage(buffer));
    return out;
}

bool ReadPageBytes(CoverPage& page, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return page.ReadPage(buffer);
}

// The items of the golden files, made with the program.
std::unique_ptr<LabelItem> GoldenLine() {
    return std::make_unique<LineItem>(10, 20, 300, -40, RGB(0x11, 0x22, 0x33),
                                      RGB(0x44, 0x55, 0x66));
}

std::unique_ptr<LabelItem> GoldenText() {
    LogFont font;
    font.lfHeight = 14;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfPitchAndFamily = FF_SWISS | VARIABLE_PITCH;
    font.SetFaceName("Liberation Sans");
    auto item = std::make_unique<TextItem>(5, 6, 105, 56, RGB(1, 2, 3), RGB(200, 100, 50), "Hello",
                                           font);
    item->Data().alignment = 1;
    item->Data().rotation = 270.0;
    return item;
}

std::unique_ptr<LabelItem> GoldenTracks() {
    return std::make_unique<TrackListItem>(20, 30, 220, 330, RGB(0, 0, 0), RGB(0x30, 0x20, 0x10),
                                           "");
}

std::unique_ptr<LabelItem> GoldenFreehand() {
    auto item = std::make_unique<FreehandItem>(1, 2, RGB(255, 0, 0));
    item->Resize(0, 5, 9);
    item->Resize(0, -3, 4);
    return item;
}

struct PictureFile {
    QTemporaryDir dir;
    QString path;
    PictureFile() {
        path = dir.filePath(QStringLiteral("picture.png"));
        testsupport::WriteAll(path, testsupport::ReadAll(
                                        testsupport::DataPath(QStringLiteral("records/picture.png"))));
    }
};

void FillEmptyPageBlock(CoverPage& p) {
    p.positionX = 12.5, p.positionY = -3.25, p.width = 120.0, p.height = 120.5;
    p.holeWidth = 41.0, p.holeHeight = 41.0, p.spineWidth = 6.5, p.spineHeight = 118.0;
    p.spineOffsetX = 1.5, p.spineOffsetY = 2.5, p.spineCutoutX = 0.75, p.spineCutoutY = 118.25;
    p.templateId = 7, p.coverSide = Disc, p.labelType = StandardDvd, p.trackListIndex = -1;
    p.printOverInnerCircle = 1, p.showBorder = 0, p.useUpperLabel = 1, p.spineTextsCreated = 1;
    p.reservedFlag = 5, p.backgroundColor = 0x00C0FFEE;
}

std::unique_ptr<CoverPage> SmallPage() {
    auto p = NewPage();
    p->positionX = 4.0, p->positionY = 5.0, p->width = 117.0, p->height = 117.0;
    p->holeWidth = 41.0, p->holeHeight = 41.0;
    p->spineWidth = p->spineHeight = p->spineOffsetX = p->spineOffsetY = 0.0;
    p->spineCutoutX = p->spineCutoutY = 0.0;
    p->templateId = 1, p->coverSide = Disc, p->labelType = StandardCd, p->trackListIndex = -1;
    p->printOverInnerCircle = 0, p->showBorder = 1, p->useUpperLabel = 1;
    p->spineTextsCreated = 0, p->reservedFlag = 0, p->backgroundColor = RGB(255, 255, 255);
    p->items.push_back(GoldenLine());
    p->items.push_back(GoldenText());
    p->items.push_back(GoldenFreehand());
    return p;
}

// A page record made of a block, a count and the given entries (size field and record).
QByteArray PageWith(std::uint32_t count, const std::vector<Bytes>& records,
                    std::int32_t trackListIndex = -1) {
    auto page = NewPage();
    page->trackListIndex = trackListIndex;
    Bytes out(CoverPageFields::kBlockSize + 4);
    page->WriteBlock(out.data());
    bytes::PutU32(out.data() + CoverPageFields::kBlockSize, count);
    for (const Bytes& r : records) {
        std::uint8_t size[4];
        bytes::PutU32(size, static_cast<std::uint32_t>(r.size()));
        out.insert(out.end(), size, size + 4);
        out.insert(out.end(), r.begin(), r.end());
    }
    return AsQBytes(out);
}

Bytes WithKind(Bytes record, std::int32_t kind) {
    bytes::PutI32(record.data(), kind);
    return record;
}

} // namespace

TEST(RecordGolden, WriterProducesTheHandBuiltFilesByteForByte) {
    PictureFile picture;
    const struct {
        const char* file;
        std::function<std::unique_ptr<LabelItem>()> make;
    } cases[] = {
        {"line_record.bin", GoldenLine},
        {"text_record.bin", GoldenText},
        {"tracklist_record.bin", GoldenTracks},
        {"picture_record.bin",
         [&] { return std::make_unique<ImageItem>(30, 40, picture.path, QStringLiteral("png")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto item = c.make();
        const Bytes golden = Golden(c.file);
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(item->RecordSize(), golden.size());
        EXPECT_EQ(RecordOf(*item), golden);

        // Read back, the item writes the same bytes again.
        const auto back = CreateItemFromRecord(golden.data(), golden.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(typeid(*back), typeid(*item));
        EXPECT_EQ(back->Data(), item->Data());
        EXPECT_EQ(RecordOf(*back), golden);
    }

    // The sizes the record layout gives.
    EXPECT_EQ(Golden("line_record.bin").size(), 224u + 32u);
    EXPECT_EQ(Golden("text_record.bin").size(), 224u + 6u);
    EXPECT_EQ(Golden("picture.png").size(), 10000u);
    EXPECT_EQ(Golden("picture_record.bin").size(), 224u + 10000u);
}

TEST(RecordGolden, PagesWriteTheirBlockCountAndEntries) {
    auto empty = NewPage();
    FillEmptyPageBlock(*empty);
    const auto small = SmallPage();
    const struct {
        const char* file;
        const CoverPage* page;
        std::size_t items;
    } cases[] = {{"empty_page.bin", empty.get(), 0}, {"small_page.bin", small.get(), 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes golden = Golden(c.file);
        EXPECT_EQ(AsBytes(WritePageBytes(*c.page)), golden);

        auto back = NewPage();
        EXPECT_TRUE(ReadPageBytes(*back, AsQBytes(golden)));
        ASSERT_EQ(back->items.size(), c.items);
        EXPECT_EQ(back->templateId, c.page->templateId);
        EXPECT_EQ(back->backgroundColor, c.page->backgroundColor);
        EXPECT_EQ(AsBytes(WritePageBytes(*back)), golden);
    }
    EXPECT_EQ(Golden("empty_page.bin").size(), 140u);
}

TEST(RecordRoundTrip, EveryKindReadsBackAsItWasWritten) {
    PictureFile picture;
    LogFont font;
    font.lfHeight = 9;
    font.lfUnderline = 1;
    font.SetFaceName("DejaVu Serif");

    auto triangle = std::make_unique<TriangleItem>(0, 0, RGB(9, 9, 9), RGB(1, 1, 1));
    triangle->Resize(0, 40, 0);
    triangle->Resize(0, 20, 30);
    auto freehand = GoldenFreehand();
    freehand->Rotate90(-90.0);
    auto rectangle = std::make_unique<RectangleItem>(7, 8, -1, 2, RGB(1, 2, 3), RGB(4, 5, 6));
    rectangle->Data().penWidth = 4;
    rectangle->Data().reserved16 = 3; // kept as found
    auto circle = std::make_unique<CircleItem>(5, 5, 60, RGB(0, 0, 255), RGB(0, 255, 0));
    circle->Resize(3, 80, 70);
    auto tracks = std::make_unique<TrackListItem>(0, 0, 100, 100, 0, RGB(5, 5, 5), "Side A");
    tracks->ClearTracks();
    tracks->AppendTrack("1", "Intro\tx", "Ar & tist", "Alb\xc3\xbcm", "3:05");
    tracks->AppendTrack("2", "", "", "", "");
    tracks->InsertTrackCell(1, TrackTitle, "Second");
    tracks->Data().layoutFrame = {1, 2, 3, 4};
    tracks->Data().holeFrame = {-5, -6, 7, 8};
    tracks->Data().hasTrackText = 0;
    tracks->Data().trackLayout = 1;
    auto image = std::make_unique<ImageItem>(30, 40, picture.path, QStringLiteral("png"));
    ASSERT_TRUE(image->decodeOk());
    image->Rotate90(90.0);

    std::vector<std::unique_ptr<LabelItem>> items;
    items.push_back(std::make_unique<LineItem>(-1, -2, 2000000, 3, RGB(1, 0, 0), RGB(0, 1, 0)));
    items.push_back(std::make_unique<EllipseItem>(1, 2, 30, 40, RGB(0, 0, 1), RGB(1, 1, 0)));
    items.push_back(std::move(circle));
    items.push_back(std::move(freehand));
    items.push_back(std::move(rectangle));
    items.push_back(std::move(triangle));
    items.push_back(std::move(image));
    items.push_back(std::make_unique<TextItem>(1, 1, 50, 20, 0, RGB(9, 8, 7),
                                               "Two\r\nlines\tand \xe2\x82\xac", font));
    items.push_back(std::make_unique<TextItem>(1, 1, 50, 20, 0, 0, "", font)); // length 1
    items.push_back(std::move(tracks));

    for (const auto& item : items) {
        SCOPED_TRACE(item->GetKind());
        const Bytes first = RecordOf(*item);
        const auto back = CreateItemFromRecord(first.data(), first.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(typeid(*back), typeid(*item));
        EXPECT_EQ(back->Data(), item->Data());
        EXPECT_EQ(RecordOf(*back), first);
    }

    // The same through a page, in stacking order.
    auto page = NewPage();
    for (auto& item : items) page->items.push_back(std::move(item));
    const QByteArray written = WritePageBytes(*page);
    auto back = NewPage();
    ASSERT_TRUE(ReadPageBytes(*back, written));
    ASSERT_EQ(back->items.size(), page->items.size());
    for (std::size_t i = 0; i < page->items.size(); ++i)
        EXPECT_EQ(back->items[i]->Data(), page->items[i]->Data()) << i;
    EXPECT_EQ(WritePageBytes(*back), written);
}

TEST(RecordRoundTrip, ClassStateIsCompletedAfterReading) {
    // A turned picture: bytes as read from the file, rotation 90, the picture turned once.
    PictureFile picture;
    ImageItem image(30, 40, picture.path, QStringLiteral("png"));
    image.Rotate90(90.0);
    const Bytes record = RecordOf(image);
    EXPECT_TRUE(std::equal(record.begin() + 224, record.end(), Golden("picture.png").begin()));
    EXPECT_EQ(bytes::GetF64(record.data() + 160), 90.0);
    const auto back = CreateItemFromRecord(record.data(), record.size());
    const auto* readImage = dynamic_cast<const ImageItem*>(back.get());
    ASSERT_NE(readImage, nullptr);
    EXPECT_TRUE(readImage->decodeOk());
    ASSERT_NE(readImage->GetPicture(), nullptr);
    EXPECT_EQ(readImage->GetPicture()->Width(), 191u);
    EXPECT_EQ(readImage->GetPicture()->Height(), 17u);
    // Clockwise: the blue bottom-left quadrant comes to the top-left, red to the top-right.
    EXPECT_EQ(readImage->GetPicture()->GetPicture().ColorAt(0, 0), kBlue);
    EXPECT_EQ(readImage->GetPicture()->GetPicture().ColorAt(190, 0), kRed);

    // A listing read back is not re-measured until a row is added.
    TrackListItem tracks(0, 0, 10, 10, 0, 0, "");
    EXPECT_TRUE(tracks.LayoutPending());
    const Bytes trackRecord = RecordOf(tracks);
    TrackListItem readTracks(trackRecord.data(), trackRecord.size());
    EXPECT_FALSE(readTracks.LayoutPending());
    EXPECT_EQ(readTracks.GetTrackField(29, TrackNumber), "30");

    // A triangle saved with two corners keeps drawing its open edge to its last corner.
    TriangleItem open(10, 10, 0, 0);
    open.Resize(0, 50, 20);
    open.Resize(-1, 90, 90);
    const Bytes triangleRecord = RecordOf(open);
    TriangleItem readOpen(triangleRecord.data(), triangleRecord.size());
    EXPECT_EQ(readOpen.PendingPoint(), (Point{50, 20}));
    EXPECT_EQ(readOpen.GetRect(), open.GetRect());

    // A record constructor keeps the kind of its class whatever the record says.
    const Bytes line = Golden("line_record.bin");
    const RectangleItem asRectangle(line.data(), line.size());
    EXPECT_EQ(asRectangle.GetKind(), 4);
    EXPECT_EQ(asRectangle.Data().points.size(), 2u);
}

TEST(RecordRead, ARecordKeepsOnlyWhatItProvablyHolds) {
    // A stroke of two points with picture bytes, a text and a title column: every part.
    FreehandItem item(1, 2, RGB(1, 2, 3));
    item.Resize(0, 3, 4);
    item.Data().imageBytes = {1, 2, 3, 4};
    item.Data().text = "abc";
    item.Data().textLength = 3;
    item.Data().trackTitles = {"xy", 3};
    const Bytes full = RecordOf(item);
    ASSERT_EQ(full.size(), 224u + 32 + 4 + 4 + 4);

    enum Field { PointCount = 12, TextLength = 140, ImageSize = 148, TitleLength = 196 };
    const struct {
        const char* name;
        Field field;
        std::uint32_t value;
        std::size_t points, image;
        const char* text; // nullptr: no text
        bool title;
    } cases[] = {
        {"as written", PointCount, 2, 2, 4, "abc", true},
        {"one point more than held", PointCount, 3, 0, 0, nullptr, false},
        {"16 x count wraps 32 bits to 0", PointCount, 0x10000000, 0, 0, nullptr, false},
        {"16 x count wraps with the rest", PointCount, 0x0FFFFFFF, 0, 0, nullptr, false},
        {"largest picture", ImageSize, 0xFFFFFFFF, 2, 0, nullptr, false},
        {"picture size wrapping to the record", ImageSize, 0xFFFFFF20, 2, 0, nullptr, false},
        {"picture beyond the record", ImageSize, 13, 2, 0, nullptr, false},
        {"text length + 1 overflows", TextLength, 0x7FFFFFFF, 2, 4, nullptr, false},
        {"text length -1", TextLength, 0xFFFFFFFF, 2, 4, nullptr, false},
        {"text length most negative", TextLength, 0x80000000, 2, 4, nullptr, false},
        {"no text", TextLength, 0, 2, 4, "", false}, // the title is read where the text was
        {"title length huge", TitleLength, 0x7FFFFFFF, 2, 4, "abc", false},
        {"title length negative", TitleLength, 0xFFFFFFFB, 2, 4, "abc", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes record = full;
        bytes::PutU32(record.data() + c.field, c.value);
        const auto back = CreateItemFromRecord(record.data(), record.size());
        ASSERT_NE(back, nullptr);
        const ItemData& d = back->Data();
        EXPECT_EQ(d.points.size(), c.points);
        EXPECT_EQ(d.imageBytes.size(), c.image);
        EXPECT_EQ(d.text, c.text ? c.text : "");
        EXPECT_EQ(d.textLength, c.text ? (c.field == TextLength ? std::int32_t(c.value) : 3) : 0);
        if (c.title) {
            EXPECT_EQ(d.trackTitles, (ItemString{"xy", 3}));
        } else if (c.field != TextLength || c.value != 0) {
            EXPECT_TRUE(d.trackTitles.IsNull());
            EXPECT_TRUE(d.trackTitles.chars.empty());
        }
        // Whatever was kept writes a record that reads back the same.
        const Bytes again = RecordOf(*back);
        const auto twice = CreateItemFromRecord(again.data(), again.size());
        ASSERT_NE(twice, nullptr);
        EXPECT_EQ(twice->Data(), d);
    }
}

TEST(RecordRead, EveryCutOfARecordKeepsThePartsThatAreWhole) {
    const Bytes tracks = Golden("tracklist_record.bin");
    const auto whole = CreateItemFromRecord(tracks.data(), tracks.size());
    ASSERT_NE(whole, nullptr);
    // Where each string part's characters end: text, then the five columns.
    std::vector<std::size_t> charsEnd;
    std::size_t o = 224;
    auto add = [&](std::int32_t length) {
        charsEnd.push_back(o + static_cast<std::size_t>(length));
        o += static_cast<std::size_t>(length) + 1;
    };
    add(whole->Data().textLength);
    for (int k = 0; k < kTrackFieldCount; ++k) add(whole->Data().TrackColumn(k).length);
    ASSERT_EQ(o, tracks.size());

    for (std::size_t cut = 0; cut <= tracks.size(); ++cut) {
        SCOPED_TRACE(cut);
        const auto item = CreateItemFromRecord(tracks.data(), cut);
        if (cut < 224) {
            EXPECT_EQ(item, nullptr);
            continue;
        }
        ASSERT_NE(item, nullptr);
        const ItemData& d = item->Data();
        EXPECT_EQ(d.trackCount, 30);
        EXPECT_EQ(d.font, whole->Data().font);
        const bool text = cut >= charsEnd[0];
        EXPECT_EQ(d.textLength, text ? 1 : 0);
        for (int k = 0; k < kTrackFieldCount; ++k) {
            const bool kept = cut >= charsEnd[static_cast<std::size_t>(k) + 1];
            EXPECT_EQ(d.TrackColumn(k), kept ? whole->Data().TrackColumn(k) : ItemString{}) << k;
        }
    }

    // The terminator of the last part may be cut off; the characters are all there.
    const Bytes text = Golden("text_record.bin");
    for (std::size_t cut : {228u, 229u, 230u}) {
        const auto item = CreateItemFromRecord(text.data(), cut);
        EXPECT_EQ(item->Data().text, cut >= 229 ? "Hello" : "") << cut;
    }
    // Shorter than the fixed part, or absent: no item.
    EXPECT_EQ(CreateItemFromRecord(nullptr, 500), nullptr);
    const LineItem shortLine(text.data(), 100);
    EXPECT_EQ(shortLine.Data().points.size(), 0u);
    EXPECT_EQ(shortLine.GetKind(), 0);
}

TEST(RecordRead, EveryCutOfAPageKeepsTheWholeEntriesBeforeIt) {
    const QByteArray page = AsQBytes(Golden("small_page.bin"));
    const std::size_t ends[] = {140 + 260, 140 + 260 + 234, 140 + 260 + 234 + 276};
    ASSERT_EQ(static_cast<std::size_t>(page.size()), ends[2]);
    const auto original = SmallPage();

    for (const bool sequential : {false, true}) {
        for (qsizetype cut = 0; cut <= page.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << "cut " << cut << (sequential ? " sequential" : ""));
            auto read = NewPage();
            bool ok;
            if (sequential) {
                SequentialReader device(page.left(cut));
                ok = read->ReadPage(device);
            } else {
                ok = ReadPageBytes(*read, page.left(cut));
            }
            EXPECT_EQ(ok, cut == page.size());
            // The block is taken only whole.
            EXPECT_EQ(read->templateId, cut >= 136 ? 1 : 99);
            const std::size_t whole =
                static_cast<std::size_t>(std::count_if(std::begin(ends), std::end(ends),
                                                       [&](std::size_t e) { return e <= std::size_t(cut); }));
            ASSERT_EQ(read->items.size(), whole);
            for (std::size_t i = 0; i < whole; ++i)
                EXPECT_EQ(RecordOf(*read->items[i]), RecordOf(*original->items[i])) << i;
        }
    }
}

TEST(RecordRead, PagesBeyondTheLimitsFailWithoutTrustingTheirSizes) {
    const Bytes line = Golden("line_record.bin");
    auto sizeThenBytes = [&](std::uint32_t size, qsizetype following) {
        QByteArray page = PageWith(2, {line});
        std::uint8_t field[4];
        bytes::PutU32(field, size);
        page.append(reinterpret_cast<const char*>(field), 4);
        page.append(QByteArray(following, '\0'));
        return page;
    };
    const struct {
        const char* name;
        QByteArray bytes;
        std::size_t items;
    } cases[] = {
        {"10001 items", PageWith(10001, {line}), 0},
        {"10000 items, one held", PageWith(10000, {line}), 1},
        {"4 billion items", PageWith(0xFFFFFFFF, {line}), 0},
        {"record over the limit", sizeThenBytes(10240001, 20), 1},
        {"largest size field", sizeThenBytes(0xFFFFFFFF, 20), 1},
        {"record at the limit, 20 bytes held", sizeThenBytes(10240000, 20), 1},
        {"record size 1 beyond the file", sizeThenBytes(21, 20), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = NewPage();
        EXPECT_FALSE(ReadPageBytes(*page, c.bytes));
        EXPECT_EQ(page->items.size(), c.items);
        auto fromPipe = NewPage();
        SequentialReader device(c.bytes);
        EXPECT_FALSE(fromPipe->ReadPage(device));
        EXPECT_EQ(fromPipe->items.size(), c.items);
    }
}

TEST(RecordRead, EntriesThatAreNoItemAreSkippedAndTheListingIndexFollows) {
    const Bytes line = Golden("line_record.bin");
    const Bytes tracks = Golden("tracklist_record.bin");
    for (const std::int32_t kind : {8, 12, 10, -1, INT32_MIN})
        EXPECT_EQ(CreateItemFromRecord(WithKind(line, kind).data(), line.size()), nullptr) << kind;

    const Bytes tooShort(line.begin(), line.begin() + 100);
    const struct {
        const char* name;
        Bytes odd;
        std::int32_t savedIndex, readIndex;
    } cases[] = {
        {"kind 8 before the listing", WithKind(line, 8), 2, 1},
        {"kind 12 before the listing", WithKind(line, 12), 2, 1},
        {"kind 12 where the listing was said to be", WithKind(line, 12), 1, -1},
        {"kind 8 with the listing first", WithKind(line, 8), 0, 0},
        {"no listing", WithKind(line, 8), -1, -1},
        {"record shorter than the fixed part", tooShort, 2, 1},
        {"empty record", Bytes{}, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = NewPage();
        const std::vector<Bytes> entries =
            c.savedIndex == 0 ? std::vector<Bytes>{tracks, c.odd, line}
                              : std::vector<Bytes>{line, c.odd, tracks};
        EXPECT_TRUE(ReadPageBytes(*page, PageWith(3, entries, c.savedIndex)));
        ASSERT_EQ(page->items.size(), 2u);
        EXPECT_EQ(page->trackListIndex, c.readIndex);
        if (c.readIndex >= 0) {
            EXPECT_EQ(page->items[std::size_t(c.readIndex)]->GetKind(), 9);
        }
        // Nothing repeats: the items are the two real records, in order.
        EXPECT_EQ(RecordOf(*page->items[0]), entries[0]);
        EXPECT_EQ(RecordOf(*page->items[1]), entries[2]);
    }
}

TEST(RecordWrite, StringPartsAlwaysEndInANulAndNegativeLengthsAreAbsent) {
    TextItem item(0, 0, 1, 1, 0, 0, "abcdef", LogFont{});
    const struct {
        std::int32_t stored;
        std::size_t size;
        const char* readBack;
    } cases[] = {{6, 231, "abcdef"}, {3, 228, "abc"}, {9, 234, "abcdef"}, {0, 224, ""},
                 {-4, 224, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        item.Data().textLength = c.stored;
        const Bytes record = RecordOf(item);
        ASSERT_EQ(record.size(), c.size);
        EXPECT_EQ(record.back(), 0);
        EXPECT_EQ(bytes::GetI32(record.data() + 140), std::max(c.stored, 0));
        EXPECT_EQ(CreateItemFromRecord(record.data(), record.size())->Data().text, c.readBack);
    }
}

TEST(RecordWrite, APageNoReaderWouldTakeIsRefusedBeforeAnyByteIsWritten) {
    // A picture whose record is exactly the largest a reader accepts, and one byte more.
    auto atLimit = std::make_unique<ImageItem>(ItemData{});
    atLimit->Data().imageBytes.assign(kMaxRecordSize - 224, 0xAB);
    EXPECT_EQ(atLimit->RecordSize(), kMaxRecordSize);
    {
        auto page = NewPage();
        page->items.push_back(std::move(atLimit));
        const QByteArray written = WritePageBytes(*page);
        EXPECT_EQ(written.size(), 140 + 4 + qsizetype{kMaxRecordSize});
        auto back = NewPage();
        EXPECT_TRUE(ReadPageBytes(*back, written));
        ASSERT_EQ(back->items.size(), 1u);
        EXPECT_EQ(back->items[0]->Data().imageBytes.size(), kMaxRecordSize - 224);
    }

    auto overLimit = std::make_unique<ImageItem>(ItemData{});
    overLimit->Data().imageBytes.assign(kMaxRecordSize - 223, 0xAB);
    // Lengths whose sum wraps 32 bits must not look small.
    auto wrapping = std::make_unique<TextItem>(0, 0, 1, 1, 0, 0, "x", LogFont{});
    wrapping->Data().textLength = 0x7FFFFFFF;
    wrapping->Data().trackNumbers.length = 0x7FFFFFFF;
    wrapping->Data().trackTitles.length = 0x7FFFFFFF;

    std::uint8_t untouched[4] = {7, 7, 7, 7};
    for (LabelItem* item : {static_cast<LabelItem*>(overLimit.get()),
                            static_cast<LabelItem*>(wrapping.get())}) {
        EXPECT_EQ(item->RecordSize(), 0u);
        EXPECT_EQ(item->WriteRecord(untouched), 0u);
        EXPECT_EQ(untouched[0], 7);
    }

    const struct {
        const char* name;
        std::function<void(CoverPage&)> fill;
    } cases[] = {
        {"record over the limit", [&](CoverPage& p) { p.items.push_back(std::move(overLimit)); }},
        {"sizes wrapping 32 bits", [&](CoverPage& p) { p.items.push_back(std::move(wrapping)); }},
        {"10001 items",
         [](CoverPage& p) {
             for (int i = 0; i < 10001; ++i) p.items.push_back(std::make_unique<LineItem>(0, 0, 1, 1, 0, 0));
         }},
        {"an empty entry", [](CoverPage& p) { p.items.push_back(nullptr); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = NewPage();
        page->items.push_back(GoldenLine());
        c.fill(*page);
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_FALSE(page->WritePage(buffer));
        EXPECT_TRUE(out.isEmpty());
    }
    // 10000 items are fine.
    auto full = NewPage();
    for (int i = 0; i < 10000; ++i) full->items.push_back(std::make_unique<LineItem>(0, 0, 1, 1, 0, 0));
    EXPECT_EQ(WritePageBytes(*full).size(), 140 + 10000 * (4 + 256));
}

TEST(RecordWrite, EveryShortWriteFailsThePage) {
    const auto page = SmallPage();
    const QByteArray whole = WritePageBytes(*page);
    for (qint64 limit = 0; limit <= whole.size(); ++limit) {
        LimitedWriter device(limit);
        EXPECT_EQ(page->WritePage(device), limit == whole.size()) << limit;
        EXPECT_EQ(device.written, whole.left(limit)) << limit;
    }
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(page->WritePage(readOnly));
}
