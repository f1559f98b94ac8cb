// The machine-word fast paths of number conversion against the general
// algorithm, at every bit position across the 64- and 128-bit edges: the
// lowest set bit of a binary number, the end marker of an integer, and the
// bits just above and below each.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/number.hpp"

namespace quorl {
namespace {

constexpr unsigned kHighestPosition = 200;

BitVector vectorOf(const mpz_class& value) {
  BitVector v;
  for (mpz_class rest = value; rest != 0; rest >>= 8)
    v.push_back(static_cast<char>(mpz_class(rest & 0xFF).get_ui()));
  return v;
}

mpz_class valueOf(const BitVector& v) {
  mpz_class value = 0;
  for (size_t i = v.size(); i-- > 0;) value = (value << 8) + static_cast<unsigned char>(v[i]);
  return value;
}

unsigned topBit(const mpz_class& v) { return static_cast<unsigned>(mpz_sizeinbase(v.get_mpz_t(), 2) - 1); }

// The canonical text of a list vector, computed as the layout describes it.
std::string referenceText(const mpz_class& v) {
  if (mpz_tstbit(v.get_mpz_t(), 0)) {
    std::string digits = mpz_class(v >> 2).get_str();
    return mpz_tstbit(v.get_mpz_t(), 1) ? digits : "0" + digits;
  }
  unsigned first = static_cast<unsigned>(mpz_scan1(v.get_mpz_t(), 1));
  std::string text = "0" + std::string(first, '0');
  mpz_class above = v >> (first + 1);
  if (above != 0) text += above.get_str();
  return text;
}

// Vectors whose interesting bit sits at `p`: a binary number whose lowest
// set bit is p, alone or with bits above it up to and across the edges, and
// integers whose end marker is at p, with full and sparse magnitudes.
std::vector<mpz_class> vectorsAround(unsigned p) {
  std::vector<mpz_class> out;
  mpz_class bit = mpz_class(1) << p;
  if (p >= 1) {
    out.push_back(bit);
    for (unsigned top : {p + 1, p + 2, 63u, 64u, 65u, 127u, 128u, 129u, p + 64, p + 65})
      if (top > p) out.push_back(bit | (mpz_class(1) << top));
    out.push_back((mpz_class(1) << (p + 70)) - bit);  // every bit from p up
  }
  if (p >= 2) {
    for (const mpz_class& magnitudeBits :
         std::vector<mpz_class>{0, bit - 4, mpz_class(bit >> 1) + 4}) {
      mpz_class integer = bit | (magnitudeBits & ~mpz_class(3));
      out.push_back(integer | 3);  // positive
      out.push_back(integer | 1);  // negative
    }
  }
  return out;
}

TEST(NumberWordEdges, TextsAndVectorsAgreeWithTheGeneralAlgorithm) {
  for (unsigned p = 0; p <= kHighestPosition; p++) {
    for (const mpz_class& value : vectorsAround(p)) {
      BitVector v = vectorOf(value);
      std::string expected = referenceText(value);
      ASSERT_EQ(bitsToText(v), expected) << "position " << p << ", vector " << value.get_str(2);
      ASSERT_EQ(valueOf(textToBits(expected)), value) << expected;
    }
  }
}

TEST(NumberWordEdges, UnfoldingLengthAndMachineValuesAgree) {
  for (unsigned p = 0; p <= kHighestPosition; p++) {
    for (const mpz_class& value : vectorsAround(p)) {
      std::string text = referenceText(value);
      NodeRef number = leaf(text);
      // The tail drops the first element: the vector shifted down once.
      mpz_class tail = value >> 1;
      NodeRef rest = tailText(text);
      EXPECT_EQ(std::string(rest.text()), tail == 1 ? "K" : referenceText(tail)) << text;
      EXPECT_EQ(listLength(number), static_cast<int64_t>(topBit(value))) << text;
      // Bits 2 to 65 of the vector, the end marker included.
      mpz_class low = (value >> 2) & ((mpz_class(1) << 64) - 1);
      uint64_t expected = (mpz_class(low >> 32).get_ui() << 32) | mpz_class(low & 0xFFFFFFFFu).get_ui();
      EXPECT_EQ(numberToUInt64(number), expected) << text;
    }
  }
}

}  // namespace
}  // namespace quorl
