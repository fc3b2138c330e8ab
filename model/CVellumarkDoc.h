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

    // Asks every view of the document to repaint; the frame connects its views here.
    void UpdateAllViews() const {
        if (onUpdateAllViews) onUpdateAllViews();
    }
    std::function<void()> onUpdateAllViews;

    // --- label files -----------------------------------------------------------------------
    // Opens a label file. A file of the older tagged format is offered for conversion
    // first (through ui::Current()): the user names the new file, which is written and then
    // opened instead. On success the pages are replaced, the owner's current label type
    // follows the pages read, the modified flag is clear and PathName() is the file actually
    // read (the converted file after a conversion), which the shell shows and records. When
    // another label stays open (CloseOtherLabel) nothing changes; any other failure leaves
    // the document without pages, the user told why unless they declined the conversion.
    bool OnOpenDocument(const QString& path);
    // Saves to path. The file is written beside the target and renamed over it only when
    // complete, so a failed save leaves an earlier file intact. On success path becomes
    // PathName() and the modified flag is cleared; on failure the user is told why and the
    // flag stays as it was.
    bool OnSaveDocument(const QString& path);

    enum class ReadResult { Ok, CannotOpen, Damaged };
    // The file reading and writing of the two operations above, without any prompt: for
    // the converter and the batch tool. ReadLabelFile replaces the pages (none are left on
    // failure); reason, when given, says what went wrong.
    ReadResult ReadLabelFile(const QString& path, QString* reason = nullptr);
    bool WriteLabelFile(const QString& path, QString* reason = nullptr) const;

    static bool IsLegacyLabelFile(const QString& path);

    // Asks the shell to close another open label before this one takes its place; false
    // when the user keeps it (cancels its save prompt). Without a shell hook there is
    // nothing to close.
    bool CloseOtherLabel();
    std::function<bool()> closeOtherLabel;

    const QString& PathName() const { return pathName_; }
    void SetPathName(const QString& path);
    // Told when the path name changes (window titles, the recent-file list).
    std::function<void(const QString&)> onPathNameChanged;

    // The converted file when this document came from an older label file, else empty.
    // After a conversion PathName() already names this file, so every save goes where the
    // user says.
    QString convertedPath;

private:
    LabelContext& context_;
    std::vector<std::unique_ptr<CoverPage>> pages_;
    std::deque<std::int32_t> pageQueue_;
    bool modified_ = false;
    QString pathName_;
};

// The file dialog filter for label files.
extern const QString kLabelFileFilter;

// The pages a label type consists of: (surface, template id) in order.
struct PagePlan {
    std::int32_t side;
    std::int32_t templateId;
};
std::vector<PagePlan> PagesOfLabelType(std::int32_t labelType);
