#include "CVellumarkDoc.h"

#include "LabelTemplateCatalogue.h"

#include <algorithm>

LabelTemplate CatalogueLabelContext::TemplateById(std::int32_t id) const {
    return catalogue_.FindById(id);
}

std::vector<PagePlan> PagesOfLabelType(std::int32_t labelType) {
    switch (labelType) {
    case StandardCd:
        return {{Disc, 1}, {BackCover, 2}, {FrontCover, 2}};
    case SlimlineCd:
        return {{Disc, 1}, {SlimlineCdInsert, 3}};
    case StandardDvd:
        return {{Disc, 1}, {DvdCaseWrap, 4}};
    case SlimlineDvd:
        return {{Disc, 1}, {SlimlineDvdCaseWrap, 5}};
    default:
        return {};
    }
}

CVellumarkDoc::CVellumarkDoc(LabelContext& context) : context_(context) {}

CVellumarkDoc::~CVellumarkDoc() = default;

bool CVellumarkDoc::AddPage(std::int32_t side, const LabelTemplate& t, std::int32_t labelType) {
    pages_.push_back(std::make_unique<CoverPage>(side, t, labelType));
    pageQueue_.push_back(static_cast<std::int32_t>(pages_.size() - 1));
    SetModifiedFlag(true);
    return true;
}

CoverPage* CVellumarkDoc::TakeNextQueuedPage() {
    if (pageQueue_.empty()) return nullptr;
    const std::int32_t index = pageQueue_.front();
    if (index < 0 || static_cast<std::size_t>(index) >= pages_.size()) return nullptr;
    pageQueue_.pop_front();
    return pages_[static_cast<std::size_t>(index)].get();
}

void CVellumarkDoc::QueuePageFirst(std::int32_t index) { pageQueue_.push_front(index); }

std::unique_ptr<CoverPage> CVellumarkDoc::RemovePage(const CoverPage* page) {
    std::unique_ptr<CoverPage> taken;
    const auto it = std::find_if(pages_.begin(), pages_.end(),
                                 [page](const auto& p) { return p.get() == page; });
    if (it != pages_.end()) {
        taken = std::move(*it);
        pages_.erase(it);
    }
    pageQueue_.clear();
    return taken;
}

void CVellumarkDoc::DeleteAllPages() {
    pages_.clear();
    pageQueue_.clear();
}

bool CVellumarkDoc::CreatePagesForLabelType() {
    DeleteAllPages();
    const std::int32_t type = context_.CurrentLabelType();
    for (const PagePlan& plan : PagesOfLabelType(type))
        if (!AddPage(plan.side, context_.TemplateById(plan.templateId), type)) return false;
    return true;
}

int CVellumarkDoc::PageIndex(const CoverPage* page) const {
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i].get() == page) return static_cast<int>(i);
    return -1;
}

void CVellumarkDoc::SetModifiedFlag(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    if (onModifiedChanged) onModifiedChanged(modified);
}
