// The native record layouts that programs read and write in memory, and
// their description as one bracket text for the global name "_".
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace quorl {

struct RecordField {
  std::string_view name;
  size_t size;
  size_t offset;
};

struct RecordLayout {
  std::string_view name;
  size_t size;
  std::span<const RecordField> fields;  // in the order they are recorded
};

std::span<const RecordLayout> recordLayouts();

// "[" + one group per record + "]"; a record group lists its fields in
// offset order with "[[n]]" entries for the padding between them.
std::string recordLayoutText();

}  // namespace quorl
