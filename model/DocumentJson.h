#pragma once
// JSON views of templates, pages and items, for the batch tool and black-box checks.
#include <QJsonArray>
#include <QJsonObject>

class CVellumarkDoc;
class CoverPage;
class LabelItem;
class LabelTemplateCatalogue;
struct LabelTemplate;

namespace documentjson {

QJsonObject TemplateToJson(const LabelTemplate& t);
QJsonObject CatalogueToJson(const LabelTemplateCatalogue& catalogue);
QJsonObject ItemToJson(const LabelItem& item);
// The page's fields, its items, and under "design" the geometry that applying its template
// from the catalogue gives (worked out on a copy; the page is not changed).
QJsonObject PageToJson(const CoverPage& page, const LabelTemplateCatalogue& catalogue);
QJsonObject DocumentToJson(const CVellumarkDoc& doc, const LabelTemplateCatalogue& catalogue);

} // namespace documentjson
