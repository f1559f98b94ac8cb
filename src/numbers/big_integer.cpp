// Integers held by GMP: conversions from and to number leaves, and the
// arithmetic of the integer builtins.
#include "numbers/big_integer.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "numbers/integer.hpp"
#include "numbers/number_internal.hpp"
#include "numbers/operands.hpp"
#include "numbers/wide.hpp"

namespace quorl {

namespace {

// GMP's own handlers abort when memory runs out; ours fail the way every
// other allocation of the interpreter does.
void* allocateForGmp(size_t bytes) {
  void* p = std::malloc(bytes);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* reallocateForGmp(void* old, size_t, size_t bytes) {
  void* p = std::realloc(old, bytes);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void freeForGmp(void* p, size_t) { std::free(p); }

[[maybe_unused]] const bool gmpAllocatesLikeTheInterpreter =
    (mp_set_memory_functions(allocateForGmp, reallocateForGmp, freeForGmp), true);

// |a| mod |b|, taken from |b| when the signs differ (zero counts as
// non-negative): 7 % -2 and -7 % 2 are both 1, -5 % -3 is 2.
void languageRemainder(const BigInteger& a, const BigInteger& b, BigInteger& result) {
  bool signsDiffer = (mpz_sgn(a.get()) < 0) != (mpz_sgn(b.get()) < 0);
  BigInteger r;
  mpz_tdiv_r(r.get(), a.get(), b.get());
  mpz_abs(r.get(), r.get());
  if (signsDiffer && mpz_sgn(r.get()) != 0) {
    // |b| - r, with r + b = r - |b| when b is negative
    if (mpz_sgn(b.get()) > 0) {
      mpz_sub(r.get(), b.get(), r.get());
    } else {
      mpz_add(r.get(), r.get(), b.get());
      mpz_neg(r.get(), r.get());
    }
  }
  result = std::move(r);
}

void exactPower(const BigInteger& base, const BigInteger& exponent, BigInteger& result) {
  mpz_srcptr a = base.get();
  mpz_srcptr e = exponent.get();
  if (mpz_sgn(e) < 0) {
    mpz_set_ui(result.get(), 0);
    return;
  }
  if (mpz_sgn(e) == 0 || mpz_cmp_ui(a, 1) == 0) {
    mpz_set_ui(result.get(), 1);
    return;
  }
  if (mpz_sgn(a) == 0) {
    mpz_set_ui(result.get(), 0);
    return;
  }
  if (mpz_cmp_si(a, -1) == 0) {
    mpz_set_si(result.get(), mpz_odd_p(e) ? -1 : 1);
    return;
  }
  // |a| >= 2: the result has more bits than the exponent's value.
  if (!mpz_fits_ulong_p(e)) throw std::bad_alloc();
  unsigned long n = mpz_get_ui(e);
  requireHoldableBits(static_cast<double>(n) * static_cast<double>(mpz_sizeinbase(a, 2) - 1));
  mpz_pow_ui(result.get(), a, n);
}

}  // namespace

void requireHoldableBits(double bits) {
  if (bits > kMaxBigBits) throw std::bad_alloc();
}

// --- conversions ------------------------------------------------------------

bool bigFromNumber(const Node* n, BigInteger& out) {
  int64_t small;
  if (shortIntegerLeaf(n, small)) {
    mpz_set_si(out.get(), static_cast<long>(small));
    return true;
  }
  if (!isLeaf(n)) return false;
  const char* text = leafChars(n);
  if (text[0] < '0' || text[0] > '9' || (text[0] == '0' && text[1] == '0')) return false;
  // A leaf's text ends in a NUL byte, so GMP reads it where it lies.
  bool negative = text[0] == '0';
  if (mpz_set_str(out.get(), text + (negative ? 1 : 0), 10) != 0) {
    mpz_set_ui(out.get(), 0);
    return false;
  }
  if (negative) mpz_neg(out.get(), out.get());
  return true;
}

NodeRef numberFromBig(const BigInteger& v) {
  int64_t small;
  if (bigToInt64(v, small)) return integerLeaf(small);
  return leaf(textOfBig(v));
}

void bigFromText(std::string_view text, BigInteger& out) {
  QUORL_CHECK(isIntegerText(text), 2974);
  bool negative = text.size() > 1 && text[0] == '0';
  std::string_view digits = negative ? text.substr(1) : text;
  uint64_t small;
  if (parseDecimalU64(digits, small)) {
    mpz_set_ui(out.get(), small);
  } else {
    // GMP wants a NUL at the end, which a view does not promise.
    std::string copy(digits);
    QUORL_CHECK(mpz_set_str(out.get(), copy.c_str(), 10) == 0, 2974);
  }
  if (negative) mpz_neg(out.get(), out.get());
}

std::string textOfBig(const BigInteger& v) {
  // sizeinbase may count one digit too many; a sign and the NUL come on top.
  std::string text(mpz_sizeinbase(v.get(), 10) + 2, '\0');
  mpz_get_str(text.data(), 10, v.get());
  if (text[0] == '-') text[0] = '0';  // "-42" becomes "042", as long
  text.resize(std::strlen(text.data()));
  return text;
}

void bigFromInt64(int64_t v, BigInteger& out) { mpz_set_si(out.get(), static_cast<long>(v)); }

bool bigToInt64(const BigInteger& v, int64_t& out) {
  if (!mpz_fits_slong_p(v.get())) return false;
  out = static_cast<int64_t>(mpz_get_si(v.get()));
  return true;
}

void bigFromBytes(std::string_view bytes, BigInteger& out) {
  mpz_import(out.get(), bytes.size(), -1, 1, 0, 0, bytes.data());
}

std::string bytesOfBig(const BigInteger& v) {
  std::string bytes((mpz_sizeinbase(v.get(), 2) + 7) / 8, '\0');
  size_t written = 0;
  mpz_export(bytes.data(), &written, -1, 1, 0, 0, v.get());
  bytes.resize(written);
  return bytes;
}

// --- arithmetic ---------------------------------------------------------------

WordAnswer::Kind answerBig(WordOp op, const BigInteger& a, const BigInteger& b, BigInteger& result) {
  mpz_srcptr x = a.get();
  mpz_srcptr y = b.get();
  auto truth = [](bool t) { return t ? WordAnswer::True : WordAnswer::False; };
  switch (op) {
    case WordOp::Plus:
      mpz_add(result.get(), x, y);
      return WordAnswer::Integer;
    case WordOp::Dash:
      mpz_sub(result.get(), x, y);
      return WordAnswer::Integer;
    case WordOp::Mult:
      requireHoldableBits(static_cast<double>(mpz_sizeinbase(x, 2)) + static_cast<double>(mpz_sizeinbase(y, 2)));
      mpz_mul(result.get(), x, y);
      return WordAnswer::Integer;
    case WordOp::Over:
      if (mpz_sgn(y) == 0) return WordAnswer::Failure;
      mpz_fdiv_q(result.get(), x, y);
      return WordAnswer::Integer;
    case WordOp::Cent:
      if (mpz_sgn(y) == 0) return WordAnswer::Failure;
      languageRemainder(a, b, result);
      return WordAnswer::Integer;
    case WordOp::Powa:
      exactPower(a, b, result);  // reads all it needs before writing
      return WordAnswer::Integer;
    case WordOp::Less:
      return truth(mpz_cmp(x, y) < 0);
    case WordOp::Gteq:
      return truth(mpz_cmp(x, y) >= 0);
    case WordOp::Same:
      return truth(mpz_cmp(x, y) == 0);
    case WordOp::Diff:
      return truth(mpz_cmp(x, y) != 0);
    default:
      return WordAnswer::Unknown;
  }
}

}  // namespace quorl
