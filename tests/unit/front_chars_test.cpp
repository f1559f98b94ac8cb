// Normalisation, names, bracket scanning, words and the display code.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "front/chars.hpp"

namespace quorl {
namespace {

TEST(FrontNormalise, CollapsesWhitespaceBesideOperatorsAndGroups) {
  EXPECT_EQ(normaliseSource("   \n "), "");
  EXPECT_EQ(normaliseSource(""), "");
  EXPECT_EQ(normaliseSource("g  x"), "g x");
  EXPECT_EQ(normaliseSource("a +\n b"), "a+b");
  EXPECT_EQ(normaliseSource("g\n\n  h"), "g\nh");
  EXPECT_EQ(normaliseSource("x \n y"), "x\ny");
  EXPECT_EQ(normaliseSource("( x )"), "(x)");
  EXPECT_EQ(normaliseSource("{ a }"), "{a}");
  EXPECT_EQ(normaliseSource("a} b{ c"), "a}b{c");
  EXPECT_EQ(normaliseSource("f\\x\\   x, g"), "f\\x\\x,g");
}

TEST(FrontNormalise, KeepsSeparatorsBesideAffixesAndTextGroupsWhole) {
  EXPECT_EQ(normaliseSource("x ~y"), "x ~y");
  EXPECT_EQ(normaliseSource("x! y"), "x! y");
  EXPECT_EQ(normaliseSource("[a  b]  c"), "[a  b] c");
  EXPECT_EQ(normaliseSource(" [a [b \n c]  d]\n\ne "), "[a [b \n c]  d]\ne");
  // Brackets of other kinds inside a text group do not end it.
  EXPECT_EQ(normaliseSource("[( ]  x"), "[( ] x");
}

TEST(FrontNames, FunctionNamesLocalsAndKeys) {
  for (const char* yes : {"plus", "_x", "my_list", "A", "Z", "[+]", "[{]", "[,]", "[\\]", "\x01",
                          "\x1f", "\x7f", "\xff"})
    EXPECT_TRUE(isFunctionName(yes)) << yes;
  for (const char* no : {"", "[a]", "+", "ab1", "1", "[[]", "[+", "Ab", " ", "[++]"})
    EXPECT_FALSE(isFunctionName(no)) << no;

  EXPECT_TRUE(isLocalName("a"));
  EXPECT_FALSE(isLocalName("ab"));
  EXPECT_FALSE(isLocalName("_"));
  EXPECT_FALSE(isLocalName("A"));

  EXPECT_TRUE(isKey("+"));
  EXPECT_TRUE(isKey("{"));
  EXPECT_TRUE(isKey("map"));
  EXPECT_TRUE(isKey("K"));
  EXPECT_FALSE(isKey("[+]"));
  EXPECT_FALSE(isKey(""));
  EXPECT_FALSE(isKey("("));
  EXPECT_FALSE(isKey("12"));

  EXPECT_EQ(keyOf("[;]"), ";");
  EXPECT_EQ(keyOf("map"), "map");
  EXPECT_EQ(keyOf("K"), "K");
}

TEST(FrontNames, ShortNameCutsOnlyLongNames) {
  EXPECT_EQ(shortName("abcde"), "abcde");
  std::string limit(72, 'q');
  EXPECT_EQ(shortName(limit), limit);
  std::string longer = std::string(69, 'a') + "bcdef";
  EXPECT_EQ(shortName(longer), std::string(69, 'a') + "...");
}

TEST(FrontNamesDeathTest, KeyOfAndBracketKindGuardTheirArguments) {
  EXPECT_DEATH(keyOf("a1"), "ASSERTION FAILED:b:");
  EXPECT_DEATH(bracketKind('x'), "ASSERTION FAILED:b:");
}

TEST(FrontScan, MatchBracketPairsKindsAndSkipsTextGroups) {
  EXPECT_EQ(matchBracket("(a[)]b)", 0), 6u);
  EXPECT_EQ(matchBracket("(a[)]b)", 6), 0u);
  EXPECT_EQ(matchBracket("(a[)]b)", 2), 4u);
  EXPECT_EQ(matchBracket("[a[b]c]", 6), 0u);
  EXPECT_EQ(matchBracket("{(x)[}]}", 0), 7u);
  EXPECT_EQ(matchBracket("abc", 1), 1u);
  EXPECT_EQ(std::string(bracketKind('}')), "wing");
  EXPECT_EQ(std::string(bracketKind('(')), "parenthesis");
  EXPECT_EQ(std::string(bracketKind(']')), "bracket");
}

TEST(FrontScan, DepthZeroSearchesSkipGroupsButTestOpeningBrackets) {
  EXPECT_EQ(findAtDepthZero("a{b,c},d(e,f),[g,h]", ",{"), (std::vector<size_t>{1, 6, 13}));
  EXPECT_TRUE(findAtDepthZero("", ",").empty());

  EXPECT_EQ(findAffixAtDepthZero(0, "(~)[!(]~", "~!"), 7);
  EXPECT_EQ(findAffixAtDepthZero(0, "a!b", "~!"), 1);
  EXPECT_EQ(findAffixAtDepthZero(2, "a!b", "~!"), -1);
  EXPECT_EQ(findAffixAtDepthZero(0, "{[}]!}!", "!"), 6);
}

std::vector<std::string> words(std::string_view word) {
  std::vector<std::string> out;
  for (std::string_view token : splitWord(word)) out.emplace_back(token);
  return out;
}

TEST(FrontScan, WordsSplitIntoNamesNumeralsBytesAndGroups) {
  using V = std::vector<std::string>;
  EXPECT_EQ(words("F(x,y)[z]"), (V{"F", "(x,y)", "[z]"}));
  EXPECT_EQ(words("BKK"), (V{"B", "K", "K"}));
  EXPECT_EQ(words("aS"), (V{"a", "S"}));
  EXPECT_EQ(words("x1"), (V{"x", "1"}));
  EXPECT_EQ(words("12ab_c"), (V{"12", "ab_c"}));
  EXPECT_EQ(words("plus"), (V{"plus"}));
  EXPECT_EQ(words("g(x)y"), (V{"g", "(x)", "y"}));
  EXPECT_EQ(words("(a)(b)[c d]"), (V{"(a)", "(b)", "[c d]"}));
  EXPECT_EQ(words("[a(]b"), (V{"[a(]", "b"}));
  EXPECT_EQ(words("\xc3\xa9x"), (V{"\xc3", "\xa9", "x"}));
  // A comma reaching a word is a token of its own, never glued to a name.
  EXPECT_EQ(words("a,,1"), (V{"a", ",", ",", "1"}));
}

TEST(FrontScan, TokensBecomeLeaves) {
  EXPECT_EQ(tokenToTerm("[hello world]").text(), "[hello world]");
  EXPECT_EQ(tokenToTerm("42").text(), "42");
  EXPECT_EQ(tokenToTerm("+").text(), "+");
  EXPECT_EQ(tokenToTerm(std::string_view("\0", 1)).text(), "\n");
}

TEST(FrontDisplayCode, GlyphsTurnBackIntoBytes) {
  EXPECT_EQ(byteOfGlyph('2', '9'), 0xA0);
  EXPECT_EQ(byteOfGlyph('1', '!'), 0xA1);
  EXPECT_EQ(byteOfGlyph('2', '0'), 151);
  EXPECT_EQ(byteOfGlyph('2', 'a'), 1);
  EXPECT_EQ(byteOfGlyph('2', 'A'), 1);
  EXPECT_EQ(byteOfGlyph('2', 'j'), 0);
  EXPECT_EQ(byteOfGlyph('2', 'J'), 0);
  EXPECT_EQ(byteOfGlyph('2', ','), 10);
  EXPECT_EQ(byteOfGlyph('2', ']'), 0xFF);
  EXPECT_EQ(byteOfGlyph('2', '~'), 0x7F);
  EXPECT_EQ(byteOfGlyph('3', 'x'), 'x');
  EXPECT_EQ(byteOfGlyph('1', ' '), ' ');
  EXPECT_EQ(byteOfGlyph('2', '\n'), '\n');
}

TEST(FrontDisplayCodeDeathTest, UnknownGreenGlyphFails) {
  EXPECT_DEATH(byteOfGlyph('2', '\x01'), "ASSERTION FAILED:b:634");
}

TEST(FrontDisplayCode, OrderingNumbersEveryByteOnce) {
  std::set<int> ordered;
  for (size_t i = 0; i < 256; ++i) ordered.insert(orderedByte(i));
  EXPECT_EQ(ordered.size(), 256u);

  std::set<int> bytes;
  std::set<int> numbers;
  for (int number = 145; number <= 400; ++number) {
    int byte = byteOfCharacterNumber(number);
    if (byte < 0) continue;
    EXPECT_TRUE(bytes.insert(byte).second) << "byte " << byte << " named twice";
    EXPECT_EQ(characterNumber(static_cast<unsigned char>(byte)), number);
  }
  // Every byte but the three left out of the numbering has a number.
  EXPECT_EQ(bytes.size(), 253u);
  for (int byte = 0; byte < 256; ++byte) {
    int number = characterNumber(static_cast<unsigned char>(byte));
    if (byte == '\n' || byte == '[' || byte == ']') {
      EXPECT_EQ(number, -1);
    } else {
      EXPECT_TRUE(number >= 145 && number <= 400) << byte;
      EXPECT_TRUE(numbers.insert(number).second);
    }
  }
  EXPECT_EQ(characterNumber(151), 145);  // the green '0' opens the ordering
  EXPECT_EQ(characterNumber('_'), 145 + 53);
  EXPECT_EQ(byteOfCharacterNumber(144), -1);
  EXPECT_EQ(byteOfCharacterNumber(401), -1);
}

}  // namespace
}  // namespace quorl
