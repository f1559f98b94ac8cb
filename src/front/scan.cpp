// Scanning normalised text: bracket partners, depth-zero searches, and
// words cut into tokens and turned into leaves.
//
// These work on any checked text without preparation.  The parser, which
// asks the same questions at every nesting level, uses a precomputed
// partner table instead (bracket_index.hpp).
#include "front/chars.hpp"
#include "front/front_checks.hpp"
#include "front/word_split.hpp"

namespace quorl {

namespace {

// Counts square brackets only: round and curly ones inside a text group are
// ordinary bytes.  dir is +1 from a '[' and -1 from a ']'.
size_t matchSquare(std::string_view text, size_t pos, int dir) {
  long count = 0;
  for (size_t i = pos;; i += dir) {
    if (i >= text.size()) checkFailure(kCoreModule, kCheckBracketOutside);
    if (text[i] == '[') count += dir;
    if (text[i] == ']') count -= dir;
    if (count == 0) return i;
  }
}

// Round and curly brackets count alike; a text group on the way is jumped
// over as a whole.
size_t matchRoundOrCurly(std::string_view text, size_t pos, int dir) {
  long count = 0;
  for (size_t i = pos;; i += dir) {
    if (i >= text.size()) checkFailure(kCoreModule, kCheckBracketOutside);
    char c = text[i];
    if (c == '[' || c == ']') {
      if ((c == '[') != (dir > 0)) checkFailure(kCoreModule, kCheckBracketFacing);
      i = matchSquare(text, i, dir);
      continue;
    }
    if (c == '(' || c == '{') count += dir;
    if (c == ')' || c == '}') count -= dir;
    if (count == 0) return i;
  }
}

}  // namespace

size_t matchBracket(std::string_view text, size_t pos) {
  if (pos >= text.size()) checkFailure(kCoreModule, kCheckBracketOutside);
  char c = text[pos];
  if (!isBracket(c)) return pos;
  int dir = isOpeningBracket(c) ? 1 : -1;
  if (c == '[' || c == ']') return matchSquare(text, pos, dir);
  return matchRoundOrCurly(text, pos, dir);
}

std::vector<size_t> findAtDepthZero(std::string_view text, std::string_view set) {
  std::vector<size_t> found;
  size_t i = 0;
  while (i < text.size()) {
    // An opening bracket is itself tested (so '{' can be an operator), but
    // nothing inside its group is.
    if (set.find(text[i]) != std::string_view::npos) found.push_back(i);
    i = isOpeningBracket(text[i]) ? matchBracket(text, i) + 1 : i + 1;
  }
  return found;
}

long findAffixAtDepthZero(size_t start, std::string_view text, std::string_view set) {
  long depth = 0;
  size_t i = start;
  while (i < text.size()) {
    char c = text[i];
    if (depth == 0 && set.find(c) != std::string_view::npos) return static_cast<long>(i);
    if (c == '[') {
      // A text group leaves the depth as it found it.
      long square = 0;
      do {
        if (text[i] == '[') ++square;
        if (text[i] == ']') --square;
        ++i;
      } while (square > 0 && i < text.size());
      continue;
    }
    if (c == '(' || c == '{') ++depth;
    if (c == ')' || c == '}' || c == ']') --depth;
    ++i;
  }
  return -1;
}

std::vector<std::string_view> splitWord(std::string_view word) {
  std::vector<std::string_view> tokens;
  forEachToken(
      word, [&](size_t i) { return matchBracket(word, i); },
      [&](size_t start, size_t length) { tokens.push_back(word.substr(start, length)); });
  return tokens;
}

NodeRef tokenToTerm(std::string_view token) {
  if (token.empty()) checkFailure(kCoreModule, kCheckEmptyToken);
  unsigned char first = token[0];
  if (isTokenDigit(first) || isTokenNameChar(first) || first == '[') return leaf(token);
  if (token.size() != 1) checkFailure(kCoreModule, kCheckLongSingleToken);
  // Leaf text ends at a NUL byte, so the byte 0 stands in as a newline.
  return leaf(first == 0 ? std::string_view("\n") : token);
}

}  // namespace quorl
