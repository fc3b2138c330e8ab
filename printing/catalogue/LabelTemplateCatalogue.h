#pragma once
// The catalogue of label stock, read from an initialisation file with one section per
// template (LABEL1, LABEL2, ... with no gaps). Only the User geometry is ever written back.
#include "LabelTemplate.h"

#include <QString>

#include <cstdint>
#include <vector>

class LabelTemplateCatalogue {
public:
    // An empty catalogue bound to no file.
    LabelTemplateCatalogue() = default;
    // Binds the catalogue to a file and loads it.
    explicit LabelTemplateCatalogue(QString path);
    LabelTemplateCatalogue(const LabelTemplateCatalogue&) = default;
    LabelTemplateCatalogue& operator=(const LabelTemplateCatalogue&) = default;
    virtual ~LabelTemplateCatalogue() = default;

    // The per-user catalogue, seeded from the shipped copy on first use; stock that a newer
    // shipped catalogue adds is appended to it.
    static QString DefaultPath();

    // Appends to the target catalogue file every template of the source file whose id the
    // target lacks, each as the next LABELn section with all its keys. The target's own
    // templates, and the user's calibrations in them, stay as they are. Returns how many
    // templates were added, or -1 when the target could not be written.
    static int AddMissingTemplates(const QString& targetPath, const QString& sourcePath);

    const QString& Path() const { return path_; }

    // Empties the list and reads the file again. A missing or unreadable file, or one
    // without LABEL1, gives an empty catalogue.
    void Load();

    const std::vector<LabelTemplate>& Templates() const { return templates_; }

    // A copy of the first template with this id, or the empty template.
    LabelTemplate FindById(std::int32_t id) const;

    // Templates one of whose labels is made for this surface, in catalogue order.
    std::vector<LabelTemplate> TemplatesForSide(std::int32_t side) const;

    // Writes the twelve User values into the first section whose id matches, then
    // reloads. Returns false when no section has the id or the file could not be written.
    bool SaveUserDimensions(const LabelTemplate& t);

    // Sets the User values of the template with this id back to its factory values and
    // saves them. Returns false as SaveUserDimensions does, or when the id is unknown.
    bool ResetUserDimensions(std::int32_t id);

    // How the file's values are read: C library integer and floating conversions,
    // independent of the user's locale.
    static std::int32_t ParseInt(const QString& value);
    static double ParseDouble(const QString& value);
    // Two decimals, "." as the decimal point.
    static QString FormatUserValue(double value);

private:
    QString path_;
    std::vector<LabelTemplate> templates_;
};
