// Number leaves carry the machine word their text denotes: the word must be
// what parsing the text gives, whichever way the leaf was made, and the
// text must stay what every reader sees.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "numbers/number.hpp"
#include "numbers/operands.hpp"

namespace quorl {
namespace {

// The canonical text of v, written out independently of the engine's
// printers: a sign "0" in front of the digits of a negative integer.
std::string canonicalText(int64_t v) {
  if (v >= 0) return std::to_string(v);
  std::string digits = std::to_string(v).substr(1);
  return "0" + digits;
}

// Integers at each edge of a decimal length (the carried word lies in the
// granule after the text, so every text length 1 to 20 moves it), and the
// edges of what counts as a short integer (18 digits).
std::vector<int64_t> edgeValues() {
  std::vector<int64_t> values{0, INT64_MAX, INT64_MIN, INT64_MIN + 1};
  int64_t power = 1;
  for (int digits = 1; digits <= 18; digits++) {
    power *= 10;  // 10^digits
    for (int64_t v : {power / 10, power - 1, power, power + 1}) {
      values.push_back(v);
      values.push_back(-v);
    }
  }
  return values;
}

bool isShort(int64_t v) { return v > -1000000000000000000 && v < 1000000000000000000; }

TEST(NumberLeafWords, LeavesFromWordsAndFromTextsAgree) {
  for (int64_t v : edgeValues()) {
    std::string text = canonicalText(v);
    NodeRef fromWord = integerLeaf(v);
    NodeRef fromText = leaf(text);
    ASSERT_EQ(fromWord.text(), text) << v;
    EXPECT_EQ(fromWord.payloadLength(), text.size()) << v;
    EXPECT_EQ(compare(fromWord, fromText), 0) << v;
    EXPECT_EQ(numberText(fromWord), text) << v;
    EXPECT_EQ(numberToInt64(fromWord), v) << v;
    int64_t a = 0, b = 0;
    bool wordRead = shortIntegerLeaf(fromWord.get(), a);
    bool textRead = shortIntegerLeaf(fromText.get(), b);
    EXPECT_EQ(wordRead, isShort(v)) << v;
    EXPECT_EQ(textRead, isShort(v)) << v;
    if (wordRead && textRead) {
      EXPECT_EQ(a, v);
      EXPECT_EQ(b, v);
    }
  }
}

TEST(NumberLeafWords, TextsThatAreNoShortIntegerCarryNone) {
  int64_t v = 0;
  for (const char* text : {"00", "000", "004", "0017", "001234567890123456", "1234567890123456789",
                           "01234567890123456789", "09223372036854775808", "12345678901234567890",
                           "123456789012345678901", "12x", "1 2", "0x"}) {
    EXPECT_FALSE(shortIntegerLeaf(leaf(text).get(), v)) << text;
  }
  EXPECT_FALSE(shortIntegerLeaf(leaf("K").get(), v));
  EXPECT_FALSE(shortIntegerLeaf(leaf("[12]").get(), v));
  EXPECT_FALSE(shortIntegerLeaf(apply(leaf("J"), leaf("1")).get(), v));
  // A text past the longest that carries a word, of digits alone.
  EXPECT_FALSE(shortIntegerLeaf(leaf(std::string(40, '7')).get(), v));
  EXPECT_EQ(leaf(std::string(40, '7')).text(), std::string(40, '7'));
}

// Leaves of every length are made and freed in a random order among other
// cells of the same sizes: were a number leaf freed as a cell of another
// size than it was made with, a later cell would overlap a live one and a
// text or a word would change under it.
TEST(NumberLeafWords, CellsOfEveryLengthAreFreedAtTheirSize) {
  std::mt19937 random(17);
  struct Made {
    NodeRef node;
    std::string text;
    int64_t value;
  };
  std::vector<Made> live;
  auto make = [&] {
    int kind = static_cast<int>(random() % 3);
    if (kind == 0) {
      int64_t v = static_cast<int64_t>(random()) * static_cast<int64_t>(random() % 100000) *
                  (random() % 2 ? 1 : -1) / static_cast<int64_t>(1 + random() % 1000);
      live.push_back({integerLeaf(v), canonicalText(v), v});
    } else if (kind == 1) {
      std::string name(1 + random() % 30, 'q');
      live.push_back({leaf(name), name, 0});
    } else {
      NodeRef cell = apply(leaf("J"), leaf("K"));
      live.push_back({cell, "", 0});
    }
  };
  for (int round = 0; round < 20000; round++) {
    if (live.empty() || random() % 3 != 0) {
      make();
    } else {
      size_t i = random() % live.size();
      std::swap(live[i], live.back());
      live.pop_back();
    }
  }
  for (const Made& m : live) {
    if (m.node.isApp()) {
      EXPECT_EQ(m.node.fun().text(), "J");
      EXPECT_EQ(m.node.arg().text(), "K");
      continue;
    }
    ASSERT_EQ(m.node.text(), m.text);
    int64_t v = 0;
    if (shortIntegerLeaf(m.node.get(), v)) {
      EXPECT_EQ(v, m.value) << m.text;
    }
  }
}

}  // namespace
}  // namespace quorl
