// Picture items: the file's bytes kept as read, the picture decoded from them, turned with
// the item and stretched into its rectangle.
#include "ImageItem.h"
#include "DeviceContext.h"
#include "ItemRecord.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kGreen = 0xff00ff00u;
constexpr QRgb kBlue = 0xff0000ffu;
constexpr QRgb kYellow = 0xffffff00u;
constexpr QRgb kWhite = 0xffffffffu;

// A w x h picture whose four quadrants are red, green (top) and blue, yellow (bottom).
QImage Quadrants(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kYellow));
    return img;
}

QByteArray Encode(const QImage& img, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(img);
    return bytes;
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

std::vector<std::uint8_t> AsBytes(const QByteArray& a) {
    return {a.begin(), a.end()};
}

QRgb At(const QImage& img, int x, int y) {
    return img.pixel(x, y) | 0xff000000u;
}

} // namespace

TEST(ImageItem, ShowsThePictureAtItsNaturalSizeAndKeepsTheFileBytes) {
    QTemporaryDir dir;
    const QByteArray png = Encode(Quadrants(300, 200), "png");
    const QString path = Write(dir, QStringLiteral("photo.PNG"), png);
    const struct {
        const char* extension;
        int format;
    } cases[] = {{"PNG", 4},
                 {"png", 4},
                 {"Png", 4},
                 {"jpeg", 0},
                 {"", 0},
                 // A misnamed file is found by its content and stored under its real format.
                 {"bmp", 4},
                 {"JPG", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        ImageItem item(10, 20, path, QString::fromLatin1(c.extension));
        EXPECT_TRUE(item.decodeOk());
        EXPECT_EQ(item.GetKind(), 6);
        EXPECT_EQ(item.GetRect(), (Rect{10, 20, 310, 220}));
        EXPECT_EQ(item.Data().imageFormat, c.format);
        EXPECT_EQ(item.Data().imageBytes, AsBytes(png));
        EXPECT_EQ(item.Data().rotation, 0.0);
        ASSERT_NE(item.GetPicture(), nullptr);
        EXPECT_EQ(item.GetPicture()->Width(), 300u);
    }
}

TEST(ImageItem, FilesThatGiveNoPictureLeaveAnEmptyItemTheEditorDiscards) {
    QTemporaryDir dir;
    const QString text = Write(dir, QStringLiteral("notes.png"), "just some words\n");
    const QString empty = Write(dir, QStringLiteral("empty.png"), {});
    // A real picture one byte too large for an item record could be placed but never
    // saved; the largest that fits is accepted (decoders ignore bytes after the picture).
    const qsizetype largest = kMaxRecordSize - LabelItem::kFixedRecordSize;
    QByteArray padded = Encode(Quadrants(8, 8), "png");
    padded.append(largest - padded.size(), '\0');
    EXPECT_TRUE(ImageItem(0, 0, Write(dir, QStringLiteral("fits.png"), padded), "png").decodeOk());
    padded.append('\0');
    const QString tooLarge = Write(dir, QStringLiteral("huge.png"), padded);
    const struct {
        const char* name;
        QString path;
        bool keepsBytes;
    } cases[] = {
        {"missing", dir.filePath(QStringLiteral("missing.png")), false},
        {"folder", dir.path(), false},
        {"empty", empty, false},
        {"too large to save", tooLarge, false},
        {"not a picture", text, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageItem item(10, 20, c.path, QStringLiteral("png"));
        EXPECT_FALSE(item.decodeOk());
        EXPECT_EQ(item.GetPicture(), nullptr);
        EXPECT_EQ(item.GetRect(), Rect{});
        EXPECT_EQ(!item.Data().imageBytes.empty(), c.keepsBytes);
        QImage surface(4, 4, QImage::Format_RGB32);
        surface.fill(kWhite);
        DeviceContext dc(surface);
        item.Draw(dc, false);
        EXPECT_EQ(At(surface, 0, 0), kWhite);
    }
}

TEST(ImageItem, AQuarterTurnTurnsRectangleAndPictureButNeverTheBytes) {
    QTemporaryDir dir;
    const QByteArray png = Encode(Quadrants(300, 200), "png");
    ImageItem item(10, 20, Write(dir, QStringLiteral("p.png"), png), QStringLiteral("png"));
    item.Rotate90(90.0);
    EXPECT_EQ(item.Data().rotation, 90.0);
    EXPECT_EQ(item.Data().imageBytes, AsBytes(png));
    // Centre (160, 120): the 300 x 200 box turns into 200 x 300.
    EXPECT_EQ(item.GetRect(), (Rect{60, -30, 260, 270}));
    const ImageCodec* picture = item.GetPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 200u);
    EXPECT_EQ(picture->Height(), 300u);
    // Clockwise: the blue bottom-left quadrant comes to the top-left.
    EXPECT_EQ(picture->GetPicture().ColorAt(0, 0), kBlue);
    EXPECT_EQ(picture->GetPicture().ColorAt(199, 0), kRed);

    item.Rotate90(-90.0);
    EXPECT_EQ(picture->Width(), 300u);
    EXPECT_EQ(picture->GetPicture().ColorAt(0, 0), kRed);
    item.Rotate90(0.05); // no turn
    EXPECT_EQ(picture->Width(), 300u);
}

TEST(ImageItem, AnItemReadBackTurnsItsPictureOnceByTheStoredRotation) {
    QTemporaryDir dir;
    ImageItem original(0, 0, Write(dir, QStringLiteral("p.png"), Encode(Quadrants(4, 2), "png")),
                       QStringLiteral("png"));
    original.Rotate90(90.0);
    const ImageItem rebuilt(original.Data());
    EXPECT_EQ(rebuilt.Data(), original.Data());
    ASSERT_NE(rebuilt.GetPicture(), nullptr);
    EXPECT_EQ(rebuilt.GetPicture()->Width(), 2u);
    EXPECT_EQ(rebuilt.GetPicture()->Height(), 4u);
    EXPECT_EQ(rebuilt.GetPicture()->GetPicture().ColorAt(0, 0), kBlue);

    const struct {
        double rotation;
        unsigned width;
        QRgb topLeft;
    } cases[] = {
        {180, 4, kYellow}, {270, 2, kGreen}, {-90, 2, kGreen}, {0, 4, kRed}, {91, 2, kBlue}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rotation);
        ItemData data = original.Data();
        data.rotation = c.rotation;
        const ImageItem item(data);
        ASSERT_TRUE(item.GetPicture()->IsValid());
        EXPECT_EQ(item.GetPicture()->Width(), c.width);
        EXPECT_EQ(item.GetPicture()->GetPicture().ColorAt(0, 0), c.topLeft);
    }

    // Bytes that no longer decode give an empty picture that draws nothing.
    ItemData broken = original.Data();
    broken.imageBytes.resize(10);
    const ImageItem empty(broken);
    ASSERT_NE(empty.GetPicture(), nullptr);
    EXPECT_FALSE(empty.GetPicture()->IsValid());

    const ImageItem copy(rebuilt);
    EXPECT_EQ(copy.GetPicture()->Height(), 4u);
    EXPECT_NE(copy.GetPicture(), rebuilt.GetPicture());
}

TEST(ImageItem, ResizeMovesOneCornerFreelyAndDrawingStaysUpright) {
    QTemporaryDir dir;
    const QString path = Write(dir, QStringLiteral("p.png"), Encode(Quadrants(2, 2), "png"));
    const struct {
        int handle;
        int x, y;
        Rect rect;
    } cases[] = {
        {1, 7, 8, {7, 8, 12, 12}}, {2, 0, 1, {10, 1, 0, 12}},   {3, 20, 30, {10, 10, 20, 30}},
        {4, 1, 2, {1, 10, 12, 2}}, {0, 5, 5, {10, 10, 12, 12}}, {5, 5, 5, {10, 10, 12, 12}},
    };
    for (const auto& c : cases) {
        ImageItem item(10, 10, path, QStringLiteral("png"));
        item.Resize(c.handle, c.x, c.y);
        EXPECT_EQ(item.GetRect(), c.rect) << c.handle;
    }

    // Dragged inside out to (14, 14)-(10, 10): drawn upright in (10, 10)-(14, 14).
    ImageItem item(10, 10, path, QStringLiteral("png"));
    item.Resize(1, 14, 14);
    EXPECT_EQ(item.GetRect(), (Rect{14, 14, 12, 12}));
    item.Resize(3, 10, 10);
    EXPECT_EQ(item.GetRect(), (Rect{14, 14, 10, 10}));
    QImage surface(16, 16, QImage::Format_RGB32);
    surface.fill(kWhite);
    DeviceContext dc(surface);
    item.Draw(dc, false);
    EXPECT_EQ(At(surface, 10, 10), kRed);
    EXPECT_EQ(At(surface, 11, 11), kRed);
    EXPECT_EQ(At(surface, 13, 10), kGreen);
    EXPECT_EQ(At(surface, 10, 13), kBlue);
    EXPECT_EQ(At(surface, 13, 13), kYellow);
    EXPECT_EQ(At(surface, 14, 14), kWhite);
    EXPECT_EQ(At(surface, 9, 9), kWhite);
}
