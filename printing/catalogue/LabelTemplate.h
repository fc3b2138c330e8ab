#pragma once
// One kind of label stock: where its one or two labels lie on the sheet, their sizes in
// millimetres, and the printer settings to use. A plain value, copied freely.
#include <QString>

#include <cstdint>

struct LabelTemplate {
    std::int32_t id = 0;
    std::int32_t showInsertPaperScreen = 0;
    QString internalName;
    QString friendlyName;
    QString printerName;
    std::int32_t paperSize = 0;
    std::int32_t printOrientation = 0;
    std::int32_t labelsPerPage = 0;
    std::int32_t type1 = 0;
    std::int32_t category1 = 0;
    std::int32_t type2 = 0;
    std::int32_t category2 = 0;
    std::int32_t isDirectToDisc = 0;
    std::int32_t paperTray = 0;
    std::int32_t paperType = 0;
    double width1 = 0, height1 = 0;
    double width2 = 0, height2 = 0;
    double holeWidth1 = 0, holeHeight1 = 0;
    double holeWidth2 = 0, holeHeight2 = 0;
    double positionX1 = 0, positionY1 = 0;
    double positionX2 = 0, positionY2 = 0;
    double userWidth1 = 0, userHeight1 = 0;
    double userWidth2 = 0, userHeight2 = 0;
    double userHoleWidth1 = 0, userHoleHeight1 = 0;
    double userHoleWidth2 = 0, userHoleHeight2 = 0;
    double userPositionX1 = 0, userPositionY1 = 0;
    double userPositionX2 = 0, userPositionY2 = 0;
    double spineWidth1 = 0, spineHeight1 = 0;
    double spineWidth2 = 0, spineHeight2 = 0;
    double spineOffsetX1 = 0, spineOffsetY1 = 0;
    double spineCutoutX1 = 0, spineCutoutY1 = 0;
    double spineOffsetX2 = 0, spineOffsetY2 = 0;
    double spineCutoutX2 = 0, spineCutoutY2 = 0;

    // The User values set back to the factory values.
    void ResetUserToFactory();

    friend bool operator==(const LabelTemplate&, const LabelTemplate&) = default;
};

// The geometry of one label of a template as pages use it (User sizes and positions,
// factory spines).
struct TemplateLabel {
    std::int32_t type = 0;
    double positionX = 0, positionY = 0;
    double width = 0, height = 0;
    double holeWidth = 0, holeHeight = 0;
    double spineWidth = 0, spineHeight = 0;
    double spineOffsetX = 0, spineOffsetY = 0;
    double spineCutoutX = 0, spineCutoutY = 0;
};

// label is 1 or 2.
TemplateLabel LabelOf(const LabelTemplate& t, int label);
