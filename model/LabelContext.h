#pragma once
// What a document needs from its owner (the main frame in the program, a small stand-in in
// the batch tool and tests): the current label type and templates by id.
#include "LabelTemplate.h"

#include <cstdint>

class LabelTemplateCatalogue;

class LabelContext {
public:
    virtual ~LabelContext() = default;
    virtual std::int32_t CurrentLabelType() const = 0;
    virtual void SetCurrentLabelType(std::int32_t type) = 0;
    // A copy of the template with this id; the empty template when the id is unknown.
    virtual LabelTemplate TemplateById(std::int32_t id) const = 0;
};

// A context over a catalogue the caller owns.
class CatalogueLabelContext : public LabelContext {
public:
    explicit CatalogueLabelContext(const LabelTemplateCatalogue& catalogue, std::int32_t type = 0)
        : catalogue_(catalogue), type_(type) {}
    std::int32_t CurrentLabelType() const override { return type_; }
    void SetCurrentLabelType(std::int32_t type) override { type_ = type; }
    LabelTemplate TemplateById(std::int32_t id) const override;

private:
    const LabelTemplateCatalogue& catalogue_;
    std::int32_t type_;
};
