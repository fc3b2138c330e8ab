#include "CoverPage.h"

#include "ByteIO.h"
#include "DesignScale.h"
#include "ItemRecord.h"

#include <QIODevice>

#include <algorithm>
#include <new>

void CoverPageFields::TakeLabelGeometry(const TemplateLabel& label) {
    positionX = label.positionX;
    positionY = label.positionY;
    width = label.width;
    height = label.height;
    holeWidth = label.holeWidth;
    holeHeight = label.holeHeight;
    spineWidth = label.spineWidth;
    spineHeight = label.spineHeight;
    spineOffsetX = label.spineOffsetX;
    spineOffsetY = label.spineOffsetY;
    spineCutoutX = label.spineCutoutX;
    spineCutoutY = label.spineCutoutY;
    ComputeDesignGeometry();
}

void CoverPageFields::ComputeDesignGeometry() {
    const DesignScale s = DesignScale::ForSide(coverSide);
    designWidth = ToDesignUnits(width, s.fx);
    designHeight = ToDesignUnits(height, s.fy);
    designHoleWidth = ToDesignUnits(holeWidth, DesignScale::kHole);
    designHoleHeight = ToDesignUnits(holeHeight, DesignScale::kHole);
    designSpineWidth = ToDesignUnits(spineWidth, s.spineW);
    designSpineHeight = ToDesignUnits(spineHeight, s.spineH);
    designSpineOffsetX = ToDesignUnits(spineOffsetX, s.spineOffsetX);
    designSpineOffsetY = 0;
    designSpineCutoutX = ToDesignUnits(spineCutoutX, s.cutoutX);
    designSpineCutoutY = ToDesignUnits(spineCutoutY, s.cutoutY);
}

void CoverPageFields::ApplyTemplate(std::int32_t side, const LabelTemplate& t) {
    int label;
    if (t.type1 != t.type2) {
        label = side == t.type1 ? 1 : 2;
        useUpperLabel = label == 1 ? 1 : 0;
    } else {
        // Two labels of one kind: the user's choice of upper or lower decides.
        label = useUpperLabel != 0 ? 1 : 2;
    }
    const TemplateLabel chosen = LabelOf(t, label);
    coverSide = chosen.type;
    templateId = t.id;
    TakeLabelGeometry(chosen);
}

void CoverPageFields::WriteBlock(std::uint8_t* out) const {
    const double reals[12] = {positionX,   positionY,    width,        height,
                              holeWidth,   holeHeight,   spineWidth,   spineHeight,
                              spineOffsetX, spineOffsetY, spineCutoutX, spineCutoutY};
    for (int i = 0; i < 12; ++i) bytes::PutF64(out + 8 * i, reals[i]);
    const std::int32_t ints[9] = {templateId,  coverSide,     labelType,
                                  trackListIndex, printOverInnerCircle, showBorder,
                                  useUpperLabel, spineTextsCreated,    reservedFlag};
    for (int i = 0; i < 9; ++i) bytes::PutI32(out + 96 + 4 * i, ints[i]);
    bytes::PutU32(out + 132, backgroundColor);
}

void CoverPageFields::ReadBlock(const std::uint8_t* in) {
    double* reals[12] = {&positionX,   &positionY,    &width,        &height,
                         &holeWidth,   &holeHeight,   &spineWidth,   &spineHeight,
                         &spineOffsetX, &spineOffsetY, &spineCutoutX, &spineCutoutY};
    for (int i = 0; i < 12; ++i) *reals[i] = bytes::GetF64(in + 8 * i);
    std::int32_t* ints[9] = {&templateId,    &coverSide,     &labelType,
                             &trackListIndex, &printOverInnerCircle, &showBorder,
                             &useUpperLabel, &spineTextsCreated,    &reservedFlag};
    for (int i = 0; i < 9; ++i) *ints[i] = bytes::GetI32(in + 96 + 4 * i);
    backgroundColor = bytes::GetU32(in + 132);
}

CoverPage::CoverPage(std::int32_t side, const LabelTemplate& t, std::int32_t type) {
    // A new page keeps useUpperLabel = 1; only ApplyTemplate changes it.
    const int label = side == t.type1 ? 1 : 2;
    const TemplateLabel chosen = LabelOf(t, label);
    coverSide = label == 1 ? side : t.type2;
    templateId = t.id;
    labelType = type;
    TakeLabelGeometry(chosen);
}

CoverPage::~CoverPage() = default;

// --- page records ------------------------------------------------------------------------

namespace {

bool WriteAll(QIODevice& file, const std::uint8_t* data, std::size_t size) {
    return file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
           static_cast<qint64>(size);
}

// Reads exactly size bytes into out; false on a failed or short read.
bool ReadAll(QIODevice& file, std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const qint64 got =
            file.read(reinterpret_cast<char*>(out) + done, static_cast<qint64>(size - done));
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Reads a record of size bytes into buffer (resized to it). The size comes from the file,
// so it is not trusted with memory: a random-access device must still hold that many bytes
// before any is allocated, and a sequential one is read in bounded steps, so a damaged size
// costs at most one step beyond the bytes really there.
bool ReadRecordBytes(QIODevice& file, std::vector<std::uint8_t>& buffer, std::uint32_t size) {
    constexpr std::size_t kStep = std::size_t{1} << 20;
    try {
        if (!file.isSequential()) {
            if (file.size() - file.pos() < static_cast<qint64>(size)) return false;
            buffer.resize(size);
            return ReadAll(file, buffer.data(), size);
        }
        buffer.clear();
        std::size_t done = 0;
        while (done < size) {
            const std::size_t step = std::min<std::size_t>(kStep, size - done);
            buffer.resize(done + step);
            if (!ReadAll(file, buffer.data() + done, step)) return false;
            done += step;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace

bool CoverPage::WritePage(QIODevice& file) const {
    // Refuse, before writing anything, what no reader would take back: the document would
    // otherwise replace a good file with one that cannot be opened.
    if (items.size() > kMaxItemsPerPage) return false;
    for (const auto& item : items)
        if (!item || item->RecordSize() == 0) return false;

    std::uint8_t head[kBlockSize + 4];
    WriteBlock(head);
    bytes::PutU32(head + kBlockSize, static_cast<std::uint32_t>(items.size()));
    if (!WriteAll(file, head, kBlockSize)) return false;
    if (!WriteAll(file, head + kBlockSize, 4)) return false;

    std::vector<std::uint8_t> scratch;
    try {
        for (const auto& item : items) {
            const std::uint32_t size = item->RecordSize();
            std::uint8_t sizeField[4];
            bytes::PutU32(sizeField, size);
            if (!WriteAll(file, sizeField, 4)) return false;
            if (scratch.size() < size) scratch.resize(size);
            if (item->WriteRecord(scratch.data()) != size) return false;
            if (!WriteAll(file, scratch.data(), size)) return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CoverPage::ReadPage(QIODevice& file) {
    std::uint8_t head[kBlockSize + 4];
    if (!ReadAll(file, head, kBlockSize)) return false;
    // Only a whole block is taken; the design geometry follows the millimetres read.
    ReadBlock(head);
    ComputeDesignGeometry();
    if (!ReadAll(file, head + kBlockSize, 4)) return false;
    const std::uint32_t count = bytes::GetU32(head + kBlockSize);
    if (count > kMaxItemsPerPage) return false;

    // trackListIndex counts the entries of the file; skipped entries must not make it name
    // another item.
    const std::int32_t savedTrackList = trackListIndex;
    std::vector<std::uint8_t> buffer;
    for (std::uint32_t entry = 0; entry < count; ++entry) {
        std::uint8_t sizeField[4];
        if (!ReadAll(file, sizeField, 4)) return false;
        const std::uint32_t size = bytes::GetU32(sizeField);
        if (size > kMaxRecordSize) return false;
        if (!ReadRecordBytes(file, buffer, size)) return false;
        std::unique_ptr<LabelItem> item;
        try {
            item = CreateItemFromRecord(buffer.data(), size);
        } catch (const std::bad_alloc&) {
            // The record was read; only this item is lost, as for an unknown kind.
        }
        if (item) {
            items.push_back(std::move(item));
            continue;
        }
        if (static_cast<std::int64_t>(entry) == savedTrackList)
            trackListIndex = -1;
        else if (static_cast<std::int64_t>(entry) < savedTrackList && trackListIndex > 0)
            --trackListIndex;
    }
    return true;
}
