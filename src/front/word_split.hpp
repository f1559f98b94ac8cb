// Cutting a word (an operand without operator characters) into tokens.
// Shared by the public splitWord and the parser, which differ only in how
// they find a bracket's partner.
#pragma once

#include <cstddef>
#include <string_view>

namespace quorl {

inline bool isTokenNameChar(unsigned char c) { return (c >= 'a' && c <= 'z') || c == '_'; }
inline bool isTokenDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool isOpeningBracket(unsigned char c) { return c == '(' || c == '[' || c == '{'; }

// A token is a run of name characters, a run of digits, a single byte, or a
// whole bracket group; so only those two runs ever continue a token.
inline bool tokenContinues(unsigned char before, unsigned char at) {
  return (isTokenNameChar(before) && isTokenNameChar(at)) ||
         (isTokenDigit(before) && isTokenDigit(at));
}

// Calls onToken(start, length) for every token of word, left to right.
// partnerOf(i) gives the index of the partner of the opening bracket at i.
template <class PartnerOf, class OnToken>
void forEachToken(std::string_view word, PartnerOf&& partnerOf, OnToken&& onToken) {
  if (word.empty()) return;
  size_t start = 0;
  size_t i = isOpeningBracket(word[0]) ? partnerOf(0) + 1 : 1;
  while (i < word.size()) {
    if (!tokenContinues(word[i - 1], word[i])) {
      onToken(start, i - start);
      start = i;
    }
    i = isOpeningBracket(word[i]) ? partnerOf(i) + 1 : i + 1;
  }
  onToken(start, word.size() - start);
}

}  // namespace quorl
