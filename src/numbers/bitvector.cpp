// Packed bit vectors and the conversions between them and compact texts.
//
// A vector that fits in 128 bits converts through machine arithmetic; a
// longer one goes through GMP, so that no conversion is quadratic in the
// number of digits.
#include <algorithm>
#include <cstring>

#include "numbers/big_integer.hpp"
#include "numbers/number.hpp"
#include "numbers/number_internal.hpp"
#include "numbers/wide.hpp"

namespace quorl {

// --- single bits ----------------------------------------------------------

int bitAt(const BitVector& v, int64_t i) {
  if (i < 0 || static_cast<uint64_t>(i / 8) >= v.size()) return 0;
  return (static_cast<unsigned char>(v[static_cast<size_t>(i / 8)]) >> (i % 8)) & 1;
}

int elementAt(const BitVector& v, int64_t i) {
  QUORL_CHECK(i >= 0, 463);
  QUORL_CHECK(i < endPosition(v), 464);
  return bitAt(v, i);
}

void setBit(BitVector& v, int64_t i, int b) {
  QUORL_CHECK(i >= 0, 852);
  size_t byte = static_cast<size_t>(i / 8);
  if (byte >= v.size()) v.resize(byte + 1, '\0');
  unsigned char mask = static_cast<unsigned char>(1u << (i % 8));
  unsigned char& cell = reinterpret_cast<unsigned char&>(v[byte]);
  cell = b ? (cell | mask) : (cell & ~mask);
}

int64_t endPosition(const BitVector& v) {
  QUORL_CHECK(!v.empty() && v.back() != '\0', 518);
  unsigned top = static_cast<unsigned char>(v.back());
  return static_cast<int64_t>(8 * (v.size() - 1)) + (31 - __builtin_clz(top));
}

int64_t bitCapacity(const BitVector& v) { return static_cast<int64_t>(8 * v.size()); }

void trimBits(BitVector& v) {
  size_t n = v.size();
  while (n > 0 && v[n - 1] == '\0') n--;
  v.resize(n);
}

bool bitsAreZero(const BitVector& v) {
  return std::all_of(v.begin(), v.end(), [](char c) { return c == '\0'; });
}

int64_t bitLength(const BitVector& v) {
  size_t n = v.size();
  while (n > 0 && v[n - 1] == '\0') n--;
  if (n == 0) return 0;
  unsigned top = static_cast<unsigned char>(v[n - 1]);
  return static_cast<int64_t>(8 * (n - 1)) + (32 - __builtin_clz(top));
}

void shiftDown(BitVector& v) {
  for (size_t i = 0; i < v.size(); i++) {
    unsigned here = static_cast<unsigned char>(v[i]);
    unsigned next = i + 1 < v.size() ? static_cast<unsigned char>(v[i + 1]) : 0;
    v[i] = static_cast<char>((here >> 1) | ((next & 1) << 7));
  }
  trimBits(v);
}

void shiftUp(BitVector& v) {
  unsigned carry = 0;
  for (char& c : v) {
    unsigned here = static_cast<unsigned char>(c);
    c = static_cast<char>(((here << 1) | carry) & 0xFF);
    carry = here >> 7;
  }
  if (carry) v.push_back('\x01');
}

uint64_t divideSmall(BitVector& v, uint64_t d) {
  uint64_t rest = 0;
  for (size_t i = v.size(); i-- > 0;) {
    uint64_t t = (rest << 8) | static_cast<unsigned char>(v[i]);
    v[i] = static_cast<char>(t / d);
    rest = t % d;
  }
  trimBits(v);
  return rest;
}

int modTen(const BitVector& v) {
  unsigned rest = 0;
  for (size_t i = v.size(); i-- > 0;) rest = ((rest << 8) | static_cast<unsigned char>(v[i])) % 10;
  return static_cast<int>(rest);
}

void multiplySmall(BitVector& v, uint64_t m) {
  u128 carry = 0;
  for (char& c : v) {
    u128 t = u128{static_cast<unsigned char>(c)} * m + carry;
    c = static_cast<char>(static_cast<unsigned>(t & 0xFF));
    carry = t >> 8;
  }
  for (; carry != 0; carry >>= 8) v.push_back(static_cast<char>(static_cast<unsigned>(carry & 0xFF)));
  trimBits(v);
}

namespace {

// v += w over one byte more than the longer of the two; `check` names the
// invariant that no carry is left after that.
void addBytes(BitVector& v, std::string_view w, int check) {
  size_t width = std::max(v.size(), w.size()) + 1;
  v.resize(width, '\0');
  unsigned carry = 0;
  for (size_t i = 0; i < width; i++) {
    unsigned t = static_cast<unsigned char>(v[i]) + carry;
    if (i < w.size()) t += static_cast<unsigned char>(w[i]);
    v[i] = static_cast<char>(t & 0xFF);
    carry = t >> 8;
  }
  QUORL_CHECK(carry == 0, check);
  trimBits(v);
}

}  // namespace

void addSmall(BitVector& v, uint64_t a) {
  char bytes[8];
  for (int i = 0; i < 8; i++) bytes[i] = static_cast<char>((a >> (8 * i)) & 0xFF);
  addBytes(v, std::string_view(bytes, 8), 8827);
}

void addBits(BitVector& v, const BitVector& w) { addBytes(v, w, 8842); }

void incrementBits(BitVector& v) {
  for (char& c : v) {
    unsigned t = static_cast<unsigned char>(c) + 1u;
    c = static_cast<char>(t & 0xFF);
    if (t <= 0xFF) return;
  }
  v.push_back('\x01');
}

BitVector appendBits(const BitVector& list, const BitVector& rest) {
  uint64_t end = static_cast<uint64_t>(endPosition(list));
  requireHoldableBits(static_cast<double>(end) + 8.0 * static_cast<double>(rest.size()));
  BigInteger joined, elements;
  bigFromBytes(rest, joined);
  mpz_mul_2exp(joined.get(), joined.get(), end);
  bigFromBytes(list, elements);
  mpz_fdiv_r_2exp(elements.get(), elements.get(), end);  // the list's end marker goes
  mpz_ior(joined.get(), joined.get(), elements.get());
  return bytesOfBig(joined);
}

// --- vectors that fit in 128 bits --------------------------------------------

bool smallVectorValue(const BitVector& v, u128& out) {
  size_t n = v.size();
  while (n > 0 && v[n - 1] == '\0') n--;
  if (n > 16) return false;
  u128 value = 0;
  for (size_t i = n; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(v[i]);
  out = value;
  return true;
}

BitVector smallVector(u128 value) {
  BitVector v;
  for (; value != 0; value >>= 8) v.push_back(static_cast<char>(static_cast<unsigned>(value & 0xFF)));
  return v;
}

bool smallVectorOfText(std::string_view text, u128& out) {
  // Each branch keeps the decimal part within 64 bits and its shift small.
  if (text.size() >= 2 && text[0] == '0' && text[1] == '0') {
    size_t i = 2;
    while (i < text.size() && text[i] == '0') i++;
    uint64_t zeros = i - 2;
    if (i == text.size()) {
      if (zeros + 1 >= 128) return false;
      out = u128{1} << (zeros + 1);
      return true;
    }
    uint64_t d;
    if (zeros + 2 > 63 || !parseDecimalU64(text.substr(i), d)) return false;
    out = (u128{d} << (zeros + 2)) | (u128{1} << (zeros + 1));
    return true;
  }
  bool negative = text.size() >= 2 && text[0] == '0';
  uint64_t magnitude;
  if (!parseDecimalU64(negative ? text.substr(1) : text, magnitude)) return false;
  out = (u128{magnitude} << 2) | (negative ? 1 : 3);
  return true;
}

std::string textOfSmallVector(u128 v) {
  QUORL_CHECK(v >= 2, 780);  // the empty list alone is not a number
  char buffer[kWideDigitRoom];
  char* end = buffer + sizeof buffer;
  if (v & 1) {
    char* p = writeDecimalBackwards(end, v >> 2);
    if (((v >> 1) & 1) == 0) *--p = '0';
    return std::string(p, end);
  }
  uint64_t low = static_cast<uint64_t>(v);
  int first = low != 0 ? __builtin_ctzll(low) : 64 + __builtin_ctzll(static_cast<uint64_t>(v >> 64));
  // A first 1 at bit 127 is the end marker, and nothing lies above it (a
  // shift by the full width would be undefined).
  u128 above = first + 1 < 128 ? v >> (first + 1) : 0;
  std::string text(2 + static_cast<size_t>(first - 1), '0');
  if (above == 0) return text;  // the first 1 was the end marker
  char* p = writeDecimalBackwards(end, above);
  text.append(p, end);
  return text;
}

// --- texts and vectors ------------------------------------------------------

BitVector textToBits(std::string_view text) {
  QUORL_CHECK(!text.empty(), 9121);
  u128 small;
  if (smallVectorOfText(text, small)) return smallVector(small);
  BigInteger v;
  if (text.size() >= 2 && text[0] == '0' && text[1] == '0') {
    size_t i = 2;
    while (i < text.size() && text[i] == '0') i++;
    uint64_t zeros = i - 2;
    if (i < text.size()) {
      bigFromText(text.substr(i), v);
      mpz_mul_2exp(v.get(), v.get(), zeros + 2);
    }
    mpz_setbit(v.get(), zeros + 1);
    return bytesOfBig(v);
  }
  bool negative = text[0] == '0';
  bigFromText(negative ? text.substr(1) : text, v);
  mpz_mul_2exp(v.get(), v.get(), 2);
  mpz_setbit(v.get(), 0);
  if (!negative) mpz_setbit(v.get(), 1);
  return bytesOfBig(v);
}

std::string bitsToText(const BitVector& vector) {
  size_t n = vector.size();
  while (n > 0 && vector[n - 1] == '\0') n--;
  QUORL_CHECK(n > 0, 780);
  u128 small;
  if (smallVectorValue(vector, small)) return textOfSmallVector(small);
  BigInteger v;
  bigFromBytes(std::string_view(vector.data(), n), v);
  std::string text;
  if (mpz_tstbit(v.get(), 0)) {
    bool negative = !mpz_tstbit(v.get(), 1);
    mpz_tdiv_q_2exp(v.get(), v.get(), 2);
    text = textOfBig(v);
    if (negative) text.insert(text.begin(), '0');
    return text;
  }
  // The zero elements after the tag, up to the first 1 (perhaps the end
  // marker itself), are written as zeros; the rest as a decimal.
  mp_bitcnt_t first = mpz_scan1(v.get(), 1);
  text.assign(2 + (first - 1), '0');
  mpz_tdiv_q_2exp(v.get(), v.get(), first + 1);
  if (mpz_sgn(v.get()) != 0) text += textOfBig(v);
  return text;
}

}  // namespace quorl
