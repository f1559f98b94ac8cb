// The arithmetic and comparison builtins and `real`, called through the
// builtin table with redexes built by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "builtins/table.hpp"
#include "front/prelude.hpp"
#include "numbers/operands.hpp"
#include "numbers/real.hpp"
#include "reference/ref_int.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class ArithBuiltins : public ::testing::Test {
 protected:
  // The kind classifier annotates its operands, which needs the
  // combinators' definitions.
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }
};

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef block(std::string_view payload) { return makeByteBlock(payload); }
NodeRef real(double x) { return makeReal(x); }
NodeRef pair(char f, NodeRef a, NodeRef b) { return apply(apply(L(std::string(1, f)), a), b); }
// The list of bits written as a string of 1s and 0s, ending in `rest`;
// any other character stands for the leaf of that name.
NodeRef bits(std::string_view elements, NodeRef rest) {
  NodeRef list = rest;
  for (size_t i = elements.size(); i-- > 0;) {
    char e = elements[i];
    list = pair('J', L(e == '1' ? "K" : e == '0' ? "H" : std::string(1, e)), list);
  }
  return list;
}
NodeRef bits(std::string_view elements) { return bits(elements, L("K")); }

NodeRef call(const char* name, NodeRef x, NodeRef y) {
  const BuiltinEntry* entry = findBuiltin(name);
  EXPECT_EQ(entry->arity, 2);
  return entry->handler(apply(apply(L(name), std::move(x)), std::move(y)));
}

NodeRef call(const char* name, NodeRef x) {
  const BuiltinEntry* entry = findBuiltin(name);
  EXPECT_EQ(entry->arity, 1);
  return entry->handler(apply(L(name), std::move(x)));
}

// A result as the tests name it: reals as "r" and their "%e" text, byte
// blocks as "post:" and their payload, other leaves as their text.
std::string shown(const NodeRef& r) {
  if (!r.isLeafNode()) return "<application>";
  if (isRealLeaf(r.get())) return "r" + realText(r);
  if (r.firstChar() == '(') return "post:" + std::string(byteBlockPayload(r.get()));
  return std::string(r.text());
}

std::string op(const char* name, NodeRef x, NodeRef y) { return shown(call(name, std::move(x), std::move(y))); }

double realResult(const NodeRef& r) {
  EXPECT_TRUE(isRealLeaf(r.get())) << shown(r);
  return isRealLeaf(r.get()) ? realValue(r) : 0.0;
}

// --- plus ---------------------------------------------------------------------

TEST_F(ArithBuiltins, PlusAddsEachNumericKindAndPromotesMixedOnes) {
  EXPECT_EQ(op("plus", L("2"), L("3")), "5");
  EXPECT_EQ(op("plus", L("05"), L("5")), "0");
  EXPECT_EQ(op("plus", L("123456789012345678901234567890"), L("1")), "123456789012345678901234567891");
  EXPECT_EQ(op("plus", L("001"), L("001")), "004");  // binary 1 + 1
  EXPECT_EQ(op("plus", L("001"), L("000")), "00");
  EXPECT_EQ(op("plus", real(1.5), real(0.25)), "r1.750000e+00");
  // An integer meeting a binary number becomes one; a real wins over both.
  EXPECT_EQ(op("plus", L("3"), L("001")), "0016");
  EXPECT_EQ(op("plus", L("001"), L("3")), "0016");
  EXPECT_EQ(op("plus", L("2"), real(0.5)), "r2.500000e+00");
  EXPECT_EQ(op("plus", real(0.5), L("0017")), "r5.500000e+00");
  // Lists take part like the leaves of the same value.
  EXPECT_EQ(op("plus", bits("11"), bits("111")), "4");  // 1 + 3
  EXPECT_EQ(op("plus", bits("010"), L("1")), "003");    // binary 1/2 + 1 = 3/2
}

TEST_F(ArithBuiltins, PlusJoinsTextsIntoAByteBlockOrAConstant) {
  EXPECT_EQ(op("plus", block("ab"), block("cd")), "post:abcd");
  EXPECT_EQ(op("plus", block(""), block("")), "post:");
  EXPECT_EQ(op("plus", block("ab"), L("05")), "post:ab05");
  EXPECT_EQ(op("plus", L("05"), block("ab")), "post:05ab");
  EXPECT_EQ(op("plus", real(1.5), block("x")), "post:1.500000e+00x");
  EXPECT_EQ(op("plus", block("x"), L("004")), "post:x004");
  EXPECT_EQ(op("plus", block("x"), L("[a[b]]")), "post:xa[b]");
  EXPECT_EQ(op("plus", L("[a[b]]"), block("x")), "post:a[b]x");
  EXPECT_EQ(op("plus", L("[ab]"), L("[[c]]")), "[ab[c]]");
  EXPECT_EQ(op("plus", L("[ab]"), L("7")), "[ab7]");
  EXPECT_EQ(op("plus", L("07"), L("[]")), "[07]");
  EXPECT_EQ(op("plus", real(-0.002), L("[]")), "[-2.000000e-03]");
  EXPECT_EQ(op("plus", bits("10"), L("[]")), "[01]");  // a list joins as its compact text
  // A byte block's payload may hold any byte, NUL included.
  NodeRef joined = call("plus", block(std::string_view("a\0", 2)), block(std::string_view("\0b", 2)));
  EXPECT_EQ(byteBlockPayload(joined.get()), std::string_view("a\0\0b", 4));
  // A block long enough for two length digits.
  EXPECT_EQ(op("plus", block(std::string(40, 'x')), block(std::string(30, 'y'))),
            "post:" + std::string(40, 'x') + std::string(30, 'y'));
}

TEST_F(ArithBuiltins, ConstantApplicationsArePackedBeforeJoining) {
  // ([a] [b]) is the quoted text [a[b]]; nested deeper on both sides.
  EXPECT_EQ(op("plus", apply(L("[a]"), L("[b]")), L("[]")), "[a[b]]");
  EXPECT_EQ(op("plus", L("[]"), apply(apply(L("[x]"), L("[]")), apply(L("[y]"), L("[z]")))),
            "[x[][y[z]]]");
  // A long chain is packed without deep recursion.
  NodeRef chain = L("[]");
  for (int i = 0; i < 200000; i++) chain = apply(chain, L("[]"));
  NodeRef r = call("plus", chain, L("[]"));
  EXPECT_EQ(r.payloadLength(), 2u + 200000u * 2u);
}

TEST_F(ArithBuiltins, ArithmeticOnVoidOrMalformedListsFails) {
  for (const char* name : {"plus", "dash", "mult", "over", "cent", "powa"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(op(name, L("I"), L("1")), "Z");
    EXPECT_EQ(op(name, L("1"), L("I")), "Z");
    EXPECT_EQ(op(name, L("K"), L("1")), "Z");  // the empty list is not a number here
    EXPECT_EQ(op(name, block("ab"), pair('V', L("1"), L("2"))), "Z");
    // J K x for an x that is no list: an integer by its shape, not by content.
    EXPECT_EQ(op(name, pair('J', L("K"), L("I")), L("1")), "Z");
    EXPECT_EQ(op(name, L("1"), bits("1", L("I"))), "Z");
    EXPECT_EQ(op(name, bits("0", L("S")), L("001")), "Z");
    EXPECT_EQ(op(name, bits("1I", L("K")), real(1.0)), "Z");
  }
}

// --- dash -----------------------------------------------------------------------

TEST_F(ArithBuiltins, DashSubtractsNumbers) {
  EXPECT_EQ(op("dash", L("3"), L("5")), "02");
  EXPECT_EQ(op("dash", L("0"), L("0999999999999999999999")), "999999999999999999999");
  EXPECT_EQ(op("dash", L("0017"), L("001")), "0016");  // binary 5 - 1 = 4
  EXPECT_EQ(op("dash", L("004"), L("001")), "001");
  EXPECT_EQ(op("dash", L("1"), L("004")), "000");      // integer 1 - binary 2 = binary -1
  EXPECT_EQ(op("dash", real(1.0), L("3")), "r-2.000000e+00");
  EXPECT_EQ(op("dash", L("004"), real(0.5)), "r1.500000e+00");
}

TEST_F(ArithBuiltins, DashDropsBytesFromEitherEndOfAText) {
  EXPECT_EQ(op("dash", block("hello"), L("2")), "post:llo");
  EXPECT_EQ(op("dash", block("hello"), L("02")), "post:hel");
  EXPECT_EQ(op("dash", block("hello"), L("0")), "post:hello");
  EXPECT_EQ(op("dash", block("hello"), L("5")), "post:");
  EXPECT_EQ(op("dash", block("hello"), L("05")), "post:");
  EXPECT_EQ(op("dash", block("hello"), L("6")), "Z");
  EXPECT_EQ(op("dash", block("hello"), L("06")), "Z");
  EXPECT_EQ(op("dash", block(""), L("0")), "post:");
  EXPECT_EQ(op("dash", block("hello"), bits("111")), "post:lo");  // a list counts 3
  EXPECT_EQ(op("dash", L("[hello]"), L("1")), "[ello]");
  EXPECT_EQ(op("dash", L("[hello]"), L("01")), "[hell]");
  EXPECT_EQ(op("dash", L("[hello]"), L("5")), "[]");
  EXPECT_EQ(op("dash", L("[hello]"), L("6")), "Z");
  EXPECT_EQ(op("dash", apply(L("[ab]"), L("[c]")), L("2")), "[[c]]");
  // Counts far beyond any text are too many, however they wrap in 64 bits.
  EXPECT_EQ(op("dash", block("hello"), L("18446744073709551616")), "Z");
  EXPECT_EQ(op("dash", block("hello"), L("018446744073709551617")), "Z");
  EXPECT_EQ(op("dash", block("hello"), L("09223372036854775808")), "Z");
}

TEST_F(ArithBuiltins, DashOfATextAndAnythingButAnIntegerFails) {
  EXPECT_EQ(op("dash", block("hello"), L("001")), "Z");
  EXPECT_EQ(op("dash", block("hello"), real(1.0)), "Z");
  EXPECT_EQ(op("dash", block("hello"), block("h")), "Z");
  EXPECT_EQ(op("dash", L("[ab]"), L("[a]")), "Z");
  EXPECT_EQ(op("dash", L("2"), block("hello")), "Z");
  EXPECT_EQ(op("dash", L("2"), L("[hello]")), "Z");
  EXPECT_EQ(op("dash", real(2.0), L("[x]")), "Z");
}

TEST_F(ArithBuiltins, DashNeverCutsAConstantThroughANestedGroup) {
  EXPECT_EQ(op("dash", L("[[ab]c]"), L("4")), "[c]");
  EXPECT_EQ(op("dash", L("[[ab]c]"), L("01")), "[[ab]]");
  EXPECT_EQ(op("dash", L("[[ab]c]"), L("1")), "Z");
  EXPECT_EQ(op("dash", L("[[ab]c]"), L("02")), "Z");
}

// --- mult -----------------------------------------------------------------------

TEST_F(ArithBuiltins, MultMultipliesNumbers) {
  EXPECT_EQ(op("mult", L("6"), L("7")), "42");
  EXPECT_EQ(op("mult", L("012"), L("3")), "036");
  EXPECT_EQ(op("mult", L("99999999999999999999"), L("099999999999999999999")),
            "09999999999999999999800000000000000000001");
  EXPECT_EQ(op("mult", L("004"), L("000")), "00000");  // binary 2 * -1
  EXPECT_EQ(op("mult", L("3"), L("002")), "003");       // integer 3 * binary 1/2
  EXPECT_EQ(op("mult", real(1.5), L("2")), "r3.000000e+00");
  EXPECT_EQ(op("mult", L("001"), real(-0.5)), "r-5.000000e-01");
}

TEST_F(ArithBuiltins, MultRepeatsTexts) {
  EXPECT_EQ(op("mult", L("3"), block("ab")), "post:ababab");
  EXPECT_EQ(op("mult", block("ab"), L("3")), "post:ababab");
  EXPECT_EQ(op("mult", L("0"), block("ab")), "post:");
  EXPECT_EQ(op("mult", L("01"), block("ab")), "Z");
  EXPECT_EQ(op("mult", L("1"), block("ab")), "post:ab");
  EXPECT_EQ(op("mult", L("3"), L("[a[b]]")), "[a[b]a[b]a[b]]");
  EXPECT_EQ(op("mult", L("[x]"), L("0")), "[]");
  EXPECT_EQ(op("mult", L("[x]"), L("02")), "Z");
  // Every count up to a few hundred gives exactly that many copies.
  for (int n = 2; n < 300; n++) {
    NodeRef r = call("mult", L(std::to_string(n)), block("xyz"));
    std::string expected;
    for (int i = 0; i < n; i++) expected += "xyz";
    ASSERT_EQ(byteBlockPayload(r.get()), expected) << n;
  }
  // Nothing repeated any number of times is still nothing.
  EXPECT_EQ(op("mult", L("123456789012345678901234567890"), block("")), "post:");
  EXPECT_EQ(op("mult", L("18446744073709551617"), L("[]")), "[]");
  // A count beyond the machine integers fails rather than wrap (2^64 + 2
  // would otherwise repeat twice).
  EXPECT_EQ(op("mult", L("18446744073709551618"), block("ab")), "Z");
  EXPECT_EQ(op("mult", L("[ab]"), L("9223372036854775808")), "Z");
  EXPECT_EQ(op("mult", L("123456789012345678901234567890"), L("[ab]")), "Z");
}

TEST_F(ArithBuiltins, MultOfATextAndAnythingButAnIntegerFails) {
  EXPECT_EQ(op("mult", block("ab"), L("004")), "Z");
  EXPECT_EQ(op("mult", real(2.0), block("ab")), "Z");
  EXPECT_EQ(op("mult", block("ab"), block("ab")), "Z");
  EXPECT_EQ(op("mult", L("[a]"), L("[a]")), "Z");
  EXPECT_EQ(op("mult", L("[a]"), block("a")), "Z");
}

// --- over, cent, powa -------------------------------------------------------

TEST_F(ArithBuiltins, OverDividesIntegersExactlyAndEverythingElseAsReals) {
  EXPECT_EQ(op("over", L("7"), L("2")), "3");
  EXPECT_EQ(op("over", L("07"), L("2")), "04");
  EXPECT_EQ(op("over", L("7"), L("02")), "04");
  EXPECT_EQ(op("over", L("07"), L("02")), "3");
  EXPECT_EQ(op("over", L("0"), L("05")), "0");
  EXPECT_EQ(op("over", L("7"), L("0")), "Z");
  EXPECT_EQ(op("over", L("100000000000000000000000"), L("0")), "Z");
  EXPECT_EQ(op("over", L("1"), L("004")), "r5.000000e-01");
  EXPECT_EQ(op("over", L("004"), L("1")), "r2.000000e+00");
  EXPECT_EQ(op("over", real(1.0), L("4")), "r2.500000e-01");
  EXPECT_EQ(op("over", real(3.0), real(2.0)), "r1.500000e+00");
  EXPECT_EQ(op("over", L("004"), L("001")), "Z");  // two binary numbers
  EXPECT_EQ(op("over", block("a"), L("1")), "Z");
  EXPECT_EQ(op("over", L("1"), L("[a]")), "Z");
  // Real division by zero follows IEEE arithmetic.
  EXPECT_TRUE(std::isinf(realResult(call("over", real(1.0), real(0.0)))));
  EXPECT_TRUE(std::isinf(realResult(call("over", L("1"), L("00")))));
  EXPECT_TRUE(std::isnan(realResult(call("over", real(0.0), L("0")))));
}

TEST_F(ArithBuiltins, CentLeavesANonNegativeRemainder) {
  EXPECT_EQ(op("cent", L("07"), L("2")), "1");
  EXPECT_EQ(op("cent", L("7"), L("02")), "1");
  EXPECT_EQ(op("cent", L("07"), L("02")), "1");
  EXPECT_EQ(op("cent", L("06"), L("4")), "2");
  EXPECT_EQ(op("cent", L("08"), L("4")), "0");
  EXPECT_EQ(op("cent", L("7"), L("0")), "Z");
  EXPECT_EQ(op("cent", L("0017"), L("004")), "001");  // binary 5 mod 2
  EXPECT_EQ(op("cent", L("0017"), L("00")), "Z");
  EXPECT_EQ(op("cent", L("5"), L("004")), "001");     // integer promoted
  EXPECT_EQ(op("cent", L("5"), L("00")), "Z");
  EXPECT_EQ(op("cent", real(5.5), real(2.0)), "r1.500000e+00");
  EXPECT_EQ(op("cent", real(-5.5), L("2")), "r-1.500000e+00");  // fmod keeps the sign
  EXPECT_EQ(op("cent", L("[a]"), L("2")), "Z");
  EXPECT_EQ(op("cent", L("2"), block("")), "Z");
}

TEST_F(ArithBuiltins, PowaRaisesByAnIntegerExactlyAndByAnythingElseAsReals) {
  EXPECT_EQ(op("powa", L("2"), L("10")), "1024");
  EXPECT_EQ(op("powa", L("02"), L("3")), "08");
  EXPECT_EQ(op("powa", L("2"), L("01")), "0");
  EXPECT_EQ(op("powa", L("0"), L("0")), "1");
  EXPECT_EQ(op("powa", L("2"), L("100")), "1267650600228229401496703205376");
  EXPECT_EQ(op("powa", L("004"), L("3")), "0064");   // binary 2^3 = 8
  EXPECT_EQ(op("powa", L("004"), L("01")), "002");   // binary 1/2
  EXPECT_EQ(op("powa", L("0017"), L("2")), "00321");  // binary 25
  EXPECT_EQ(op("powa", L("0017"), L("01")), "Z");
  EXPECT_EQ(op("powa", real(2.0), L("3")), "r8.000000e+00");
  EXPECT_EQ(op("powa", L("2"), real(0.5)), "r1.414214e+00");
  EXPECT_EQ(op("powa", L("004"), real(2.0)), "r4.000000e+00");
  EXPECT_EQ(op("powa", real(9.0), L("001")), "r9.000000e+00");
  EXPECT_EQ(op("powa", L("2"), L("004")), "Z");    // integer to a binary power
  EXPECT_EQ(op("powa", L("004"), L("004")), "Z");  // binary to a binary power
  EXPECT_EQ(op("powa", block("a"), L("2")), "Z");
  EXPECT_EQ(op("powa", L("2"), L("[a]")), "Z");
}

// --- joins that grow their left text -------------------------------------------

TEST_F(ArithBuiltins, AJoinGrowsALeftTextOnlyTheCallHolds) {
  std::string payload(300, 'a');
  // The block's own cell has at most a granule to spare; the first join
  // moves it to one with room, and the next ones fill that room.
  NodeRef grown = call("plus", block(payload), L("[bcdefghijklmnop]"));
  Node* cell = grown.get();
  grown = call("plus", std::move(grown), L("05"));
  grown = call("plus", std::move(grown), real(1.5));
  EXPECT_EQ(grown.get(), cell);
  EXPECT_EQ(shown(grown), "post:" + payload + "bcdefghijklmnop051.500000e+00");
  // The same for a quoted text, whose length the leaf caches.
  NodeRef text = call("plus", L("[" + payload + "]"), L("[b[c]]"));
  cell = text.get();
  text = call("plus", std::move(text), L("7"));
  EXPECT_EQ(text.get(), cell);
  EXPECT_EQ(shown(text), "[" + payload + "b[c]7]");
  EXPECT_EQ(op("same", text, L("[" + payload + "b[c]7]")), "K");
  EXPECT_EQ(op("less", L("[" + payload + "b[c]6]"), text), "K");
}

TEST_F(ArithBuiltins, AJoinLeavesATextThatAnotherHolderReads) {
  NodeRef grown = call("plus", block(std::string(300, 'a')), L("[b]"));
  NodeRef kept = grown;  // a second holder: the old text must stay as it is
  NodeRef longer = call("plus", std::move(grown), L("[c]"));
  EXPECT_NE(longer.get(), kept.get());
  EXPECT_EQ(shown(kept), "post:" + std::string(300, 'a') + "b");
  EXPECT_EQ(shown(longer), "post:" + std::string(300, 'a') + "bc");
  // A text joined to itself is held twice by the call.
  NodeRef twice = call("plus", L("[xy]"), L("[z]"));
  EXPECT_EQ(shown(call("plus", twice, twice)), "[xyzxyz]");
  EXPECT_EQ(shown(twice), "[xyz]");
  // A constant joined to a block makes a block and leaves the constant.
  NodeRef constant = L("[" + std::string(300, 'q') + "]");
  EXPECT_EQ(shown(call("plus", constant, block("r"))), "post:" + std::string(300, 'q') + "r");
  EXPECT_EQ(shown(constant), "[" + std::string(300, 'q') + "]");
}

// --- the fast path for short integers ------------------------------------------

using reference::RefInt;

// Random integers of every length around the machine word, so that both the
// short path and the long one are taken, and the border between them.
TEST_F(ArithBuiltins, IntegerResultsAgreeWithTheReferenceAcrossTheWordBoundary) {
  std::mt19937_64 rng(12345);
  auto randomText = [&]() {
    int digits = 1 + static_cast<int>(rng() % 22);
    std::string t(1, static_cast<char>('1' + rng() % 9));
    for (int i = 1; i < digits; i++) t.push_back(static_cast<char>('0' + rng() % 10));
    if (rng() % 7 == 0) t = "0";
    if (t != "0" && rng() % 2) t = "0" + t;
    return t;
  };
  for (int round = 0; round < 20000; round++) {
    std::string a = randomText(), b = randomText();
    RefInt x = RefInt::ofText(a), y = RefInt::ofText(b);
    SCOPED_TRACE(a + " " + b);
    ASSERT_EQ(op("plus", L(a), L(b)), (x + y).text());
    ASSERT_EQ(op("dash", L(a), L(b)), (x - y).text());
    ASSERT_EQ(op("mult", L(a), L(b)), (x * y).text());
    ASSERT_EQ(op("less", L(a), L(b)), x < y ? "K" : "H");
    ASSERT_EQ(op("gteq", L(a), L(b)), x >= y ? "K" : "H");
    ASSERT_EQ(op("same", L(a), L(b)), x == y ? "K" : "H");
    if (y == 0) {
      ASSERT_EQ(op("over", L(a), L(b)), "Z");
      ASSERT_EQ(op("cent", L(a), L(b)), "Z");
      continue;
    }
    ASSERT_EQ(op("over", L(a), L(b)), RefInt::floorQuotient(x, y).text());
    ASSERT_EQ(op("cent", L(a), L(b)), languageRemainder(x, y).text());
  }
}

TEST_F(ArithBuiltins, ShortPathLimitsAreExact) {
  EXPECT_EQ(op("plus", L("999999999999999999"), L("999999999999999999")), "1999999999999999998");
  EXPECT_EQ(op("dash", L("0999999999999999999"), L("999999999999999999")), "01999999999999999998");
  EXPECT_EQ(op("plus", L("9223372036854775807"), L("1")), "9223372036854775808");
  EXPECT_EQ(op("dash", L("09223372036854775808"), L("1")), "09223372036854775809");
  EXPECT_EQ(op("mult", L("999999999999999999"), L("999999999999999999")),
            "999999999999999998000000000000000001");
  EXPECT_EQ(op("mult", L("04294967296"), L("4294967296")), "018446744073709551616");
  EXPECT_EQ(op("over", L("0999999999999999999"), L("1000000000000000000")), "01");
}

TEST(ShortIntegerLeaves, EveryLengthOfUpToEighteenDigitsIsRead) {
  // Texts of 17 to 19 characters reach into a third granule of the leaf.
  std::string digits = "987654321098765432";
  for (size_t n = 1; n <= digits.size(); n++) {
    std::string t = digits.substr(0, n);
    int64_t v = 0;
    ASSERT_TRUE(shortIntegerLeaf(L(t).get(), v)) << t;
    EXPECT_EQ(v, std::stoll(t));
    ASSERT_TRUE(shortIntegerLeaf(L("0" + t).get(), v)) << t;
    EXPECT_EQ(v, -std::stoll(t));
  }
  int64_t v = 0;
  EXPECT_FALSE(shortIntegerLeaf(L("1234567890123456789").get(), v));
  EXPECT_FALSE(shortIntegerLeaf(L("12345678901234567x").get(), v));
  EXPECT_FALSE(shortIntegerLeaf(L("0012345678901234567").get(), v));
}

// --- less and gteq -------------------------------------------------------------

TEST_F(ArithBuiltins, ValuesOfDifferentKindsAreOrderedByKind) {
  // In order: post, real, hint, numb, zits; each chosen to contradict any
  // order by value.
  NodeRef ordered[] = {block("zzz"), real(1e300), L("1"), L("001"), L("[]")};
  for (int i = 0; i < 5; i++) {
    for (int j = 0; j < 5; j++) {
      if (i == j) continue;
      SCOPED_TRACE(std::to_string(i) + " " + std::to_string(j));
      EXPECT_EQ(op("less", ordered[i], ordered[j]), i < j ? "K" : "H");
      EXPECT_EQ(op("gteq", ordered[i], ordered[j]), i < j ? "H" : "K");
    }
  }
  EXPECT_EQ(op("less", L("5"), real(1.0)), "H");
  EXPECT_EQ(op("less", real(9.0), L("1")), "K");
}

TEST_F(ArithBuiltins, ValuesOfOneKindAreOrderedByContent) {
  EXPECT_EQ(op("less", L("1"), L("2")), "K");
  EXPECT_EQ(op("gteq", L("2"), L("2")), "K");
  EXPECT_EQ(op("less", L("05"), L("3")), "K");
  EXPECT_EQ(op("gteq", L("0"), L("01")), "K");
  EXPECT_EQ(op("less", L("100000000000000000000"), L("99999999999999999999")), "H");
  EXPECT_EQ(op("less", bits("111"), L("4")), "K");  // 3 < 4
  EXPECT_EQ(op("less", L("001"), L("004")), "K");
  EXPECT_EQ(op("less", L("000"), L("001")), "K");
  EXPECT_EQ(op("less", L("004"), L("004")), "H");
  EXPECT_EQ(op("gteq", L("004"), L("004")), "K");
  EXPECT_EQ(op("gteq", L("000"), L("0017")), "H");  // -1 >= 5
  EXPECT_EQ(op("less", L("000"), L("00")), "K");    // -1 < 0
  EXPECT_EQ(op("less", real(-1.0), real(0.5)), "K");
  EXPECT_EQ(op("gteq", real(0.0), real(-0.0)), "K");
  EXPECT_EQ(op("less", block("ab"), block("abc")), "K");
  EXPECT_EQ(op("less", block("abc"), block("ab")), "H");
  EXPECT_EQ(op("less", block("\x80"), block("\x7f")), "H");  // unsigned bytes
  EXPECT_EQ(op("gteq", block(""), block("")), "K");
  EXPECT_EQ(op("less", L("[ab]"), L("[ab!]")), "K");  // element texts, not quoted ones
  EXPECT_EQ(op("less", L("[b]"), apply(L("[a]"), L("[b]"))), "H");
}

TEST_F(ArithBuiltins, ComparisonsWithNaNAndVoidGiveNoOrder) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(op("less", real(nan), real(1.0)), "H");
  EXPECT_EQ(op("gteq", real(nan), real(1.0)), "H");
  EXPECT_EQ(op("less", real(1.0), real(nan)), "H");
  EXPECT_EQ(op("gteq", real(nan), real(nan)), "H");
  for (const char* name : {"less", "gteq"}) {
    EXPECT_EQ(op(name, L("I"), L("1")), "Z");
    EXPECT_EQ(op(name, block(""), L("K")), "Z");
    EXPECT_EQ(op(name, bits("1", L("I")), L("1")), "Z");
  }
}

// --- same and diff -------------------------------------------------------------

TEST_F(ArithBuiltins, OneNodeIsAlwaysTheSameAsItself) {
  NodeRef fn = L("S");
  EXPECT_EQ(op("same", fn, fn), "K");
  EXPECT_EQ(op("diff", fn, fn), "H");
  NodeRef nan = real(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(op("same", nan, nan), "K");
  // Void values in two Nodes are not compared, however alike they are.
  EXPECT_EQ(op("same", L("S"), L("S")), "Z");
  EXPECT_EQ(op("diff", apply(L("S"), L("K")), apply(L("S"), L("K"))), "Z");
  EXPECT_EQ(op("same", pair('J', L("I"), L("1")), pair('J', L("I"), L("1"))), "Z");
  EXPECT_EQ(op("same", real(std::numeric_limits<double>::quiet_NaN()),
                real(std::numeric_limits<double>::quiet_NaN())),
            "H");
}

// A list of numbers is void, however it was built; a list of bits is a
// number, compared by value at any length, without a stack and in time
// linear in its length.
TEST_F(ArithBuiltins, LongListsAreComparedOnlyAsNumbers) {
  auto numbersDownFrom = [](int n) {
    NodeRef list = L("K");
    for (int i = 1; i <= n; i++) list = apply(apply(L("J"), L(std::to_string(i))), std::move(list));
    return list;
  };
  EXPECT_EQ(op("same", numbersDownFrom(1000), numbersDownFrom(1000)), "Z");
  std::string ones(100000, '1');
  EXPECT_EQ(op("same", bits(ones), bits(ones)), "K");
  EXPECT_EQ(op("diff", bits(ones), bits(ones.substr(1) + "0")), "K");
}

TEST_F(ArithBuiltins, SameComparesContentsWithinAKind) {
  EXPECT_EQ(op("same", L("1"), bits("11")), "K");
  EXPECT_EQ(op("same", bits("11"), bits("1", L("0"))), "K");  // [1] then the list of 0
  EXPECT_EQ(op("same", L("0"), L("00")), "H");  // an integer is no binary number
  EXPECT_EQ(op("diff", L("0"), L("00")), "K");
  EXPECT_EQ(op("same", L("1"), L("001")), "H");
  EXPECT_EQ(op("same", L("004"), bits("0100")), "K");
  EXPECT_EQ(op("same", L("12"), L("012")), "H");
  EXPECT_EQ(op("same", block("ab"), block("ab")), "K");
  EXPECT_EQ(op("same", block("ab"), block("abc")), "H");
  EXPECT_EQ(op("same", block("ab"), L("[ab]")), "H");
  EXPECT_EQ(op("same", L("[a[b]]"), apply(L("[a]"), L("[b]"))), "K");
  EXPECT_EQ(op("diff", L("[a]"), L("[b]")), "K");
  EXPECT_EQ(op("same", real(0.0), real(-0.0)), "K");
  EXPECT_EQ(op("same", real(1.0), L("1")), "H");
  double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(op("same", real(nan), real(nan)), "H");
  EXPECT_EQ(op("diff", real(nan), real(nan)), "K");
  EXPECT_EQ(op("same", L("I"), L("1")), "Z");
  EXPECT_EQ(op("diff", L("1"), L("I")), "Z");
  EXPECT_EQ(op("same", bits("1", L("I")), L("1")), "Z");
}

// --- real ------------------------------------------------------------------------

NodeRef bitLeaf(int b) { return L(b ? "K" : "H"); }
NodeRef nibble(unsigned n) {
  return pair('V', pair('V', bitLeaf(n & 1), bitLeaf(n >> 1 & 1)), pair('V', bitLeaf(n >> 2 & 1), bitLeaf(n >> 3 & 1)));
}
NodeRef byteTerm(unsigned char b) { return pair('V', nibble(b & 15), nibble(b >> 4)); }
NodeRef eightBytes(double x) {
  unsigned char raw[8];
  std::memcpy(raw, &x, 8);
  auto two = [&](int i) { return pair('V', byteTerm(raw[i]), byteTerm(raw[i + 1])); };
  return pair('V', pair('V', two(0), two(2)), pair('V', two(4), two(6)));
}

TEST_F(ArithBuiltins, RealConvertsEveryKind) {
  NodeRef r = real(2.5);
  EXPECT_TRUE(call("real", r) == r);
  EXPECT_EQ(realResult(call("real", L("012"))), -12.0);
  EXPECT_EQ(realResult(call("real", bits("1011"))), -7.0);  // list [1,0,1,1] is -7
  EXPECT_TRUE(std::isinf(realResult(call("real", L(std::string(400, '9'))))));
  EXPECT_EQ(realResult(call("real", L("0017"))), 5.0);
  EXPECT_EQ(realResult(call("real", L("000"))), -1.0);
  EXPECT_EQ(realResult(call("real", block("2.5"))), 2.5);
  EXPECT_EQ(realResult(call("real", block("abc"))), 0.0);
  EXPECT_EQ(realResult(call("real", block(std::string_view("7\0" "5", 3)))), 7.0);
  EXPECT_EQ(realResult(call("real", L("[-1.25e2]"))), -125.0);
  EXPECT_EQ(realResult(call("real", apply(L("[3]"), L("[]")))), 3.0);  // "3[]"
  EXPECT_EQ(call("real", pair('J', L("K"), L("I"))).text(), "Z");
}

TEST_F(ArithBuiltins, RealAssemblesEightBytesGivenAsPairsOfBits) {
  for (double x : {1.5, -0.0, 6.02214076e23, std::numeric_limits<double>::denorm_min()}) {
    NodeRef r = call("real", eightBytes(x));
    ASSERT_TRUE(isRealLeaf(r.get()));
    EXPECT_EQ(std::memcmp(r.text().data() + 1, &x, 8), 0) << x;
  }
  EXPECT_EQ(call("real", L("I")).text(), "Z");
  EXPECT_EQ(call("real", pair('V', L("K"), L("H"))).text(), "Z");
  EXPECT_EQ(call("real", pair('V', eightBytes(1.0), L("K"))).text(), "Z");
}

}  // namespace
}  // namespace quorl
