#include "CoverPage.h"
#include "DesignScale.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Distinct values per label so the chosen label can be told from the other.
LabelTemplate TwoLabelTemplate(int type1, int type2) {
    LabelTemplate t;
    t.id = 31;
    t.type1 = type1;
    t.type2 = type2;
    t.labelsPerPage = 2;
    t.userWidth1 = 120.65;
    t.userHeight1 = 120.65;
    t.userPositionX1 = 11;
    t.userPositionY1 = 12;
    t.userWidth2 = 150;
    t.userHeight2 = 118;
    t.userPositionX2 = 21;
    t.userPositionY2 = 22;
    t.userHoleWidth1 = 41;
    t.userHoleHeight1 = 41;
    t.userHoleWidth2 = 17;
    t.userHoleHeight2 = 17;
    t.spineWidth2 = 6.5;
    t.spineHeight2 = 118;
    t.width1 = 999; // factory values are never used for layout
    return t;
}

} // namespace

TEST(CoverPage, NewPageTakesTheMatchingLabel) {
    const LabelTemplate t = TwoLabelTemplate(FrontCover, BackCover);
    const CoverPage back(BackCover, t, StandardCd);
    EXPECT_EQ(back.coverSide, BackCover);
    EXPECT_DOUBLE_EQ(back.positionX, 21);
    EXPECT_DOUBLE_EQ(back.width, 150);
    EXPECT_EQ(back.designWidth, 460);
    EXPECT_EQ(back.designHeight, 362);
    EXPECT_EQ(back.designSpineWidth, 19); // 6.5 * 460/150
    EXPECT_EQ(back.designSpineHeight, 362);
    EXPECT_EQ(back.useUpperLabel, 1); // construction never changes it
    EXPECT_EQ(back.templateId, 31);
    EXPECT_EQ(back.labelType, StandardCd);

    const CoverPage front(FrontCover, t, StandardCd);
    EXPECT_EQ(front.coverSide, FrontCover);
    EXPECT_EQ(front.designWidth, 375);
    EXPECT_EQ(front.designHeight, 375);
    EXPECT_EQ(front.designHoleWidth, 153); // 41 * 3.75, truncated

    // A surface neither label is for takes label 2 and its type.
    const CoverPage other(Disc, t, StandardCd);
    EXPECT_EQ(other.coverSide, BackCover);
    EXPECT_DOUBLE_EQ(other.width, 150);
}

TEST(CoverPage, DefaultsOfTheSavedBlock) {
    const CoverPage page(Disc, LabelTemplate{}, SlimlineDvd);
    EXPECT_EQ(page.trackListIndex, -1);
    EXPECT_EQ(page.printOverInnerCircle, 0);
    EXPECT_EQ(page.showBorder, 1);
    EXPECT_EQ(page.spineTextsCreated, 0);
    EXPECT_EQ(page.reservedFlag, 0);
    EXPECT_EQ(page.backgroundColor, RGB(255, 255, 255));
    EXPECT_TRUE(page.items.empty());
}

TEST(CoverPage, ApplyTemplateChoosesTheLabel) {
    struct Case {
        int type1, type2, side, useUpperBefore;
        int expectedLabel, expectedSide, expectedUseUpper;
    } cases[] = {
        {FrontCover, BackCover, BackCover, 1, 2, BackCover, 0},
        {FrontCover, BackCover, FrontCover, 0, 1, FrontCover, 1},
        {Disc, Disc, Disc, 0, 2, Disc, 0},
        {Disc, Disc, Disc, 1, 1, Disc, 1},
        {Disc, FrontCover, DvdCaseWrap, 1, 2, FrontCover, 0}, // neither type matches
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type1 << "/" << c.type2 << " side " << c.side);
        CoverPage page(c.side, LabelTemplate{}, 0);
        page.useUpperLabel = c.useUpperBefore;
        page.ApplyTemplate(c.side, TwoLabelTemplate(c.type1, c.type2));
        EXPECT_EQ(page.coverSide, c.expectedSide);
        EXPECT_EQ(page.useUpperLabel, c.expectedUseUpper);
        EXPECT_EQ(page.templateId, 31);
        EXPECT_DOUBLE_EQ(page.positionX, c.expectedLabel == 1 ? 11 : 21);
        EXPECT_DOUBLE_EQ(page.holeWidth, c.expectedLabel == 1 ? 41 : 17);
    }
}

TEST(CoverPage, DesignUnitsPerSurface) {
    struct Case {
        int side;
        double w, h, spineW, spineH, offsetX, cutX, cutY;
        std::array<int, 8> design; // width, height, spineW, spineH, offsetX, offsetY, cutX, cutY
    } cases[] = {
        {FrontCover, 120.65, 120.65, 0, 0, 0, 0, 0, {375, 375, 0, 0, 0, 0, 0, 0}},
        {BackCover, 150, 118, 6.5, 118, 3, 0, 0, {460, 362, 19, 362, 0, 0, 0, 0}},
        {SlimlineCdInsert, 195, 121, 5, 121, 120, 4, 12, {575, 355, 15, 355, 407, 0, 13, 35}},
        {DvdCaseWrap, 274, 183, 14, 183, 0, 0, 0, {480, 320, 24, 320, 0, 0, 0, 0}},
        {SlimlineDvdCaseWrap, 267.5, 183, 7, 183, 0, 0, 0, {480, 320, 10, 320, 0, 0, 0, 0}},
        {Disc, 118, 118, 5, 5, 5, 5, 5, {442, 442, 0, 0, 0, 0, 0, 0}},
        {17, 118, 118, 0, 0, 0, 0, 0, {442, 442, 0, 0, 0, 0, 0, 0}}, // unknown scales as a disc
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        LabelTemplate t;
        t.type1 = t.type2 = c.side;
        t.userWidth1 = c.w;
        t.userHeight1 = c.h;
        t.spineWidth1 = c.spineW;
        t.spineHeight1 = c.spineH;
        t.spineOffsetX1 = c.offsetX;
        t.spineOffsetY1 = 9; // kept in millimetres, never scaled
        t.spineCutoutX1 = c.cutX;
        t.spineCutoutY1 = c.cutY;
        CoverPage page(c.side, t, 0);
        page.ApplyTemplate(c.side, t);
        const std::array<int, 8> got = {page.designWidth,        page.designHeight,
                                        page.designSpineWidth,   page.designSpineHeight,
                                        page.designSpineOffsetX, page.designSpineOffsetY,
                                        page.designSpineCutoutX, page.designSpineCutoutY};
        EXPECT_EQ(got, c.design);
        EXPECT_DOUBLE_EQ(page.spineOffsetY, 9);
    }
}

TEST(CoverPage, WildTemplateValuesStayInRange) {
    LabelTemplate t;
    t.type1 = t.type2 = Disc;
    t.userWidth1 = 1e300;
    t.userHeight1 = -1e300;
    t.userHoleWidth1 = std::numeric_limits<double>::quiet_NaN();
    const CoverPage page(Disc, t, 0);
    EXPECT_EQ(page.designWidth, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(page.designHeight, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(page.designHoleWidth, 0);
}

TEST(CoverPage, SavedBlockIs136LittleEndianBytes) {
    CoverPage page(BackCover, TwoLabelTemplate(FrontCover, BackCover), StandardDvd);
    page.trackListIndex = 4;
    page.backgroundColor = RGB(1, 2, 3);
    page.reservedFlag = -7;
    std::array<std::uint8_t, CoverPageFields::kBlockSize> block{};
    page.WriteBlock(block.data());
    // positionX = 21.0 as binary64, little-endian
    const std::array<std::uint8_t, 8> twentyOne = {0, 0, 0, 0, 0, 0, 0x35, 0x40};
    EXPECT_TRUE(std::equal(twentyOne.begin(), twentyOne.end(), block.begin()));
    EXPECT_EQ(block[96], 31);   // templateId
    EXPECT_EQ(block[100], 1);   // coverSide
    EXPECT_EQ(block[104], 2);   // labelType
    EXPECT_EQ(block[108], 4);   // trackListIndex
    EXPECT_EQ(block[116], 1);   // showBorder
    EXPECT_EQ(block[128], 0xF9); // reservedFlag -7
    EXPECT_EQ(block[131], 0xFF);
    EXPECT_EQ(block[132], 1);   // COLORREF 0x00030201
    EXPECT_EQ(block[133], 2);
    EXPECT_EQ(block[134], 3);
    EXPECT_EQ(block[135], 0);

    CoverPage copy(Disc, LabelTemplate{}, 0);
    copy.ReadBlock(block.data());
    std::array<std::uint8_t, CoverPageFields::kBlockSize> again{};
    copy.WriteBlock(again.data());
    EXPECT_EQ(block, again);
    EXPECT_EQ(copy.trackListIndex, 4);
    EXPECT_DOUBLE_EQ(copy.spineWidth, 6.5);
}
