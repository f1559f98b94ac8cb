// Character sets, source normalisation, names, bracket matching, words and
// tokens, and the display code of bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "term/node.hpp"

namespace quorl {

inline constexpr std::string_view kInfixChars{"\n #%&'*+,-./:;<=>?@\\^|"};
inline constexpr std::string_view kAffixChars{"~!\"$`"};
inline constexpr std::string_view kWordBreakChars{"~!@#$%^&*<>-|+/=\\.`'\":;?(){},[] \n"};
inline constexpr std::string_view kNameablePunctuation{"{,}~!@#$%^&*<>-|+/=\\.`'\":;?"};

std::string normaliseSource(std::string_view text);

bool isLowerName(std::string_view name);
bool isLocalName(std::string_view name);
bool isFunctionName(std::string_view name);
bool isKey(std::string_view key);
std::string keyOf(std::string_view name);
std::string shortName(std::string_view name);

const char* bracketKind(unsigned char c);
bool isBracket(unsigned char c);
size_t matchBracket(std::string_view text, size_t pos);
std::vector<size_t> findAtDepthZero(std::string_view text, std::string_view set);
// The first position at or after start, or -1.
long findAffixAtDepthZero(size_t start, std::string_view text, std::string_view set);

// A word split into tokens (names, numerals, single bytes, [..] and (..) groups).
std::vector<std::string_view> splitWord(std::string_view word);
NodeRef tokenToTerm(std::string_view token);

// Display code: the byte for a class digit ('1' red, '2' green, '3' plain)
// and a glyph; and the 256-entry ordering that numbers bytes 145..400.
unsigned char byteOfGlyph(char classDigit, char glyph);
int characterNumber(unsigned char byte);     // 145..400; -1 for '\n', '[', ']'
int byteOfCharacterNumber(int number);       // inverse; -1 when out of range
unsigned char orderedByte(size_t position);  // entry 0..255 of the ordering

}  // namespace quorl
