#include "LabelTemplateCatalogue.h"

#include "AppPaths.h"
#include "ProfileFile.h"
#include "Types.h"

#include <QSet>

#include <charconv>
#include <clocale>
#include <locale.h>

namespace {

enum class KeyKind { Int, Flag, Text, Real };

struct KeyBinding {
    const char* key;
    KeyKind kind;
    std::int32_t LabelTemplate::*intField = nullptr;
    QString LabelTemplate::*textField = nullptr;
    double LabelTemplate::*realField = nullptr;
};

constexpr KeyBinding I(const char* k, std::int32_t LabelTemplate::*f) {
    return {k, KeyKind::Int, f, nullptr, nullptr};
}
constexpr KeyBinding F(const char* k, std::int32_t LabelTemplate::*f) {
    return {k, KeyKind::Flag, f, nullptr, nullptr};
}
constexpr KeyBinding S(const char* k, QString LabelTemplate::*f) {
    return {k, KeyKind::Text, nullptr, f, nullptr};
}
constexpr KeyBinding R(const char* k, double LabelTemplate::*f) {
    return {k, KeyKind::Real, nullptr, nullptr, f};
}

using T = LabelTemplate;
const KeyBinding kKeys[] = {
    I("DONTCHANGETHISID", &T::id),
    F("ShowInsertPaperScreen", &T::showInsertPaperScreen),
    S("InternalName", &T::internalName),
    S("FriendlyName", &T::friendlyName),
    S("PrinterName", &T::printerName),
    I("PaperSize", &T::paperSize),
    I("PrintOrientation", &T::printOrientation),
    I("LabelsPerPage", &T::labelsPerPage),
    I("Type1", &T::type1),
    I("Category1", &T::category1),
    I("Type2", &T::type2),
    I("Category2", &T::category2),
    F("IsDirectToDisc", &T::isDirectToDisc),
    I("PaperTray", &T::paperTray),
    I("PaperType", &T::paperType),
    R("Width1", &T::width1),
    R("Height1", &T::height1),
    R("Width2", &T::width2),
    R("Height2", &T::height2),
    R("HoleWidth1", &T::holeWidth1),
    R("HoleHeight1", &T::holeHeight1),
    R("HoleWidth2", &T::holeWidth2),
    R("HoleHeight2", &T::holeHeight2),
    R("PositionX1", &T::positionX1),
    R("PositionY1", &T::positionY1),
    R("PositionX2", &T::positionX2),
    R("PositionY2", &T::positionY2),
    R("UserWidth1", &T::userWidth1),
    R("UserHeight1", &T::userHeight1),
    R("UserWidth2", &T::userWidth2),
    R("UserHeight2", &T::userHeight2),
    R("UserHoleWidth1", &T::userHoleWidth1),
    R("UserHoleHeight1", &T::userHoleHeight1),
    R("UserHoleWidth2", &T::userHoleWidth2),
    R("UserHoleHeight2", &T::userHoleHeight2),
    R("UserPositionX1", &T::userPositionX1),
    R("UserPositionY1", &T::userPositionY1),
    R("UserPositionX2", &T::userPositionX2),
    R("UserPositionY2", &T::userPositionY2),
    R("SpineWidth1", &T::spineWidth1),
    R("SpineHeight1", &T::spineHeight1),
    R("SpineWidth2", &T::spineWidth2),
    R("SpineHeight2", &T::spineHeight2),
    R("SpineOffsetX1", &T::spineOffsetX1),
    R("SpineOffsetY1", &T::spineOffsetY1),
    R("SpineCutoutX1", &T::spineCutoutX1),
    R("SpineCutoutY1", &T::spineCutoutY1),
    R("SpineOffsetX2", &T::spineOffsetX2),
    R("SpineOffsetY2", &T::spineOffsetY2),
    R("SpineCutoutX2", &T::spineCutoutX2),
    R("SpineCutoutY2", &T::spineCutoutY2),
};

// The written order of the User values.
const std::pair<const char*, double LabelTemplate::*> kUserKeys[] = {
    {"UserHeight1", &T::userHeight1},         {"UserHeight2", &T::userHeight2},
    {"UserHoleHeight1", &T::userHoleHeight1}, {"UserHoleHeight2", &T::userHoleHeight2},
    {"UserHoleWidth1", &T::userHoleWidth1},   {"UserHoleWidth2", &T::userHoleWidth2},
    {"UserPositionX1", &T::userPositionX1},   {"UserPositionX2", &T::userPositionX2},
    {"UserPositionY1", &T::userPositionY1},   {"UserPositionY2", &T::userPositionY2},
    {"UserWidth1", &T::userWidth1},           {"UserWidth2", &T::userWidth2},
};

// Listing a section's key names uses a small buffer; only "anything at all" matters.
constexpr int kKeyListBuffer = 90;
constexpr int kValueBuffer = 255;

QString SectionName(int n) { return QStringLiteral("LABEL%1").arg(n); }

bool SectionPresent(const ProfileFile& file, const QString& section) {
    return file.KeyListLength(section, kKeyListBuffer) > 0;
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

LabelTemplateCatalogue::LabelTemplateCatalogue(QString path) : path_(std::move(path)) { Load(); }

QString LabelTemplateCatalogue::DefaultPath() {
    const QString user = apppaths::UserFileSeeded(QStringLiteral("lbl.ani"));
    const QString shipped = apppaths::ShippedFile(QStringLiteral("lbl.ani"));
    if (user != shipped) AddMissingTemplates(user, shipped);
    return user;
}

int LabelTemplateCatalogue::AddMissingTemplates(const QString& targetPath,
                                                const QString& sourcePath) {
    const ProfileFile source(sourcePath);
    ProfileFile target(targetPath);
    const QString idKey = QStringLiteral("DONTCHANGETHISID");
    QSet<std::int32_t> known;
    int next = 1;
    for (;; ++next) {
        const QString section = SectionName(next);
        if (!SectionPresent(target, section)) break;
        known.insert(ParseInt(target.GetString(section, idKey, QString(), kValueBuffer)));
    }
    int added = 0;
    for (int n = 1;; ++n) {
        const QString section = SectionName(n);
        if (!SectionPresent(source, section)) break;
        const std::int32_t id = ParseInt(source.GetString(section, idKey, QString(), kValueBuffer));
        if (known.contains(id)) continue;
        std::vector<std::pair<QString, QString>> values;
        for (const QString& key : source.KeyNames(section))
            values.emplace_back(key, source.GetString(section, key, QString(), kValueBuffer));
        if (!target.WriteStrings(SectionName(next), values)) return -1;
        known.insert(id);
        ++next;
        ++added;
    }
    return added;
}

std::int32_t LabelTemplateCatalogue::ParseInt(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    const char* p = bytes.constData();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Accumulate in 64 bits and saturate: an absurd value must not wrap into a plausible one.
    std::int64_t v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + (*p - '0');
        if (v > (std::int64_t{1} << 32)) v = std::int64_t{1} << 32;
    }
    return ClampToInt32(negative ? -v : v);
}

double LabelTemplateCatalogue::ParseDouble(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    return strtod_l(bytes.constData(), nullptr, CLocale());
}

QString LabelTemplateCatalogue::FormatUserValue(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    if (res.ec != std::errc()) return QStringLiteral("0.00");
    return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

void LabelTemplateCatalogue::Load() {
    templates_.clear();
    if (path_.isEmpty()) return;
    const ProfileFile file(path_);
    for (int n = 1;; ++n) {
        const QString section = SectionName(n);
        if (!SectionPresent(file, section)) break;
        LabelTemplate t;
        for (const KeyBinding& b : kKeys) {
            const QString value =
                file.GetString(section, QLatin1String(b.key), QString(), kValueBuffer);
            switch (b.kind) {
            case KeyKind::Int:
                t.*b.intField = ParseInt(value);
                break;
            case KeyKind::Flag:
                t.*b.intField = TruncToInt32(ParseDouble(value));
                break;
            case KeyKind::Text:
                t.*b.textField = value;
                break;
            case KeyKind::Real:
                t.*b.realField = ParseDouble(value);
                break;
            }
        }
        templates_.push_back(std::move(t));
    }
}

LabelTemplate LabelTemplateCatalogue::FindById(std::int32_t id) const {
    for (const LabelTemplate& t : templates_)
        if (t.id == id) return t;
    return LabelTemplate{};
}

std::vector<LabelTemplate> LabelTemplateCatalogue::TemplatesForSide(std::int32_t side) const {
    std::vector<LabelTemplate> out;
    for (const LabelTemplate& t : templates_)
        if (t.type1 == side || t.type2 == side) out.push_back(t);
    return out;
}

bool LabelTemplateCatalogue::SaveUserDimensions(const LabelTemplate& t) {
    bool written = false;
    if (!path_.isEmpty()) {
        ProfileFile file(path_);
        for (int n = 1;; ++n) {
            const QString section = SectionName(n);
            if (!SectionPresent(file, section)) break;
            const QString idText = file.GetString(section, QStringLiteral("DONTCHANGETHISID"),
                                                  QString(), kValueBuffer);
            if (ParseInt(idText) != t.id) continue;
            std::vector<std::pair<QString, QString>> values;
            for (const auto& [key, field] : kUserKeys)
                values.emplace_back(QLatin1String(key), FormatUserValue(t.*field));
            written = file.WriteStrings(section, values);
            break;
        }
    }
    Load();
    return written;
}

bool LabelTemplateCatalogue::ResetUserDimensions(std::int32_t id) {
    for (const LabelTemplate& t : templates_) {
        if (t.id != id) continue;
        LabelTemplate reset = t;
        reset.ResetUserToFactory();
        return SaveUserDimensions(reset);
    }
    return false;
}
