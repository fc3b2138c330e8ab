#include "CVellumarkDoc.h"
#include "LabelTemplateCatalogue.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct DocFixture : testing::Test {
    LabelTemplateCatalogue catalogue{testsupport::DataPath(QStringLiteral("catalogue/defaults.ani"))};
    CatalogueLabelContext context{catalogue};
    CVellumarkDoc doc{context};

    std::vector<int> Sides() const {
        std::vector<int> out;
        for (const auto& p : doc.Pages()) out.push_back(p->coverSide);
        return out;
    }
};

} // namespace

TEST_F(DocFixture, EachLabelTypeBuildsItsPagesInOrder) {
    struct Case {
        int type;
        std::vector<int> sides;
        std::vector<int> templates;
        std::vector<int> widths;
    } cases[] = {
        {StandardCd, {Disc, BackCover, FrontCover}, {1, 2, 2}, {442, 460, 375}},
        {SlimlineCd, {Disc, SlimlineCdInsert}, {1, 3}, {442, 575}},
        {StandardDvd, {Disc, DvdCaseWrap}, {1, 4}, {442, 480}},
        {SlimlineDvd, {Disc, SlimlineDvdCaseWrap}, {1, 5}, {442, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        context.SetCurrentLabelType(c.type);
        ASSERT_TRUE(doc.CreatePagesForLabelType());
        EXPECT_EQ(Sides(), c.sides);
        std::vector<int> templates, widths;
        for (const auto& p : doc.Pages()) {
            templates.push_back(p->templateId);
            widths.push_back(p->designWidth);
            EXPECT_EQ(p->labelType, c.type);
        }
        EXPECT_EQ(templates, c.templates);
        EXPECT_EQ(widths, c.widths);
        // The queue holds every page in order, so the disc is shown first.
        EXPECT_EQ(doc.PageQueue().size(), c.sides.size());
        EXPECT_EQ(doc.TakeNextQueuedPage(), doc.Pages()[0].get());
        EXPECT_TRUE(doc.IsModified());
    }
}

TEST_F(DocFixture, UnknownLabelTypeCreatesNothingAndSucceeds) {
    context.SetCurrentLabelType(StandardCd);
    ASSERT_TRUE(doc.CreatePagesForLabelType());
    context.SetCurrentLabelType(4);
    EXPECT_TRUE(doc.CreatePagesForLabelType());
    EXPECT_TRUE(doc.Pages().empty());
    EXPECT_TRUE(doc.PageQueue().empty());
}

TEST_F(DocFixture, MissingTemplatesGiveEmptyGeometry) {
    const LabelTemplateCatalogue empty;
    CatalogueLabelContext ctx(empty, StandardDvd);
    CVellumarkDoc d(ctx);
    ASSERT_TRUE(d.CreatePagesForLabelType());
    ASSERT_EQ(d.Pages().size(), 2u);
    EXPECT_EQ(d.Pages()[1]->templateId, 0);
    EXPECT_EQ(d.Pages()[1]->designWidth, 0);
}

TEST_F(DocFixture, PageQueueSwitchesPages) {
    context.SetCurrentLabelType(StandardCd);
    ASSERT_TRUE(doc.CreatePagesForLabelType());
    CoverPage* disc = doc.TakeNextQueuedPage();
    EXPECT_EQ(disc, doc.Pages()[0].get());
    EXPECT_EQ(doc.PageQueue(), (std::deque<std::int32_t>{1, 2}));

    // Switching to page 2: queue it first, then take it.
    doc.QueuePageFirst(2);
    EXPECT_EQ(doc.TakeNextQueuedPage(), doc.Pages()[2].get());
    EXPECT_EQ(doc.PageQueue(), (std::deque<std::int32_t>{1, 2}));

    // An index past the pages yields nothing and stays queued.
    doc.QueuePageFirst(7);
    EXPECT_EQ(doc.TakeNextQueuedPage(), nullptr);
    EXPECT_EQ(doc.PageQueue().front(), 7);
    doc.QueuePageFirst(-1);
    EXPECT_EQ(doc.TakeNextQueuedPage(), nullptr);
}

TEST_F(DocFixture, RemoveAndDeletePages) {
    context.SetCurrentLabelType(StandardCd);
    ASSERT_TRUE(doc.CreatePagesForLabelType());
    CoverPage* back = doc.Pages()[1].get();
    std::unique_ptr<CoverPage> taken = doc.RemovePage(back);
    EXPECT_EQ(taken.get(), back);
    EXPECT_EQ(doc.Pages().size(), 2u);
    EXPECT_TRUE(doc.PageQueue().empty());
    EXPECT_EQ(doc.PageIndex(back), -1);
    EXPECT_EQ(doc.RemovePage(back), nullptr);

    doc.DeleteAllPages();
    EXPECT_TRUE(doc.Pages().empty());
    EXPECT_EQ(doc.TakeNextQueuedPage(), nullptr);
}

TEST_F(DocFixture, ModifiedFlagReportsChanges) {
    std::vector<bool> seen;
    doc.onModifiedChanged = [&](bool m) { seen.push_back(m); };
    context.SetCurrentLabelType(SlimlineCd);
    ASSERT_TRUE(doc.CreatePagesForLabelType());
    doc.SetModifiedFlag(false);
    doc.SetModifiedFlag(false);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}
