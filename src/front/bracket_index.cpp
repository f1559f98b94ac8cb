#include "front/bracket_index.hpp"

#include "front/front_checks.hpp"

namespace quorl {

BracketIndex::BracketIndex(std::string_view text) {
  if (text.size() < UINT32_MAX)
    narrow_.resize(text.size());
  else
    wide_.resize(text.size());

  std::vector<size_t> open;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool inTextGroup = !open.empty() && text[open.back()] == '[';
    if (inTextGroup && c != '[' && c != ']') continue;
    if (c == '(' || c == '[' || c == '{') {
      open.push_back(i);
    } else if (c == ')' || c == ']' || c == '}') {
      if (open.empty()) checkFailure(kCoreModule, kCheckBracketOutside);
      set(open.back(), i);
      set(i, open.back());
      open.pop_back();
    }
  }
  if (!open.empty()) checkFailure(kCoreModule, kCheckBracketOutside);
}

void BracketIndex::set(size_t at, size_t partnerAt) {
  if (wide_.empty())
    narrow_[at] = static_cast<uint32_t>(partnerAt);
  else
    wide_[at] = partnerAt;
}

}  // namespace quorl
