#pragma once
// One open label project: its pages, the queue of pages waiting to be shown, and the
// modified flag. The owner that holds the current label type and the catalogue is passed
// in, so the document can be used without a window.
#include "CoverPage.h"
#include "LabelContext.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class CVellumarkDoc {
public:
    static constexpr int kMaxPages = 100;

    explicit CVellumarkDoc(LabelContext& context);
    ~CVellumarkDoc();

    CVellumarkDoc(const CVellumarkDoc&) = delete;
    CVellumarkDoc& operator=(const CVellumarkDoc&) = delete;

    LabelContext& Context() const { return context_; }

    // Appends a page made from a template and queues its index.
    bool AddPage(std::int32_t side, const LabelTemplate& t, std::int32_t labelType);
    // The page whose index is at the front of the queue, taking it off the queue; null when
    // the queue is empty or the index names no page (the entry then stays queued).
    CoverPage* TakeNextQueuedPage();
    void QueuePageFirst(std::int32_t index);
    // Takes the page out of the list without deleting it and empties the queue. Returns the
    // page's ownership, or null when it is not in the list.
    std::unique_ptr<CoverPage> RemovePage(const CoverPage* page);
    void DeleteAllPages();
    // Builds the pages of the owner's current label type from the catalogue's default
    // templates. A label type outside 0 to 3 creates no page and succeeds.
    bool CreatePagesForLabelType();

    const std::vector<std::unique_ptr<CoverPage>>& Pages() const { return pages_; }
    std::vector<std::unique_ptr<CoverPage>>& Pages() { return pages_; }
    const std::deque<std::int32_t>& PageQueue() const { return pageQueue_; }
    int PageIndex(const CoverPage* page) const;

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true);
    // Told whenever the modified flag changes (window titles, save prompts).
    std::function<void(bool)> onModifiedChanged;

    // The path of the converted file when this document came from an older label file.
    QString convertedPath;

private:
    LabelContext& context_;
    std::vector<std::unique_ptr<CoverPage>> pages_;
    std::deque<std::int32_t> pageQueue_;
    bool modified_ = false;
};

// The pages a label type consists of: (surface, template id) in order.
struct PagePlan {
    std::int32_t side;
    std::int32_t templateId;
};
std::vector<PagePlan> PagesOfLabelType(std::int32_t labelType);
