// libFuzzer entry point for reading a page record from untrusted bytes. Besides the
// sanitizers' checks: whatever a read keeps must write a page that reads back completely
// and writes the very same bytes again.
#include "CoverPage.h"
#include "ItemRecord.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

QByteArray Write(const CoverPage& page, bool& ok) {
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    ok = page.WritePage(out);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    in.open(QIODevice::ReadOnly);
    CoverPage page(Disc, LabelTemplate{}, StandardCd);
    page.ReadPage(in);
    Check(page.items.size() <= kMaxItemsPerPage);
    for (const auto& item : page.items) Check(item != nullptr);

    // A page is refused for writing only when an item's record would exceed the size limit,
    // which a read item does only when its last string lost its terminator at that limit.
    bool writable = true;
    for (const auto& item : page.items) writable = writable && item->RecordSize() != 0;
    bool written = false;
    const QByteArray first = Write(page, written);
    Check(written == writable);
    if (!written) return 0;

    QBuffer again;
    again.setData(first);
    again.open(QIODevice::ReadOnly);
    CoverPage reread(Disc, LabelTemplate{}, StandardCd);
    Check(reread.ReadPage(again));
    Check(again.atEnd());
    Check(reread.items.size() == page.items.size());
    for (std::size_t i = 0; i < page.items.size(); ++i)
        Check(reread.items[i]->GetKind() == page.items[i]->GetKind());
    bool rewritten = false;
    Check(Write(reread, rewritten) == first && rewritten);
    return 0;
}
