#pragma once
// One printable surface of a project: its saved properties, its design-unit geometry and
// its items in stacking order (first drawn first, last on top).
#include "LabelItem.h"
#include "LabelTemplate.h"
#include "Types.h"

#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

enum CoverSide : std::int32_t {
    FrontCover = 0,
    BackCover = 1,
    SlimlineCdInsert = 2,
    DvdCaseWrap = 3,
    SlimlineDvdCaseWrap = 4,
    Disc = 5,
};

enum LabelType : std::int32_t {
    StandardCd = 0,
    SlimlineCd = 1,
    StandardDvd = 2,
    SlimlineDvd = 3,
};

// The page's saved block and its design geometry: everything of a page but its items,
// so that geometry can be worked out on a copy.
struct CoverPageFields {
    static constexpr std::size_t kBlockSize = 136;

    // Saved block, in its stored order.
    double positionX = 0, positionY = 0;
    double width = 0, height = 0;
    double holeWidth = 0, holeHeight = 0;
    double spineWidth = 0, spineHeight = 0;
    double spineOffsetX = 0, spineOffsetY = 0;
    double spineCutoutX = 0, spineCutoutY = 0;
    std::int32_t templateId = 0;
    std::int32_t coverSide = 0;
    std::int32_t labelType = 0;
    std::int32_t trackListIndex = -1;
    std::int32_t printOverInnerCircle = 0;
    std::int32_t showBorder = 1;
    std::int32_t useUpperLabel = 1;
    std::int32_t spineTextsCreated = 0;
    std::int32_t reservedFlag = 0;
    COLORREF backgroundColor = RGB(255, 255, 255);

    // Design-unit geometry, not saved.
    std::int32_t designWidth = 0, designHeight = 0;
    std::int32_t designHoleWidth = 0, designHoleHeight = 0;
    std::int32_t designSpineWidth = 0, designSpineHeight = 0;
    std::int32_t designSpineOffsetX = 0, designSpineOffsetY = 0;
    std::int32_t designSpineCutoutX = 0, designSpineCutoutY = 0;

    // Chooses the template's label for this page, copies its geometry and recomputes the
    // design units. side is the page's current surface.
    void ApplyTemplate(std::int32_t side, const LabelTemplate& t);

    // Copies one label's millimetre geometry in and recomputes the design units with the
    // factors of coverSide.
    void TakeLabelGeometry(const TemplateLabel& label);
    void ComputeDesignGeometry();

    void WriteBlock(std::uint8_t* out) const; // kBlockSize bytes
    void ReadBlock(const std::uint8_t* in);
};

class CoverPage : public CoverPageFields {
public:
    // A new page for a surface, made from a template for a project of labelType.
    CoverPage(std::int32_t side, const LabelTemplate& t, std::int32_t labelType);
    ~CoverPage();

    CoverPage(const CoverPage&) = delete;
    CoverPage& operator=(const CoverPage&) = delete;

    // Writes the page record: the saved block, the item count, then per item its record
    // size and record. False on any failed or short write, and, before anything is
    // written, when the page could not be read back: more than kMaxItemsPerPage items, an
    // item whose record exceeds kMaxRecordSize, or an empty entry in items.
    bool WritePage(QIODevice& file) const;
    // Reads a page record, appending its items to items. False when the block or the
    // count is short, the count exceeds kMaxItemsPerPage, an entry is short or its size
    // exceeds kMaxRecordSize; the items read before the failure stay. An entry whose
    // record is no item (an unknown kind, or shorter than an item's fixed part) is
    // skipped and trackListIndex follows the items that stay. Never allocates more than
    // the bytes the device actually delivers, and at most kMaxRecordSize.
    bool ReadPage(QIODevice& file);

    std::vector<std::unique_ptr<LabelItem>> items;
    // The gallery picture last added to this page (not saved).
    QString lastAddedPicturePath;
};
