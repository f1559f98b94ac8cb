// Integers of any size held in binary by GMP, and the arithmetic the
// builtins plus, dash, mult, over, cent, powa, less, gteq, same and diff do
// on two of them.
//
// A number leaf holds an integer as decimal text ("0", "42", "042" for
// -42).  Reading that text into binary and writing it back costs more than
// most operations on it, so code that computes with large integers step
// after step (the reduction engine) keeps them as BigIntegers in between
// and makes the leaf only when a term needs it.  Both conversions take
// time a little above linear in the number of digits.
//
// A result too large to hold in memory (a power of billions of digits)
// throws std::bad_alloc, as every other exhausted allocation does.
#pragma once

#include <gmp.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "numbers/word_arith.hpp"
#include "term/node.hpp"

namespace quorl {

// An owning handle on one GMP integer; zero when made.  Moving leaves the
// source zero.  Not copyable: copies of large values are costly, so they
// are made on purpose with copyFrom.
class BigInteger {
 public:
  BigInteger() { mpz_init(value_); }
  explicit BigInteger(int64_t v) { mpz_init_set_si(value_, static_cast<long>(v)); }
  ~BigInteger() { mpz_clear(value_); }
  BigInteger(BigInteger&& other) noexcept {
    mpz_init(value_);
    mpz_swap(value_, other.value_);
  }
  BigInteger& operator=(BigInteger&& other) noexcept {
    if (this != &other) {
      mpz_swap(value_, other.value_);
      mpz_set_ui(other.value_, 0);
    }
    return *this;
  }
  BigInteger(const BigInteger&) = delete;
  BigInteger& operator=(const BigInteger&) = delete;

  void copyFrom(const BigInteger& other) { mpz_set(value_, other.value_); }
  mpz_ptr get() { return value_; }
  mpz_srcptr get() const { return value_; }

 private:
  mpz_t value_;
};

// --- conversions ------------------------------------------------------------

// The value of an integer leaf (a digit leaf that does not begin "00");
// false, and `out` unchanged, for every other node, lists of bits included.
bool bigFromNumber(const Node* n, BigInteger& out);
// The number leaf of the value, with its canonical text.
NodeRef numberFromBig(const BigInteger& v);
// The value of a canonical integer text; check 2974 when it is not one.
void bigFromText(std::string_view text, BigInteger& out);
std::string textOfBig(const BigInteger& v);

void bigFromInt64(int64_t v, BigInteger& out);
// The value as a machine integer, when it fits.
bool bigToInt64(const BigInteger& v, int64_t& out);

// --- arithmetic ---------------------------------------------------------------

// What `op`'s builtin answers for the integers a and b: an Integer (written
// to `result`, which may be a or b), True, False, or Failure for a division
// or remainder by zero.  Unknown only for WordOp::None.  over is floor
// division, cent the remainder r with 0 <= r < |b|, powa the exact power (0
// for every negative exponent, 1 for a zero one).
WordAnswer::Kind answerBig(WordOp op, const BigInteger& a, const BigInteger& b, BigInteger& result);

// --- limits -------------------------------------------------------------------

// GMP cannot hold more bits than this (and no machine of ours the memory
// for them): larger results throw std::bad_alloc before GMP is asked.
inline constexpr double kMaxBigBits = 68719476736.0;  // 2^36
void requireHoldableBits(double bits);

}  // namespace quorl
