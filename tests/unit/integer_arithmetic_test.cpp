// Integer arithmetic on compact texts, checked against the reference
// integers of tests/reference.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "numbers/integer.hpp"
#include "reference/ref_int.hpp"

namespace quorl {
namespace {

using reference::RefInt;

RefInt fromText(std::string_view t) { return RefInt::ofText(t); }
std::string toText(const RefInt& z) { return z.text(); }
RefInt floorQuotient(const RefInt& x, const RefInt& y) { return RefInt::floorQuotient(x, y); }
using reference::languageRemainder;

TEST(IntegerArithmetic, KnownExamples) {
  EXPECT_EQ(integerSum("0999", "1000"), "1");
  EXPECT_EQ(integerSum("05", "05"), "010");
  EXPECT_EQ(integerSum("5", "05"), "0");
  EXPECT_EQ(integerSum("03", "5"), "2");
  EXPECT_EQ(integerDifference("3", "5"), "02");
  EXPECT_EQ(integerProduct("0", "07"), "0");
  EXPECT_EQ(integerProduct("012", "3"), "036");
  EXPECT_EQ(integerProduct("99", "99"), "9801");
  EXPECT_EQ(integerProduct("010", "010"), "100");
  EXPECT_EQ(*integerQuotient("1", "2"), "0");
  EXPECT_EQ(*integerQuotient("01", "2"), "01");
  EXPECT_EQ(*integerQuotient("81", "9"), "9");
  EXPECT_EQ(*integerRemainder("0", "7"), "0");
  EXPECT_EQ(*integerRemainder("07", "7"), "0");
  EXPECT_EQ(*integerRemainder("08", "7"), "6");
  EXPECT_EQ(integerPower("02", "3"), "08");
  EXPECT_EQ(integerPower("02", "2"), "4");
  EXPECT_EQ(integerPower("5", "0"), "1");
  EXPECT_EQ(integerPower("0", "0"), "1");
  EXPECT_EQ(integerPower("2", "01"), "0");
  EXPECT_EQ(integerPower("01", "01"), "0");
  EXPECT_EQ(integerPower("01", "99999999999999999999999"), "01");
  EXPECT_EQ(integerPower("0", "99999999999999999999999"), "0");
  EXPECT_TRUE(integerLess("05", "3"));
  EXPECT_TRUE(integerAtLeast("0", "01"));
  EXPECT_FALSE(integerLess("4", "4"));
  EXPECT_TRUE(integerAtLeast("04", "04"));
}

TEST(IntegerArithmetic, FloorDivisionAndRemainderAgainstEverySign) {
  // Quotients floor; remainders are |x| mod |y|, from |y| when signs differ.
  const char* rows[][4] = {{"7", "2", "3", "1"},   {"07", "2", "04", "1"}, {"7", "02", "04", "1"},
                           {"07", "02", "3", "1"}, {"06", "4", "02", "2"}, {"6", "04", "02", "2"},
                           {"0", "05", "0", "0"},  {"7", "04", "02", "1"}, {"8", "04", "02", "0"}};
  for (auto& row : rows) {
    EXPECT_EQ(*integerQuotient(row[0], row[1]), row[2]) << row[0] << " / " << row[1];
    EXPECT_EQ(*integerRemainder(row[0], row[1]), row[3]) << row[0] << " % " << row[1];
  }
  // The same rules on operands far beyond a machine word.
  std::string x = "1" + std::string(45, '0') + "7", y = "3" + std::string(21, '1');
  for (std::string sx : {x, "0" + x})
    for (std::string sy : {y, "0" + y}) {
      EXPECT_EQ(*integerQuotient(sx, sy), toText(floorQuotient(fromText(sx), fromText(sy))));
      EXPECT_EQ(*integerRemainder(sx, sy), toText(languageRemainder(fromText(sx), fromText(sy))));
    }
  EXPECT_FALSE(integerQuotient("5", "0").has_value());
  EXPECT_FALSE(integerRemainder(x, "0").has_value());
  EXPECT_DEATH(integerSum("00", "1"), "ASSERTION FAILED:b:2974");
}

TEST(IntegerArithmetic, CarriesAndBorrowsRunAcrossManyDigits) {
  std::string nines(500, '9');
  EXPECT_EQ(integerSum(nines, "1"), "1" + std::string(500, '0'));
  EXPECT_EQ(integerDifference("1" + std::string(500, '0'), "1"), nines);
  EXPECT_EQ(integerSum("0" + nines, "1" + std::string(500, '0')), "1");
  EXPECT_EQ(integerSum("9223372036854775807", "1"), "9223372036854775808");
  EXPECT_EQ(integerDifference("09223372036854775808", "1"), "09223372036854775809");
  EXPECT_EQ(integerProduct("09223372036854775808", "09223372036854775808"),
            "85070591730234615865843651857942052864");
  EXPECT_EQ(*integerQuotient("09223372036854775808", "01"), "9223372036854775808");
}

TEST(IntegerArithmetic, HugePowersMatchTheReference) {
  EXPECT_EQ(integerPower("2", "100000"), RefInt::powerOfTwo(100000).text());
  EXPECT_EQ(integerPower("03", "20001"), toText(-RefInt::power(3, 20001)));
  EXPECT_EQ(integerPower("123456789123456789123", "77"),
            toText(RefInt::power(fromText("123456789123456789123"), 77)));
  EXPECT_EQ(integerPower("10", "19"), "1" + std::string(19, '0'));
}

// Random operands of every size class, and the values around 2^63 and 2^64
// where the word-sized path hands over to GMP.
class IntegerDifferential : public ::testing::Test {
 protected:
  std::mt19937_64 rng{20240611};

  std::string randomOperand() {
    static const char* edges[] = {"9223372036854775807", "9223372036854775808", "9223372036854775806",
                                  "18446744073709551615", "18446744073709551616", "18446744073709551617",
                                  "4294967296", "1000000000", "999999999", "1", "0"};
    RefInt z;
    switch (rng() % 5) {
      case 0: z = RefInt::ofDecimal(edges[rng() % 11]) + static_cast<long long>(rng() % 5) - 2; break;
      case 1: z = static_cast<long long>(rng() % 1000); break;
      case 2: z = RefInt::ofDecimal(std::to_string(rng())); break;
      default: {
        size_t digits = 1 + rng() % (rng() % 4 == 0 ? 700 : 60);
        std::string s(digits, '0');
        for (char& c : s) c = static_cast<char>('0' + rng() % 10);
        z = RefInt::ofDecimal(s);
      }
    }
    z = z.magnitude();
    if (rng() % 2) z = -z;
    return toText(z);
  }
};

TEST_F(IntegerDifferential, EveryOperationAgreesWithTheReference) {
  for (int round = 0; round < 4000; round++) {
    std::string x = randomOperand(), y = randomOperand();
    RefInt a = fromText(x), b = fromText(y);
    ASSERT_EQ(integerSum(x, y), toText(a + b)) << x << " + " << y;
    ASSERT_EQ(integerDifference(x, y), toText(a - b)) << x << " - " << y;
    ASSERT_EQ(integerProduct(x, y), toText(a * b)) << x << " * " << y;
    ASSERT_EQ(integerCompare(x, y), compare(a, b)) << x << " ? " << y;
    if (b != 0) {
      ASSERT_EQ(*integerQuotient(x, y), toText(floorQuotient(a, b))) << x << " / " << y;
      ASSERT_EQ(*integerRemainder(x, y), toText(languageRemainder(a, b))) << x << " % " << y;
    }
    unsigned long e = rng() % 40;
    ASSERT_EQ(integerPower(x, std::to_string(e)), toText(RefInt::power(a, e))) << x << " ^ " << e;
  }
}

TEST(IntegerArithmetic, DivisionsWhoseFirstQuotientGuessIsTooLarge) {
  // Operands found to need the rare correction step of the long division.
  const char* pairs[][2] = {
      {"1000000001999999999000000001000000001119900000999999999400000000154", "100000000199999999990000059999904"},
      {"11999999999999999999000000001000009000000001500000000000001999994999999999", "159999999999999999999"},
      {"1951999994999999999000009999999999999995", "14999999999999999999949"},
      {"1999999999000000001099999999999999999999999999900000400000", "1999999999000000001999999999"},
      {"1999999999000000001404599999999990000000000999990000004", "1999999999000000001999991999999999"}};
  for (auto& pair : pairs)
    for (std::string x : {std::string(pair[0]), "0" + std::string(pair[0])}) {
      RefInt a = fromText(x), b = fromText(pair[1]);
      EXPECT_EQ(*integerQuotient(x, pair[1]), toText(floorQuotient(a, b)));
      EXPECT_EQ(*integerRemainder(x, pair[1]), toText(languageRemainder(a, b)));
    }
}

TEST_F(IntegerDifferential, LongDivisionAndFastProductsOnThousandsOfDigits) {
  for (int round = 0; round < 20; round++) {
    size_t n = 2000 + rng() % 4000, m = 10 + rng() % 3000;
    std::string x(n, '0'), y(m, '0');
    for (char& c : x) c = static_cast<char>('0' + rng() % 10);
    for (char& c : y) c = static_cast<char>('0' + rng() % 10);
    x[0] = '7';
    y[0] = static_cast<char>('1' + round % 9);
    if (round % 3 == 0) y = "0" + y;
    RefInt a = fromText(x), b = fromText(y);
    ASSERT_EQ(integerProduct(x, y), toText(a * b));
    ASSERT_EQ(integerProduct(x, x), toText(a * a));
    ASSERT_EQ(*integerQuotient(x, y), toText(floorQuotient(a, b)));
    ASSERT_EQ(*integerRemainder(x, y), toText(languageRemainder(a, b)));
  }
}

}  // namespace
}  // namespace quorl
