// Entries typed at the prompt.
#include "repl/entry.hpp"

#include <vector>

#include "compile/compile.hpp"
#include "front/chars.hpp"

namespace quorl {

bool leavesBracketOpen(std::string_view text) {
  // As the bracket check pairs them: inside a text group only square
  // brackets count.
  std::vector<char> open;
  for (char c : text) {
    if (!open.empty() && open.back() == '[') {
      if (c == '[') open.push_back(c);
      else if (c == ']') open.pop_back();
      continue;
    }
    switch (c) {
      case '(': case '[': case '{':
        open.push_back(c);
        break;
      case ')': case ']': case '}': {
        char opening = c == ')' ? '(' : c == ']' ? '[' : '{';
        if (open.empty() || open.back() != opening) return false;
        open.pop_back();
        break;
      }
      default:
        break;
    }
  }
  return !open.empty();
}

std::string_view trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(" \n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \n");
  return text.substr(first, last - first + 1);
}

EntryParts partsOf(std::string_view entry) {
  EntryParts parts;
  SourcePieces pieces = cutSource(entry, FirstPiece::mayDefine);
  parts.defines = !pieces.definitions.empty();
  if (!pieces.main) return parts;
  std::vector<size_t> commas = findAtDepthZero(entry, ",");
  parts.expression = trimmed(entry.substr(0, commas.empty() ? entry.size() : commas.front()));
  return parts;
}

}  // namespace quorl
