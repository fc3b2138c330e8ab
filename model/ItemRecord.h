#pragma once
// Item records: the bytes one item occupies in a label file (and on the clipboard), and
// the factory that turns such bytes back into an item of the right class.
#include "LabelItem.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Readers refuse pages with more items than this...
constexpr std::uint32_t kMaxItemsPerPage = 10000;
// ...and item records larger than this many bytes. Writers refuse both as well, so that
// every file written can be read back.
constexpr std::uint32_t kMaxRecordSize = 10240000;

// The item whose class the record's kind (its first int32) selects, read from the record's
// length bytes. Null when no class has that kind (8, above 9, negative) and when the record
// is shorter than the fixed part of every record (LabelItem::kFixedRecordSize), so it is
// not an item at all.
std::unique_ptr<LabelItem> CreateItemFromRecord(const std::uint8_t* record, std::size_t length);
