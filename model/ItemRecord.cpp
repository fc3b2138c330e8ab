#include "ItemRecord.h"

#include "ByteIO.h"
#include "ImageItem.h"
#include "ShapeItems.h"
#include "TextItem.h"
#include "TrackListItem.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

// Picture bytes of a few megabytes are copied into memory the process has not touched yet;
// on some machines faulting that in page by page costs more than the copy. Asking for large
// pages where the kernel offers them on request cuts the faults by a factor of 512. Only a
// hint: nothing changes where it is not supported.
void AdviseLargePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    if (size < 2 * kLarge) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLarge - 1) & ~(kLarge - 1);
    const std::uintptr_t last = (begin + size) & ~(kLarge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

// Offsets of the fixed part. The placeholders at 8, 136, 152 and beside each column length
// stood for addresses in the program that wrote the record; they are written as 0 and never
// read.
namespace at {
constexpr std::size_t kind = 0;
constexpr std::size_t reserved16 = 4;
constexpr std::size_t pointCount = 12;
constexpr std::size_t rect = 16;
constexpr std::size_t layoutFrame = 32;
constexpr std::size_t holeFrame = 48;
constexpr std::size_t lineColor = 64;
constexpr std::size_t fillColor = 68;
constexpr std::size_t penWidth = 72;
constexpr std::size_t font = 76;
constexpr std::size_t textLength = 140;
constexpr std::size_t imageFormat = 144;
constexpr std::size_t imageSize = 148;
constexpr std::size_t rotation = 160;
constexpr std::size_t hasTrackText = 168;
constexpr std::size_t trackLayout = 172;
constexpr std::size_t alignment = 176;
constexpr std::size_t trackCount = 180;
// Column k's length follows its placeholder at 184 + 8k.
constexpr std::size_t ColumnLength(int k) { return 188 + 8 * static_cast<std::size_t>(k); }
} // namespace at

constexpr std::size_t kPointBytes = 16;

// Bytes a string field occupies after the fixed part: its stored length plus the
// terminator, nothing when absent. Negative lengths never come out of a record read here;
// they count as absent so that size and writer agree whatever the caller stored.
std::uint64_t StringBytes(std::int32_t length) {
    return length > 0 ? static_cast<std::uint64_t>(length) + 1 : 0;
}

std::int32_t StoredLength(std::int32_t length) { return length > 0 ? length : 0; }

void PutRect(std::uint8_t* p, const Rect& r) {
    bytes::PutI32(p, r.left);
    bytes::PutI32(p + 4, r.top);
    bytes::PutI32(p + 8, r.right);
    bytes::PutI32(p + 12, r.bottom);
}

Rect ReadRect(const std::uint8_t* p) {
    return {bytes::GetI32(p), bytes::GetI32(p + 4), bytes::GetI32(p + 8), bytes::GetI32(p + 12)};
}

// Writes a string part of StringBytes(length) bytes: the characters, cut so that at least
// one NUL always ends the part, then zeros.
std::uint8_t* PutString(std::uint8_t* out, const std::string& chars, std::int32_t length) {
    const std::uint64_t size = StringBytes(length);
    if (size == 0) return out;
    const std::size_t n = std::min<std::uint64_t>(chars.size(), size - 1);
    std::memcpy(out, chars.data(), n);
    std::memset(out + n, 0, size - n);
    return out + size;
}

// The characters up to the first NUL among the available bytes.
std::string GetString(const std::uint8_t* p, std::size_t available) {
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, available));
    return std::string(reinterpret_cast<const char*>(p),
                       end ? static_cast<std::size_t>(end - p) : available);
}

} // namespace

std::uint32_t LabelItem::RecordSize() const {
    // Summed in 64 bits: the parts of a damaged or huge item could wrap 32 bits and make a
    // small size out of a huge record.
    std::uint64_t size = kFixedRecordSize;
    size += kPointBytes * static_cast<std::uint64_t>(data_.points.size());
    size += data_.imageBytes.size();
    size += StringBytes(data_.textLength);
    for (int k = 0; k < kTrackFieldCount; ++k) size += StringBytes(data_.TrackColumn(k).length);
    return size <= kMaxRecordSize ? static_cast<std::uint32_t>(size) : 0;
}

std::uint32_t LabelItem::WriteRecord(std::uint8_t* buffer) const {
    const std::uint32_t size = RecordSize();
    if (size == 0) return 0;
    const ItemData& d = data_;
    std::uint8_t* p = buffer;
    std::memset(p, 0, kFixedRecordSize); // placeholders and padding
    bytes::PutI32(p + at::kind, d.kind);
    bytes::PutI16(p + at::reserved16, d.reserved16);
    bytes::PutU32(p + at::pointCount, d.pointCount());
    PutRect(p + at::rect, d.rect);
    PutRect(p + at::layoutFrame, d.layoutFrame);
    PutRect(p + at::holeFrame, d.holeFrame);
    bytes::PutU32(p + at::lineColor, d.lineColor);
    bytes::PutU32(p + at::fillColor, d.fillColor);
    bytes::PutI16(p + at::penWidth, d.penWidth);
    d.font.Write(p + at::font);
    bytes::PutI32(p + at::textLength, StoredLength(d.textLength));
    bytes::PutI32(p + at::imageFormat, d.imageFormat);
    bytes::PutU32(p + at::imageSize, d.imageSize());
    bytes::PutF64(p + at::rotation, d.rotation);
    bytes::PutI32(p + at::hasTrackText, d.hasTrackText);
    bytes::PutI32(p + at::trackLayout, d.trackLayout);
    bytes::PutI32(p + at::alignment, d.alignment);
    bytes::PutI32(p + at::trackCount, d.trackCount);
    for (int k = 0; k < kTrackFieldCount; ++k)
        bytes::PutI32(p + at::ColumnLength(k), StoredLength(d.TrackColumn(k).length));
    p += kFixedRecordSize;

    for (const ItemPoint& pt : d.points) {
        bytes::PutF64(p, pt.x);
        bytes::PutF64(p + 8, pt.y);
        p += kPointBytes;
    }
    if (!d.imageBytes.empty()) {
        std::memcpy(p, d.imageBytes.data(), d.imageBytes.size());
        p += d.imageBytes.size();
    }
    p = PutString(p, d.text, d.textLength);
    for (int k = 0; k < kTrackFieldCount; ++k)
        p = PutString(p, d.TrackColumn(k).chars, d.TrackColumn(k).length);
    return static_cast<std::uint32_t>(p - buffer);
}

void LabelItem::ReadRecord(const std::uint8_t* record, std::size_t length) {
    if (record == nullptr || length < kFixedRecordSize) return;
    ItemData& d = data_;
    const std::uint8_t* p = record;
    // The kind stays the one the class set: the record selected the class, and an item
    // always reports the kind of its class.
    d.reserved16 = bytes::GetI16(p + at::reserved16);
    const std::uint32_t pointCount = bytes::GetU32(p + at::pointCount);
    d.rect = ReadRect(p + at::rect);
    d.layoutFrame = ReadRect(p + at::layoutFrame);
    d.holeFrame = ReadRect(p + at::holeFrame);
    d.lineColor = bytes::GetU32(p + at::lineColor);
    d.fillColor = bytes::GetU32(p + at::fillColor);
    d.penWidth = bytes::GetI16(p + at::penWidth);
    d.font = LogFont::Read(p + at::font);
    const std::int32_t textLength = bytes::GetI32(p + at::textLength);
    d.imageFormat = bytes::GetI32(p + at::imageFormat);
    const std::uint32_t imageSize = bytes::GetU32(p + at::imageSize);
    d.rotation = bytes::GetF64(p + at::rotation);
    d.hasTrackText = bytes::GetI32(p + at::hasTrackText);
    d.trackLayout = bytes::GetI32(p + at::trackLayout);
    d.alignment = bytes::GetI32(p + at::alignment);
    d.trackCount = bytes::GetI32(p + at::trackCount);

    // Every variable part is empty until the record is shown to hold it. Offsets are 64-bit
    // so that no claimed size can wrap around and point back into the record; every size is
    // checked against length before anything is allocated, so a record never costs more
    // memory than its own length.
    enum Part { Points, Picture, Text, FirstColumn };
    auto clearFrom = [&d](int part) {
        if (part <= Points) d.points.clear();
        if (part <= Picture) d.imageBytes.clear();
        if (part <= Text) {
            d.text.clear();
            d.textLength = 0;
        }
        for (int k = std::max(0, part - FirstColumn); k < kTrackFieldCount; ++k)
            d.TrackColumn(k).Clear();
    };
    clearFrom(Points);

    std::uint64_t o = kFixedRecordSize;
    int part = Points; // the part being read; it and every later one stay empty on a stop
    try {
        if (pointCount != 0) {
            const std::uint64_t end = o + kPointBytes * std::uint64_t{pointCount};
            if (end > length) return; // nothing after the points can be located either
            d.points.resize(pointCount);
            for (ItemPoint& pt : d.points) {
                pt.x = bytes::GetF64(p + o);
                pt.y = bytes::GetF64(p + o + 8);
                o += kPointBytes;
            }
        }
        part = Picture;
        if (imageSize != 0) {
            const std::uint64_t end = o + imageSize;
            if (end > length) return;
            d.imageBytes.reserve(imageSize);
            AdviseLargePages(d.imageBytes.data(), imageSize);
            d.imageBytes.assign(p + o, p + end);
            o = end;
        }
        // A string is there when its characters are; its terminator may be missing at the
        // very end of a record. A negative length cannot be located, nor can what follows it.
        auto readString = [&](std::int32_t stored, std::string& chars) {
            if (stored == 0) return true;
            if (stored < 0 || o + static_cast<std::uint64_t>(stored) > length) return false;
            const std::size_t available =
                static_cast<std::size_t>(std::min<std::uint64_t>(StringBytes(stored), length - o));
            chars = GetString(p + o, available);
            o += StringBytes(stored);
            return true;
        };
        part = Text;
        if (!readString(textLength, d.text)) return;
        d.textLength = textLength;
        for (int k = 0; k < kTrackFieldCount; ++k) {
            part = FirstColumn + k;
            ItemString& column = d.TrackColumn(k);
            const std::int32_t stored = bytes::GetI32(p + at::ColumnLength(k));
            if (!readString(stored, column.chars)) return;
            column.length = stored;
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: the part that could not be filled stays empty, and so does
        // everything after it, as for a record that ends early.
        clearFrom(part);
    }
}

std::unique_ptr<LabelItem> CreateItemFromRecord(const std::uint8_t* record, std::size_t length) {
    if (record == nullptr || length < LabelItem::kFixedRecordSize) return nullptr;
    switch (static_cast<ItemKind>(bytes::GetI32(record + at::kind))) {
    case ItemKind::Line:
        return std::make_unique<LineItem>(record, length);
    case ItemKind::Ellipse:
        return std::make_unique<EllipseItem>(record, length);
    case ItemKind::Circle:
        return std::make_unique<CircleItem>(record, length);
    case ItemKind::Freehand:
        return std::make_unique<FreehandItem>(record, length);
    case ItemKind::Rectangle:
        return std::make_unique<RectangleItem>(record, length);
    case ItemKind::Triangle:
        return std::make_unique<TriangleItem>(record, length);
    case ItemKind::Picture:
        return std::make_unique<ImageItem>(record, length);
    case ItemKind::Text:
        return std::make_unique<TextItem>(record, length);
    case ItemKind::TrackList:
        return std::make_unique<TrackListItem>(record, length);
    }
    return nullptr;
}
