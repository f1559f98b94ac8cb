// Number lists, compact texts, bit vectors and machine-integer conversions.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "numbers/number.hpp"
#include "reference/ref_int.hpp"

namespace quorl {
namespace {

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef cons(char head, NodeRef rest) { return apply(apply(L("J"), L(std::string(1, head))), std::move(rest)); }

// A list of K/H heads written as "1"/"0" characters, ending in `end`.
NodeRef list(std::string_view bits, NodeRef end) {
  for (size_t i = bits.size(); i-- > 0;) end = cons(bits[i] == '1' ? 'K' : 'H', std::move(end));
  return end;
}

using reference::RefInt;

// The vector value as an unsigned number, byte 0 lowest.
RefInt vectorValue(const BitVector& v) { return RefInt::ofBytes(v); }
BitVector vectorOf(const RefInt& z) { return z.bytes(); }
RefInt R(std::string_view decimal) { return RefInt::ofDecimal(decimal); }

std::string randomDigits(std::mt19937_64& rng, size_t n) {
  std::string s(n, '0');
  for (char& c : s) c = static_cast<char>('0' + rng() % 10);
  s[0] = static_cast<char>('1' + rng() % 9);
  return s;
}

TEST(NumberTexts, WorkedConversionsGiveTheirVectors) {
  const std::pair<const char*, int> table[] = {{"0", 3},   {"1", 7},   {"5", 23},  {"05", 21},
                                               {"00", 2},  {"000", 4}, {"001", 6}, {"004", 18}};
  for (auto [text, value] : table) {
    BitVector v = textToBits(text);
    EXPECT_EQ(vectorValue(v), value) << text;
    EXPECT_EQ(bitsToText(v), text);
  }
  EXPECT_EQ(bitsToText(vectorOf(70)), "0017");  // [0, 1, 1, 0, 0, 0]
}

TEST(NumberTexts, EveryFormRoundTripsAtEverySize) {
  std::mt19937_64 rng(17);
  for (const char* fixed : {"0017", "0000", "09", "123456789012345678901234567890", "00000000000000000000000000000000000000000000000000000001"})
    EXPECT_EQ(bitsToText(textToBits(fixed)), fixed);
  for (size_t n : {1, 18, 19, 20, 21, 38, 39, 40, 77, 300, 1200}) {
    std::string d = randomDigits(rng, n);
    for (std::string t : {d, "0" + d, "00" + d, "00000" + d, std::string(n + 2, '0')}) {
      BitVector v = textToBits(t);
      EXPECT_EQ(bitsToText(v), t);
      // An integer's vector is 4|n| + 2s + 1, whatever its size.
      if (t[0] != '0') {
        EXPECT_EQ(vectorValue(v), 4 * R(d) + 3);
      } else if (t[1] != '0') {
        EXPECT_EQ(vectorValue(v), 4 * R(d) + 1);
      }
    }
  }
}

TEST(NumberTexts, BinaryTextsPlaceTheirZerosBelowTheValue) {
  // "00" + z zeros + D: bit z + 1 set, then D from bit z + 2.
  std::string d = "98765432109876543210987654321";
  for (int z : {0, 3, 70}) {
    std::string t = "00" + std::string(z, '0') + d;
    RefInt expected = (R(d) << (z + 2)) + (RefInt(1) << (z + 1));
    EXPECT_EQ(vectorValue(textToBits(t)), expected) << z;
  }
}

TEST(NumberTexts, NonCanonicalVectorsAndEmptyTextsAreRefused) {
  EXPECT_DEATH(textToBits(""), "ASSERTION FAILED:b:9121");
  EXPECT_DEATH(bitsToText(std::string("\0\0", 2)), "ASSERTION FAILED:b:780");
  EXPECT_EQ(bitsToText(std::string("\x03\0\0", 3)), "0");  // high zero bytes are trimmed
}

TEST(NumberUnfolding, HeadAndTailWalkTheList) {
  EXPECT_EQ(headElement("004").text(), "H");
  EXPECT_EQ(headElement("0").text(), "K");
  EXPECT_EQ(headElement("05").text(), "K");
  EXPECT_EQ(tailText("5").text(), "2");
  EXPECT_EQ(tailText("2").text(), "01");
  EXPECT_EQ(tailText("01").text(), "00");
  EXPECT_EQ(tailText("00").text(), "K");
  EXPECT_EQ(tailText("0").text(), "K");
  EXPECT_EQ(tailText("0").get(), sharedLeaf('K').get());
  // Walking a long number to its end meets every element once.
  std::string big = "1" + std::string(60, '0');
  RefInt v = 4 * R(big) + 3;
  NodeRef rest = L(big);
  int64_t steps = 0;
  while (rest.text() != "K") {
    EXPECT_EQ(headElement(rest.text()).text(), v.bit(steps) ? "K" : "H");
    rest = tailText(rest.text());
    steps++;
  }
  EXPECT_EQ(steps, static_cast<int64_t>(v.bitLength()) - 1);
}

TEST(NumberNodes, KindsOfNumberNodes) {
  for (const char* yes : {"K", "0", "07", "12"}) EXPECT_TRUE(isNumber(L(yes).get())) << yes;
  for (const char* no : {"00", "004", "H", "plus", "(a)x"}) EXPECT_FALSE(isNumber(L(no).get())) << no;
  EXPECT_FALSE(isNumber(cons('H', L("K")).get()));
  EXPECT_TRUE(isNumber(cons('K', L("I")).get()));
  EXPECT_TRUE(isNonNegative(L("0")));
  EXPECT_TRUE(isNonNegative(L("K")));
  EXPECT_FALSE(isNonNegative(L("05")));
  EXPECT_FALSE(isNonNegative(list("10", L("K"))));  // [1, 0]: -1
  EXPECT_TRUE(isNonNegative(list("1", L("K"))));    // [1]: 0
  EXPECT_TRUE(isZero(L("0")));
  EXPECT_TRUE(isZero(L("K")));
  EXPECT_FALSE(isZero(L("00")));
  requireNonNegativeNumber(L("7"));
  EXPECT_DEATH(requireNumber(L("004")), "ASSERTION FAILED:b:5137");
  EXPECT_DEATH(requireNonNegativeNumber(L("07")), "ASSERTION FAILED:b:5239");
}

TEST(NumberNodes, ListsGiveTheTextOfTheirValue) {
  EXPECT_EQ(numberText(list("101", L("K"))), "03");
  EXPECT_EQ(numberText(list("1", L("K"))), "0");
  EXPECT_EQ(numberText(list("0", L("K"))), "00");
  EXPECT_EQ(numberText(list("01", L("0"))), "003");  // [0, 1] followed by [1]
  EXPECT_EQ(numberText(list("11", L("2"))), "11");   // [1, 1] followed by [1, 1, 0]
  EXPECT_EQ(numberText(L("K")), "K");
  // A list of a million elements is walked without recursion.
  NodeRef longList = L("K");
  for (int i = 0; i < 1000000; i++) longList = cons(i == 999999 ? 'K' : 'H', std::move(longList));
  longList = cons('K', std::move(longList));
  std::string text = numberText(longList);
  // [1, 1, then 999999 zeros]: 2^999999 in decimal.
  EXPECT_EQ(text, RefInt::powerOfTwo(999999).decimal());
}

TEST(NumberNodes, MalformedListsAreRefusedWithoutDamage) {
  std::string out = "untouched";
  EXPECT_FALSE(tryNumberText(cons('K', L("I")), out));
  EXPECT_FALSE(tryNumberText(cons('K', apply(L("f"), L("x"))), out));
  EXPECT_FALSE(tryNumberText(list("1", cons('I', L("K"))), out));
  EXPECT_FALSE(tryNumberText(L("plus"), out));
  EXPECT_EQ(out, "untouched");
  int64_t value = 7;
  EXPECT_FALSE(tryNumberToInt64(cons('K', L("I")), value));
  EXPECT_EQ(value, 7);
  std::string storage;
  EXPECT_TRUE(numberTextView(cons('K', L("I")), storage).empty());
  EXPECT_DEATH(numberText(L("plus")), "ASSERTION FAILED:b:5417");
  EXPECT_DEATH(numberText(cons('K', L("I"))), "ASSERTION FAILED:b:780");
}

TEST(NumberNodes, AbsoluteValueAndNegation) {
  EXPECT_EQ(absoluteValue(L("05")).text(), "5");
  EXPECT_EQ(absoluteValue(L("5")).text(), "5");
  EXPECT_EQ(absoluteValue(L("0")).text(), "0");
  EXPECT_EQ(absoluteValue(list("10", L("K"))).text(), "1");
  EXPECT_DEATH(absoluteValue(L("x")), "ASSERTION FAILED:b:5065");
  EXPECT_DEATH(absoluteValue(cons('H', L("K"))), "ASSERTION FAILED:b:5071");
  EXPECT_EQ(negate(L("05")).text(), "5");
  EXPECT_EQ(negate(L("5")).text(), "05");
  EXPECT_EQ(negate(L("0")).text(), "0");
  EXPECT_EQ(numberText(negate(list("101", L("K")))), "3");
  EXPECT_EQ(numberText(negate(list("1", L("5")))), "011");  // [1, 1, 1, 1, 0]: 11
  EXPECT_EQ(numberText(negate(list("1", L("K")))), "0");
}

TEST(NumberNodes, LengthsAndPromotionToBinary) {
  EXPECT_EQ(listLength(L("K")), 0);
  EXPECT_EQ(listLength(L("0")), 1);
  EXPECT_EQ(listLength(L("5")), 4);
  EXPECT_EQ(listLength(list("11", L("5"))), 6);
  EXPECT_EQ(listLength(L("1" + std::string(40, '0'))), 2 + 132);  // 10^40 has 133 bits
  EXPECT_EQ(integerToBinary(L("5")).text(), "0017");
  EXPECT_EQ(integerToBinary(L("0")).text(), "00");
  EXPECT_EQ(integerToBinary(L("1")).text(), "001");
  EXPECT_EQ(integerToBinary(L("01")).text(), "000");
  EXPECT_EQ(integerToBinary(L("2")).text(), "004");
  EXPECT_EQ(integerToBinary(list("101", L("K"))).text(), integerToBinary(L("03")).text());
}

TEST(NumberNodes, MachineIntegersAtTheirLimits) {
  EXPECT_EQ(numberFromInt64(0).text(), "0");
  EXPECT_EQ(numberFromInt64(-1).text(), "01");
  EXPECT_EQ(numberFromInt64(INT64_MIN).text(), "09223372036854775808");
  EXPECT_EQ(numberFromInt64(INT64_MAX).text(), "9223372036854775807");
  EXPECT_EQ(numberFromUInt64(UINT64_MAX).text(), "18446744073709551615");
  EXPECT_EQ(numberToInt64(L("05")), -5);
  EXPECT_EQ(numberToInt64(L("0")), 0);
  EXPECT_EQ(numberToInt64(L("K")), 0);
  EXPECT_EQ(numberToInt64(list("101", L("K"))), -3);
  EXPECT_EQ(numberToInt64(L("09223372036854775808")), INT64_MIN);
  EXPECT_EQ(numberToUInt64(L("18446744073709551615")), UINT64_MAX);
  // Magnitudes of 2^64 and more wrap.
  EXPECT_EQ(numberToUInt64(L("18446744073709551617")), 1u);
  EXPECT_EQ(numberToInt64(L("018446744073709551617")), -1);
  EXPECT_EQ(numberToInt64(L("9223372036854775808")), INT64_MIN);
  EXPECT_EQ(numberToInt64(L("340282366920938463463374607431768211457")), 1);  // 2^128 + 1
  EXPECT_EQ(numberToInt64(list("11", L("1"))), 7);  // [1, 1, 1, 1]
}

TEST(NumberNodes, SmallIntegerValuesStopAtTheWord) {
  int64_t v;
  EXPECT_TRUE(smallIntegerValue("9223372036854775807", v));
  EXPECT_EQ(v, INT64_MAX);
  EXPECT_FALSE(smallIntegerValue("9223372036854775808", v));
  EXPECT_TRUE(smallIntegerValue("09223372036854775808", v));
  EXPECT_EQ(v, INT64_MIN);
  EXPECT_FALSE(smallIntegerValue("09223372036854775809", v));
  EXPECT_FALSE(smallIntegerValue("004", v));
  EXPECT_FALSE(smallIntegerValue("", v));
  EXPECT_FALSE(smallIntegerValue("99999999999999999999", v));
  EXPECT_TRUE(smallIntegerValue("0", v));
  EXPECT_EQ(v, 0);
}

TEST(BitVectors, ArithmeticOnThePackedForm) {
  BitVector v = vectorOf(R("123456789012345678901234567"));
  BitVector w = v;
  EXPECT_EQ(divideSmall(w, 10), 7u);
  EXPECT_EQ(vectorValue(w), R("12345678901234567890123456"));
  EXPECT_EQ(modTen(v), 7);
  w = v;
  multiplySmall(w, uint64_t{1} << 62);
  EXPECT_EQ(vectorValue(w), R("123456789012345678901234567") << 62);
  w = vectorOf(R("18446744073709551615"));
  addSmall(w, 1);
  EXPECT_EQ(vectorValue(w), RefInt(1) << 64);
  w = vectorOf((RefInt(1) << 100) - 1);
  incrementBits(w);
  EXPECT_EQ(vectorValue(w), RefInt(1) << 100);
  addBits(w, vectorOf((RefInt(1) << 100)));
  EXPECT_EQ(vectorValue(w), RefInt(1) << 101);
  shiftDown(w);
  EXPECT_EQ(bitLength(w), 101);
  shiftUp(w);
  EXPECT_EQ(endPosition(w), 101);
  EXPECT_TRUE(bitsAreZero(std::string("\0\0", 2)));
  EXPECT_EQ(bitLength(std::string("\0", 1)), 0);
}

TEST(BitVectors, ElementsAndAppending) {
  BitVector v = textToBits("5");  // [1, 1, 1, 0]
  EXPECT_EQ(elementAt(v, 3), 0);
  EXPECT_DEATH(elementAt(v, 4), "ASSERTION FAILED:b:464");
  EXPECT_DEATH(elementAt(v, -1), "ASSERTION FAILED:b:463");
  EXPECT_DEATH(endPosition(std::string("\x05\0", 2)), "ASSERTION FAILED:b:518");
  EXPECT_DEATH(setBit(v, -1, 1), "ASSERTION FAILED:b:852");
  setBit(v, 40, 1);
  EXPECT_EQ(bitCapacity(v), 48);
  // [1, 1] followed by the whole of "5": [1, 1, 1, 1, 1, 0].
  EXPECT_EQ(bitsToText(appendBits(std::string("\x07"), textToBits("5"))), "23");
  std::string longList = textToBits(std::string(90, '9'));
  EXPECT_EQ(vectorValue(appendBits(std::string("\x04"), longList)), vectorValue(longList) * 4);
}

}  // namespace
}  // namespace quorl
