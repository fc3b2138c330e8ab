#include "LabelTemplate.h"

void LabelTemplate::ResetUserToFactory() {
    userWidth1 = width1;
    userHeight1 = height1;
    userHoleWidth1 = holeWidth1;
    userHoleHeight1 = holeHeight1;
    userPositionX1 = positionX1;
    userPositionY1 = positionY1;
    userWidth2 = width2;
    userHeight2 = height2;
    userHoleWidth2 = holeWidth2;
    userHoleHeight2 = holeHeight2;
    userPositionX2 = positionX2;
    userPositionY2 = positionY2;
}

TemplateLabel LabelOf(const LabelTemplate& t, int label) {
    if (label == 1)
        return {t.type1,          t.userPositionX1, t.userPositionY1, t.userWidth1,
                t.userHeight1,    t.userHoleWidth1, t.userHoleHeight1, t.spineWidth1,
                t.spineHeight1,   t.spineOffsetX1,  t.spineOffsetY1,  t.spineCutoutX1,
                t.spineCutoutY1};
    return {t.type2,        t.userPositionX2, t.userPositionY2, t.userWidth2,
            t.userHeight2,  t.userHoleWidth2, t.userHoleHeight2, t.spineWidth2,
            t.spineHeight2, t.spineOffsetX2,  t.spineOffsetY2,  t.spineCutoutX2,
            t.spineCutoutY2};
}
