// Real leaves and their conversions to and from exact numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "numbers/real.hpp"

namespace quorl {
namespace {

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef V(NodeRef x, NodeRef y) { return apply(apply(L("V"), std::move(x)), std::move(y)); }

uint64_t bitsOf(double x) {
  uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

double fromBits(uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

// The binary number 2^k.
std::string powerOfTwoText(int64_t k) {
  DigitVector v(1, '\x01');
  setBit(v, k >= 0 ? 2 * k + 1 : -2 * k, 1);
  return digitVectorText(v);
}

TEST(RealLeaves, LeafFormAndTexts) {
  NodeRef zero = makeReal(0.0);
  EXPECT_EQ(zero.text(), std::string_view(" \0\0\0\0\0\0\0\0", 9));
  EXPECT_EQ(realValue(zero), 0.0);
  NodeRef x = makeReal(1.5);
  EXPECT_EQ(realValue(x), 1.5);
  EXPECT_EQ(realText(x), "1.500000e+00");
  EXPECT_EQ(realText(makeReal(-0.002)), "-2.000000e-03");
  EXPECT_EQ(realConstant(x).text(), "[1.500000e+00]");
  EXPECT_DEATH(realValue(L("5")), "ASSERTION FAILED:b:9794");
}

TEST(RealConversions, IntegersRoundAsTheLibraryReadsThem) {
  EXPECT_EQ(integerToReal(L("05")), -5.0);
  EXPECT_EQ(integerToReal(L("0")), 0.0);
  EXPECT_EQ(integerToReal(L("9007199254740993")), 9007199254740992.0);  // 2^53 + 1, ties to even
  EXPECT_EQ(integerToReal(L("09223372036854775808")), -9223372036854775808.0);
  std::string big = "1" + std::string(30, '0') + "1";
  EXPECT_EQ(integerToReal(L(big)), std::strtod(big.c_str(), nullptr));
  EXPECT_EQ(integerToReal(L("0" + big)), -std::strtod(big.c_str(), nullptr));
  EXPECT_EQ(integerToReal(L(std::string(400, '9'))), std::numeric_limits<double>::infinity());
  EXPECT_EQ(integerToReal(L("0" + std::string(400, '9'))), -std::numeric_limits<double>::infinity());
  EXPECT_DEATH(integerToReal(L("004")), "ASSERTION FAILED:b:5137");
}

TEST(RealConversions, BinaryNumbersTruncateIntoDoubles) {
  EXPECT_EQ(binaryToReal(L("001")), 1.0);
  EXPECT_EQ(binaryToReal(L("000")), -1.0);
  EXPECT_EQ(binaryToReal(L("004")), 2.0);
  EXPECT_EQ(binaryToReal(L("0017")), 5.0);
  EXPECT_EQ(bitsOf(binaryToReal(L("00"))), 0u);
  EXPECT_EQ(bitsOf(binaryToReal(L(powerOfTwoText(1024)))), 0x7FF9000000000000u);
  EXPECT_EQ(binaryToReal(L(powerOfTwoText(1023))), std::ldexp(1.0, 1023));
  EXPECT_EQ(binaryToReal(L(powerOfTwoText(-1074))), fromBits(1));  // smallest subnormal
  EXPECT_EQ(bitsOf(binaryToReal(L(powerOfTwoText(-1075)))), 0x7FF9000000000000u);
  EXPECT_EQ(binaryToReal(L(powerOfTwoText(-1022))), std::numeric_limits<double>::min());
  // 1 + 2^-53 and -(1 + 2^-53) lose their last digit toward zero.
  DigitVector v = digitVectorOf(L("001"));
  setBit(v, 2 * 53, 1);
  EXPECT_EQ(digitVectorToReal(v), 1.0);
  EXPECT_EQ(digitVectorToReal(withSign(0, v)), -1.0);
  // 2^-1073 + 2^-1080 keeps only the digits a subnormal can hold.
  v = digitVectorOf(L(powerOfTwoText(-1073)));
  setBit(v, 2 * 1080, 1);
  EXPECT_EQ(digitVectorToReal(v), fromBits(2));
  EXPECT_DEATH(binaryToReal(L("5")), "ASSERTION FAILED:b:3166");
}

TEST(RealConversions, DoublesBecomeExactBinaryNumbers) {
  EXPECT_EQ(realToBinary(0.5).text(), powerOfTwoText(-1));
  EXPECT_EQ(realToBinary(-3.0).text(), "0002");  // [0, 0, 1, 0]: -(1 + 2)
  EXPECT_EQ(realToBinary(6.0).text(), "0020");     // [0, 1, 0, 0, 1, 0]: 2 + 4
  for (double x : {0.0, -0.0, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(realToBinary(x).text(), "00");
  EXPECT_EQ(realToBinary(fromBits(1)).text(), powerOfTwoText(-1074));
  // Every finite nonzero double comes back unchanged, subnormals included.
  std::mt19937_64 rng(5);
  for (int i = 0; i < 3000; i++) {
    double x = fromBits(rng());
    if (i % 3 == 0) x = fromBits(rng() & 0x800FFFFFFFFFFFFFull);  // subnormal
    if (!std::isfinite(x) || x == 0.0) continue;
    ASSERT_EQ(bitsOf(binaryToReal(realToBinary(x))), bitsOf(x)) << x;
  }
}

// The eight-byte structure: bits K/H, nibbles of four bits, bytes of two
// nibbles, eight bytes in a balanced tree.
NodeRef bit(int b) { return L(b ? "K" : "H"); }
NodeRef nibble(unsigned n) { return V(V(bit(n & 1), bit(n >> 1 & 1)), V(bit(n >> 2 & 1), bit(n >> 3 & 1))); }
NodeRef byteTerm(unsigned char b) { return V(nibble(b & 15), nibble(b >> 4)); }
NodeRef eightBytes(double x) {
  unsigned char raw[8];
  std::memcpy(raw, &x, 8);
  return V(V(V(byteTerm(raw[0]), byteTerm(raw[1])), V(byteTerm(raw[2]), byteTerm(raw[3]))),
           V(V(byteTerm(raw[4]), byteTerm(raw[5])), V(byteTerm(raw[6]), byteTerm(raw[7]))));
}

TEST(RealConversions, EightByteStructuresAssembleADouble) {
  for (double x : {1.5, -2.75e-300, 123456789.125, fromBits(1)}) {
    double out = 0;
    ASSERT_TRUE(eightByteStructure(eightBytes(x), out));
    EXPECT_EQ(bitsOf(out), bitsOf(x));
  }
  double out = 7.0;
  EXPECT_FALSE(eightByteStructure(L("K"), out));
  EXPECT_FALSE(eightByteStructure(V(nibble(1), nibble(2)), out));
  // One bit that is neither K nor H spoils the whole structure.
  NodeRef bad = V(V(V(byteTerm(1), byteTerm(2)), V(byteTerm(3), byteTerm(4))),
                  V(V(byteTerm(5), byteTerm(6)), V(byteTerm(7), V(nibble(1), V(V(bit(1), L("I")), V(bit(0), bit(0)))))));
  EXPECT_FALSE(eightByteStructure(bad, out));
  NodeRef wrongPair = apply(apply(L("J"), eightBytes(1.0)), L("K"));
  EXPECT_FALSE(eightByteStructure(wrongPair, out));
  EXPECT_EQ(out, 7.0);
}

}  // namespace
}  // namespace quorl
