// The catalogue that ships with the program must describe label stock that physically fits.
#include "CoverPage.h"
#include "LabelTemplateCatalogue.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>

namespace {

struct Sheet {
    double width, height;
};

// Portrait sizes of the paper codes the catalogue may use.
bool PaperOf(int code, int orientation, Sheet& out) {
    switch (code) {
    case 1:
        out = {215.9, 279.4};
        break; // Letter
    case 9:
        out = {210.0, 297.0};
        break; // A4
    default:
        return false;
    }
    if (orientation == 2) std::swap(out.width, out.height);
    return true;
}

struct Box {
    double x, y, w, h;
    bool Inside(const Sheet& s) const {
        constexpr double eps = 1e-9;
        return x >= -eps && y >= -eps && x + w <= s.width + eps && y + h <= s.height + eps;
    }
    bool Overlaps(const Box& o) const {
        return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
};

void CheckLabel(const LabelTemplate& t, int label, const Sheet& sheet) {
    const TemplateLabel l = LabelOf(t, label);
    SCOPED_TRACE(testing::Message() << "label " << label);
    EXPECT_GE(l.type, 0);
    EXPECT_LE(l.type, 5);
    EXPECT_GT(l.width, 0);
    EXPECT_GT(l.height, 0);
    EXPECT_TRUE((Box{l.positionX, l.positionY, l.width, l.height}.Inside(sheet)));
    if (l.type == Disc) {
        EXPECT_DOUBLE_EQ(l.width, l.height);
        EXPECT_GT(l.holeWidth, 0);
        EXPECT_LT(l.holeWidth, l.width);
        EXPECT_DOUBLE_EQ(l.holeWidth, l.holeHeight);
    } else {
        EXPECT_EQ(l.holeWidth, 0);
    }
    switch (l.type) {
    case BackCover:
        EXPECT_GT(l.spineWidth, 0);
        EXPECT_LT(2 * l.spineWidth, l.width);
        EXPECT_LE(l.spineHeight, l.height);
        break;
    case SlimlineCdInsert:
        EXPECT_GT(l.spineWidth, 0);
        EXPECT_LE(l.spineOffsetX + l.spineWidth, l.width);
        EXPECT_LE(l.spineHeight, l.height);
        EXPECT_LT(l.spineCutoutX, l.spineOffsetX);
        EXPECT_LT(2 * l.spineCutoutY, l.height);
        break;
    case DvdCaseWrap:
    case SlimlineDvdCaseWrap:
        EXPECT_GT(l.spineWidth, 0);
        EXPECT_LT(l.spineWidth, l.width / 2);
        EXPECT_LE(l.spineHeight, l.height);
        break;
    default:
        EXPECT_EQ(l.spineWidth, 0);
        break;
    }
}

LabelTemplateCatalogue Shipped() {
    return LabelTemplateCatalogue(testsupport::ShippedPath(QStringLiteral("lbl.ani")));
}

} // namespace

TEST(ShippedCatalogue, EveryTemplateFitsItsSheet) {
    const LabelTemplateCatalogue cat = Shipped();
    ASSERT_GE(cat.Templates().size(), 17u);
    QSet<int> ids;
    QSet<QString> names;
    for (const LabelTemplate& t : cat.Templates()) {
        SCOPED_TRACE(t.friendlyName.toStdString());
        EXPECT_FALSE(ids.contains(t.id)) << "duplicate id " << t.id;
        ids.insert(t.id);
        EXPECT_FALSE(t.friendlyName.trimmed().isEmpty());
        EXPECT_FALSE(names.contains(t.friendlyName));
        names.insert(t.friendlyName);

        Sheet sheet{};
        ASSERT_TRUE(PaperOf(t.paperSize, t.printOrientation, sheet)) << "paper " << t.paperSize;
        EXPECT_TRUE(t.printOrientation == 1 || t.printOrientation == 2);
        EXPECT_TRUE(t.labelsPerPage == 1 || t.labelsPerPage == 2);

        // Shipped User values are the factory values.
        LabelTemplate factory = t;
        factory.ResetUserToFactory();
        EXPECT_EQ(factory, t);

        CheckLabel(t, 1, sheet);
        if (t.labelsPerPage >= 2) {
            CheckLabel(t, 2, sheet);
            const TemplateLabel a = LabelOf(t, 1), b = LabelOf(t, 2);
            EXPECT_FALSE((Box{a.positionX, a.positionY, a.width, a.height}.Overlaps(
                Box{b.positionX, b.positionY, b.width, b.height})));
        } else {
            EXPECT_EQ(t.type2, t.type1);
        }
        if (t.isDirectToDisc) {
            EXPECT_NE(t.showInsertPaperScreen, 0);
        }
    }
    // At least one printable-disc stock.
    EXPECT_TRUE(std::any_of(cat.Templates().begin(), cat.Templates().end(),
                            [](const LabelTemplate& t) { return t.isDirectToDisc != 0; }));
}

TEST(ShippedCatalogue, DefaultTemplatesGiveTheNominalDesignSizes) {
    const LabelTemplateCatalogue cat = Shipped();
    struct Case {
        int side, templateId, width, height;
    } cases[] = {
        {Disc, 1, 442, 442},           {BackCover, 2, 460, 362},
        {FrontCover, 2, 375, 375},     {SlimlineCdInsert, 3, 575, 355},
        {DvdCaseWrap, 4, 480, 320},    {SlimlineDvdCaseWrap, 5, 480, 320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " template " << c.templateId);
        const CoverPage page(c.side, cat.FindById(c.templateId), 0);
        EXPECT_EQ(page.coverSide, c.side);
        EXPECT_EQ(page.designWidth, c.width);
        EXPECT_EQ(page.designHeight, c.height);
    }
}

TEST(ShippedCatalogue, PerUserCopyIsSeededOnFirstUse) {
    // The test binaries sit beside a copy of the shipped data, like the program does.
    const QString path = LabelTemplateCatalogue::DefaultPath();
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME"))) << path.toStdString();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(testsupport::ReadAll(path),
              testsupport::ReadAll(testsupport::ShippedPath(QStringLiteral("lbl.ani"))));
    // Once there, the user's copy is kept: its calibrations stay, and stock the shipped
    // catalogue has and the copy lacks is added after the user's own templates.
    testsupport::WriteAll(path, "[LABEL1]\nDONTCHANGETHISID=1\nUserWidth1=117.5\n"
                                "[LABEL2]\nDONTCHANGETHISID=77\nFriendlyName=Mine\n");
    EXPECT_EQ(LabelTemplateCatalogue::DefaultPath(), path);
    const LabelTemplateCatalogue merged(path);
    const LabelTemplateCatalogue shipped = Shipped();
    ASSERT_EQ(merged.Templates().size(), shipped.Templates().size() + 1);
    EXPECT_DOUBLE_EQ(merged.FindById(1).userWidth1, 117.5);
    EXPECT_EQ(merged.Templates()[1].friendlyName, QStringLiteral("Mine"));
    EXPECT_EQ(merged.FindById(2), shipped.FindById(2));
    EXPECT_EQ(merged.Templates().back(), shipped.Templates().back());
    // A second start adds nothing more.
    const QByteArray once = testsupport::ReadAll(path);
    LabelTemplateCatalogue::DefaultPath();
    EXPECT_EQ(testsupport::ReadAll(path), once);
}
