#include "CVellumarkDoc.h"

#include "ByteIO.h"
#include "ItemRecord.h"
#include "LabelTemplateCatalogue.h"
#include "LegacyLabel.h"
#include "Ui.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <new>
#include <optional>

const QString kLabelFileFilter = QStringLiteral("Label Files (*.vlm);;All Files (*.*)");

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

void CVellumarkDoc::SetPathName(const QString& path) {
    if (pathName_ == path) return;
    pathName_ = path;
    if (onPathNameChanged) onPathNameChanged(path);
}

bool CVellumarkDoc::CloseOtherLabel() { return closeOtherLabel ? closeOtherLabel() : true; }

bool CVellumarkDoc::IsLegacyLabelFile(const QString& path) { return ::IsLegacyLabelFile(path); }

CVellumarkDoc::ReadResult CVellumarkDoc::ReadLabelFile(const QString& path, QString* reason) {
    DeleteAllPages();
    const auto fail = [&](ReadResult result, const QString& why) {
        if (reason) *reason = why;
        return result;
    };
    if (QFileInfo(path).isDir()) return fail(ReadResult::CannotOpen, QStringLiteral("It is a folder."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(ReadResult::CannotOpen, file.errorString());

    // Pages are read aside and only taken on when the whole file was good, and the owner's
    // label type is put back on failure: a failed open changes nothing but the pages.
    const std::int32_t savedType = context_.CurrentLabelType();
    const auto damaged = [&](const QString& why) {
        context_.SetCurrentLabelType(savedType);
        return fail(ReadResult::Damaged, why);
    };
    std::uint8_t head[4];
    if (file.read(reinterpret_cast<char*>(head), 4) != 4)
        return damaged(QStringLiteral("The file is shorter than its page count."));
    const std::uint32_t count = bytes::GetU32(head);
    if (count > static_cast<std::uint32_t>(kMaxPages))
        return damaged(QStringLiteral("The file claims %1 pages.").arg(count));

    std::vector<std::unique_ptr<CoverPage>> pages;
    std::deque<std::int32_t> queue;
    // Each page starts as the default disc page of a standard CD project; reading replaces
    // its whole saved block.
    const LabelTemplate placeholder = context_.TemplateById(1);
    for (std::uint32_t i = 0; i < count; ++i) {
        try {
            auto page = std::make_unique<CoverPage>(Disc, placeholder, StandardCd);
            if (!page->ReadPage(file))
                return damaged(QStringLiteral("Page %1 is damaged or cut short.").arg(i + 1));
            pages.push_back(std::move(page));
        } catch (const std::bad_alloc&) {
            return damaged(QStringLiteral("Page %1 does not fit in memory.").arg(i + 1));
        }
        queue.push_back(static_cast<std::int32_t>(i));
        context_.SetCurrentLabelType(pages.back()->labelType);
    }
    pages_ = std::move(pages);
    pageQueue_ = std::move(queue);
    SetModifiedFlag(false);
    return ReadResult::Ok;
}

bool CVellumarkDoc::WriteLabelFile(const QString& path, QString* reason) const {
    const auto fail = [&](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    // Refuse what no reader would take back before touching the disk: writing it would
    // replace a good file with one that cannot be opened.
    if (pages_.size() > static_cast<std::size_t>(kMaxPages))
        return fail(QStringLiteral("A label file holds at most %1 pages.").arg(kMaxPages));
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const CoverPage* page = pages_[i].get();
        if (!page) return fail(QStringLiteral("Page %1 is missing.").arg(i + 1));
        if (page->items.size() > kMaxItemsPerPage)
            return fail(QStringLiteral("Page %1 holds %2 items; a label file takes at most %3 per page.")
                            .arg(i + 1)
                            .arg(page->items.size())
                            .arg(kMaxItemsPerPage));
        for (const auto& item : page->items)
            if (!item || item->RecordSize() == 0)
                return fail(QStringLiteral("Page %1 holds an item too large for a label file "
                                           "(at most %2 bytes each, picture included).")
                                .arg(i + 1)
                                .arg(kMaxRecordSize));
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    const auto abandon = [&](const QString& fallback) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString() : fallback;
        file.cancelWriting();
        return fail(why);
    };
    std::uint8_t head[4];
    bytes::PutU32(head, static_cast<std::uint32_t>(pages_.size()));
    if (file.write(reinterpret_cast<const char*>(head), 4) != 4)
        return abandon(QStringLiteral("The page count could not be written."));
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (!pages_[i]->WritePage(file))
            return abandon(QStringLiteral("Page %1 could not be written.").arg(i + 1));
    // The last buffered bytes only reach the disk here. QSaveFile's commit does not notice
    // when they do not (a full disk or a size limit), and would put a cut file in place.
    if (!file.flush()) return abandon(QStringLiteral("The file could not be written completely."));
    if (!file.commit()) return fail(file.errorString());
    return true;
}

bool CVellumarkDoc::OnSaveDocument(const QString& path) {
    QString reason;
    if (!WriteLabelFile(path, &reason)) {
        ui::Current().MessageBox(QStringLiteral("Save"),
                                 QStringLiteral("The label could not be saved to %1.\n\n%2")
                                     .arg(QDir::toNativeSeparators(path), reason),
                                 ui::Icon::Stop, ui::Buttons::Ok);
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool CVellumarkDoc::OnOpenDocument(const QString& path) {
    convertedPath.clear();
    if (!CloseOtherLabel()) return false;
    DeleteAllPages();
    ui::Ui& prompt = ui::Current();
    QString readPath = path;
    if (IsLegacyLabelFile(path)) {
        const QString question = QStringLiteral(
            "The label you are opening was not created by this version of the software. Would "
            "you like to convert the label?\n\nIf you choose 'Yes' you will be prompted for a "
            "location to save the converted label.");
        if (prompt.MessageBox(QStringLiteral("Convert?"), question, ui::Icon::Question,
                          ui::Buttons::YesNo) != ui::Answer::Yes)
            return false;
        const std::optional<QString> chosen = prompt.GetSaveFileName(
            {QStringLiteral("Save As"), ConvertedFileName(path), kLabelFileFilter, QStringLiteral("vlm")});
        if (!chosen || chosen->isEmpty()) return false;
        if (QFileInfo::exists(*chosen) &&
            prompt.MessageBox(QStringLiteral("Overwrite?"), QStringLiteral("Overwrite the existing file?"),
                          ui::Icon::Question, ui::Buttons::YesNo) != ui::Answer::Yes)
            return false;
        QString reason;
        if (!ConvertLegacyLabel(path, *chosen, context_, &reason)) {
            // Opening whatever already is at the chosen path would pass an unrelated file
            // off as the converted label.
            prompt.MessageBox(QStringLiteral("Convert"),
                          QStringLiteral("The label %1 could not be converted.\n\n%2")
                              .arg(QDir::toNativeSeparators(path), reason),
                          ui::Icon::Stop, ui::Buttons::Ok);
            return false;
        }
        readPath = *chosen;
    }

    QString reason;
    switch (ReadLabelFile(readPath, &reason)) {
    case ReadResult::Ok:
        if (readPath != path) convertedPath = readPath;
        SetPathName(readPath);
        return true;
    case ReadResult::CannotOpen:
        prompt.MessageBox(QStringLiteral("Open"),
                      QStringLiteral("Cannot open %1.\n\n%2").arg(QDir::toNativeSeparators(readPath), reason),
                      ui::Icon::Stop, ui::Buttons::Ok);
        return false;
    case ReadResult::Damaged:
        break;
    }
    prompt.MessageBox(QStringLiteral("Open"),
                  QStringLiteral("File open error. File does not appear to be a valid label file."),
                  ui::Icon::Stop, ui::Buttons::Ok);
    return false;
}
