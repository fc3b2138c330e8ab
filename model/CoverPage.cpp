#include "CoverPage.h"

#include "ByteIO.h"
#include "DesignScale.h"

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
