// Record layouts and their bracket-text description.
#include "compile/layouts.hpp"

#include <vector>

#include "driver/check.hpp"

namespace quorl {

namespace {

constexpr RecordField kAddrinfoFields[] = {
    {"ai_flags", 4, 0},    {"ai_family", 4, 4},     {"ai_socktype", 4, 8},
    {"ai_protocol", 4, 12}, {"ai_addrlen", 8, 16},   {"ai_addr", 8, 32},
    {"ai_canonname", 8, 24}, {"ai_next", 8, 40},
};

constexpr RecordField kDirentFields[] = {
    {"d_ino", 4, 0},     {"d_off", 4, 4},   {"d_namlen", 8, 16},
    {"d_reclen", 2, 8},  {"d_type", 4, 24}, {"d_name", 261, 28},
};

constexpr RecordLayout kLayouts[] = {
    {"addrinfo", 48, kAddrinfoFields},
    {"dirent", 296, kDirentFields},
    {"fd_set", 520, {}},
    {"size_t", 8, {}},
    {"socklen_t", 4, {}},
    {"time_t", 8, {}},
};

// A stretch of a record: a named field, or padding when the name is empty.
struct Entry {
  std::string_view name;
  size_t offset;
  size_t size;
};

// Places a field into the padding entry that covers its bytes, splitting
// off padding before and after it.
void placeField(std::vector<Entry>& entries, const RecordField& field) {
  for (size_t i = 0; i < entries.size(); i++) {
    Entry padding = entries[i];
    size_t end = padding.offset + padding.size;
    if (!padding.name.empty() || field.offset < padding.offset ||
        field.offset + field.size > end)
      continue;
    std::vector<Entry> pieces;
    if (field.offset > padding.offset)
      pieces.push_back({{}, padding.offset, field.offset - padding.offset});
    pieces.push_back({field.name, field.offset, field.size});
    if (field.offset + field.size < end)
      pieces.push_back({{}, field.offset + field.size, end - field.offset - field.size});
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(i), pieces.begin(),
                   pieces.end());
    return;
  }
  // Overlapping fields: the fixed table never has them.
  internalFailure("layout");
}

std::string recordText(const RecordLayout& record) {
  std::vector<Entry> entries{{{}, 0, record.size}};
  for (const RecordField& field : record.fields) placeField(entries, field);
  std::string text = "[" + std::string(record.name);
  for (const Entry& entry : entries)
    text += "[" + std::string(entry.name) + "[" + std::to_string(entry.size) + "]]";
  return text + "]";
}

}  // namespace

std::span<const RecordLayout> recordLayouts() { return kLayouts; }

std::string recordLayoutText() {
  std::string text = "[";
  for (const RecordLayout& record : kLayouts) text += recordText(record);
  return text + "]";
}

}  // namespace quorl
