#include "DocumentJson.h"

#include "CVellumarkDoc.h"
#include "LabelTemplateCatalogue.h"
#include "TextCodec.h"
#include "TrackColumns.h"

namespace documentjson {
namespace {

QJsonObject RectToJson(const Rect& r) {
    return {{"left", r.left}, {"top", r.top}, {"right", r.right}, {"bottom", r.bottom}};
}

QString Text(const std::string& bytes) { return textcodec::Decode(bytes); }

QJsonObject FontToJson(const LogFont& f) {
    return {{"height", f.lfHeight},          {"weight", f.lfWeight},
            {"italic", f.lfItalic},          {"underline", f.lfUnderline},
            {"strikeOut", f.lfStrikeOut},    {"charSet", f.lfCharSet},
            {"faceName", Text(f.FaceName())}};
}

} // namespace

QJsonObject TemplateToJson(const LabelTemplate& t) {
    return {
        {"id", t.id},
        {"showInsertPaperScreen", t.showInsertPaperScreen},
        {"internalName", t.internalName},
        {"friendlyName", t.friendlyName},
        {"printerName", t.printerName},
        {"paperSize", t.paperSize},
        {"printOrientation", t.printOrientation},
        {"labelsPerPage", t.labelsPerPage},
        {"type1", t.type1},
        {"category1", t.category1},
        {"type2", t.type2},
        {"category2", t.category2},
        {"isDirectToDisc", t.isDirectToDisc},
        {"paperTray", t.paperTray},
        {"paperType", t.paperType},
        {"width1", t.width1},
        {"height1", t.height1},
        {"width2", t.width2},
        {"height2", t.height2},
        {"holeWidth1", t.holeWidth1},
        {"holeHeight1", t.holeHeight1},
        {"holeWidth2", t.holeWidth2},
        {"holeHeight2", t.holeHeight2},
        {"positionX1", t.positionX1},
        {"positionY1", t.positionY1},
        {"positionX2", t.positionX2},
        {"positionY2", t.positionY2},
        {"userWidth1", t.userWidth1},
        {"userHeight1", t.userHeight1},
        {"userWidth2", t.userWidth2},
        {"userHeight2", t.userHeight2},
        {"userHoleWidth1", t.userHoleWidth1},
        {"userHoleHeight1", t.userHoleHeight1},
        {"userHoleWidth2", t.userHoleWidth2},
        {"userHoleHeight2", t.userHoleHeight2},
        {"userPositionX1", t.userPositionX1},
        {"userPositionY1", t.userPositionY1},
        {"userPositionX2", t.userPositionX2},
        {"userPositionY2", t.userPositionY2},
        {"spineWidth1", t.spineWidth1},
        {"spineHeight1", t.spineHeight1},
        {"spineWidth2", t.spineWidth2},
        {"spineHeight2", t.spineHeight2},
        {"spineOffsetX1", t.spineOffsetX1},
        {"spineOffsetY1", t.spineOffsetY1},
        {"spineCutoutX1", t.spineCutoutX1},
        {"spineCutoutY1", t.spineCutoutY1},
        {"spineOffsetX2", t.spineOffsetX2},
        {"spineOffsetY2", t.spineOffsetY2},
        {"spineCutoutX2", t.spineCutoutX2},
        {"spineCutoutY2", t.spineCutoutY2},
    };
}

QJsonObject CatalogueToJson(const LabelTemplateCatalogue& catalogue) {
    QJsonArray list;
    for (const LabelTemplate& t : catalogue.Templates()) list.append(TemplateToJson(t));
    return {{"templates", list}};
}

QJsonObject ItemToJson(const LabelItem& item) {
    const ItemData& d = item.Data();
    QJsonArray points;
    for (const ItemPoint& p : d.points) points.append(QJsonArray{p.x, p.y});
    QJsonArray tracks;
    for (int row = 0; row < d.trackCount; ++row) {
        auto cell = [&](int field) {
            return Text(trackcolumns::GetField(d.TrackColumn(field).chars, field, row));
        };
        tracks.append(QJsonObject{{"number", cell(TrackNumber)},
                                  {"title", cell(TrackTitle)},
                                  {"artist", cell(TrackArtist)},
                                  {"length", cell(TrackLength)},
                                  {"album", cell(TrackAlbum)}});
    }
    return {
        {"kind", d.kind},
        {"pointCount", static_cast<qint64>(d.pointCount())},
        {"points", points},
        {"rect", RectToJson(d.rect)},
        {"layoutFrame", RectToJson(d.layoutFrame)},
        {"holeFrame", RectToJson(d.holeFrame)},
        {"lineColor", static_cast<qint64>(d.lineColor)},
        {"fillColor", static_cast<qint64>(d.fillColor)},
        {"penWidth", d.penWidth},
        {"font", FontToJson(d.font)},
        {"text", Text(d.text)},
        {"textLength", d.textLength},
        {"imageFormat", d.imageFormat},
        {"imageSize", static_cast<qint64>(d.imageSize())},
        {"rotation", d.rotation},
        {"hasTrackText", d.hasTrackText},
        {"trackLayout", d.trackLayout},
        {"alignment", d.alignment},
        {"trackCount", d.trackCount},
        {"tracks", tracks},
    };
}

QJsonObject PageToJson(const CoverPage& page, const LabelTemplateCatalogue& catalogue) {
    CoverPageFields design = page;
    design.ApplyTemplate(page.coverSide, catalogue.FindById(page.templateId));
    QJsonArray items;
    for (const auto& item : page.items) items.append(ItemToJson(*item));
    return {
        {"positionX", page.positionX},
        {"positionY", page.positionY},
        {"width", page.width},
        {"height", page.height},
        {"holeWidth", page.holeWidth},
        {"holeHeight", page.holeHeight},
        {"spineWidth", page.spineWidth},
        {"spineHeight", page.spineHeight},
        {"spineOffsetX", page.spineOffsetX},
        {"spineOffsetY", page.spineOffsetY},
        {"spineCutoutX", page.spineCutoutX},
        {"spineCutoutY", page.spineCutoutY},
        {"templateId", page.templateId},
        {"coverSide", page.coverSide},
        {"labelType", page.labelType},
        {"trackListIndex", page.trackListIndex},
        {"printOverInnerCircle", page.printOverInnerCircle},
        {"showBorder", page.showBorder},
        {"useUpperLabel", page.useUpperLabel},
        {"spineTextsCreated", page.spineTextsCreated},
        {"reservedFlag", page.reservedFlag},
        {"backgroundColor", static_cast<qint64>(page.backgroundColor)},
        {"design",
         QJsonObject{{"width", design.designWidth},
                     {"height", design.designHeight},
                     {"holeWidth", design.designHoleWidth},
                     {"holeHeight", design.designHoleHeight},
                     {"spineWidth", design.designSpineWidth},
                     {"spineHeight", design.designSpineHeight},
                     {"spineOffsetX", design.designSpineOffsetX},
                     {"spineOffsetY", design.designSpineOffsetY},
                     {"spineCutoutX", design.designSpineCutoutX},
                     {"spineCutoutY", design.designSpineCutoutY}}},
        {"items", items},
    };
}

QJsonObject DocumentToJson(const CVellumarkDoc& doc, const LabelTemplateCatalogue& catalogue) {
    QJsonArray pages;
    for (const auto& page : doc.Pages()) pages.append(PageToJson(*page, catalogue));
    return {{"pages", pages}};
}

} // namespace documentjson
