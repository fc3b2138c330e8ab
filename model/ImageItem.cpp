#include "ImageItem.h"

#include "ItemRecord.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// A picture must fit in one item record, or the label could be edited but never saved and
// opened again; larger files are refused when they are chosen.
constexpr qint64 kMaxPictureFileBytes = kMaxRecordSize - LabelItem::kFixedRecordSize;
constexpr qint64 kReadChunk = 65535;

// The whole file, read in bounded chunks. False (and no bytes) when the file cannot be
// opened, is empty or too large, or cannot be read completely.
bool ReadWholeFile(const QString& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxPictureFileBytes) return false;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(reinterpret_cast<char*>(bytes.data()) + done,
                                     std::min(kReadChunk, size - done));
        if (got <= 0) {
            // A partial picture file would be saved with the label: keep nothing.
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

// Decodes by the stored code and, when the bytes are not of that format (a file named with
// the wrong extension), by their content, as the gallery does when it shows the same file.
bool DecodeBytes(ImageCodec& codec, const std::vector<std::uint8_t>& bytes, int format) {
    if (bytes.empty()) return false;
    if (codec.DecodeMemory(bytes.data(), bytes.size(), format)) return true;
    return format != Detect && codec.DecodeMemory(bytes.data(), bytes.size(), Detect);
}

// Items only ever turn by quarter turns; a stored angle in between (from a damaged file)
// is taken to the nearest one rather than sampling the picture at a slant.
double QuarterTurnOf(double rotation) {
    if (!std::isfinite(rotation)) return 0.0;
    const long quarters = std::lround(std::fmod(rotation, 360.0) / 90.0);
    return static_cast<double>(((quarters % 4) + 4) % 4) * 90.0;
}

} // namespace

ImageItem::ImageItem(int x, int y, const QString& path, const QString& extension)
    : LabelItem(ItemKind::Picture) {
    data_.imageFormat = ImageFormatFromExtension(extension);
    if (!ReadWholeFile(path, data_.imageBytes)) {
        decodeOk_ = false;
        return;
    }
    // One decode serves as both the check and the kept picture.
    auto codec = std::make_unique<ImageCodec>(data_.imageFormat);
    if (!DecodeBytes(*codec, data_.imageBytes, data_.imageFormat)) {
        decodeOk_ = false;
        return;
    }
    // A file whose extension names the wrong format is stored under the format it really
    // has, so that reading it back decodes it directly.
    if (data_.imageFormat != Detect) data_.imageFormat = codec->Format();
    codec->Rotate(QuarterTurnOf(data_.rotation));
    picture_ = std::move(codec);
    data_.rect = {x, y, ClampToInt32(std::int64_t{x} + picture_->Width()),
                  ClampToInt32(std::int64_t{y} + picture_->Height())};
}

ImageItem::ImageItem(const ItemData& data) : LabelItem(ItemKind::Picture) {
    data_ = data;
    data_.kind = static_cast<std::int32_t>(ItemKind::Picture);
    RebuildPicture();
}

ImageItem::ImageItem(const std::uint8_t* record, std::size_t length)
    : LabelItem(ItemKind::Picture) {
    ReadRecord(record, length);
    RebuildPicture();
}

ImageItem::ImageItem(const ImageItem& other) : LabelItem(other), decodeOk_(other.decodeOk_) {
    RebuildPicture();
}

ImageItem& ImageItem::operator=(const ImageItem& other) {
    if (this != &other) {
        LabelItem::operator=(other);
        decodeOk_ = other.decodeOk_;
        RebuildPicture();
    }
    return *this;
}

ImageItem::~ImageItem() = default;

void ImageItem::RebuildPicture() {
    auto codec = std::make_unique<ImageCodec>(data_.imageFormat);
    DecodeBytes(*codec, data_.imageBytes, data_.imageFormat);
    codec->Rotate(QuarterTurnOf(data_.rotation));
    picture_ = std::move(codec);
}

void ImageItem::Resize(int handle, int x, int y) {
    Rect& r = data_.rect;
    switch (handle) {
    case 1:
        r.left = x;
        r.top = y;
        break;
    case 2:
        r.right = x;
        r.top = y;
        break;
    case 3:
        r.right = x;
        r.bottom = y;
        break;
    case 4:
        r.left = x;
        r.bottom = y;
        break;
    default:
        break;
    }
}

void ImageItem::Rotate90(double angle) {
    LabelItem::Rotate90(angle);
    // The picture takes the same quarter turn as the rectangle: the sign decides it, as
    // it does for the rectangle.
    if (!picture_) return;
    if (angle > 0.1)
        picture_->Rotate(90.0);
    else if (angle < -0.1)
        picture_->Rotate(-90.0);
}

void ImageItem::Draw(DeviceContext& dc, bool) {
    if (picture_) picture_->DrawInRect(&dc, data_.rect.Normalized(), nullptr, false);
}
