// Machine-word helpers for the fast paths: decimal digits to and from 64-
// and 128-bit values without going through GMP.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorl {

using u128 = unsigned __int128;
using i128 = __int128;

// The value of a text of 1 to 20 decimal digits (leading zeros allowed),
// or false when it is longer, holds another character or does not fit in
// 64 bits.
inline bool parseDecimalU64(std::string_view digits, uint64_t& out) {
  if (digits.empty() || digits.size() > 20) return false;
  uint64_t value = 0;
  if (digits.size() <= 19) {  // 19 digits cannot overflow
    for (char c : digits) {
      unsigned d = static_cast<unsigned>(c - '0');
      if (d > 9) return false;
      value = value * 10 + d;
    }
    out = value;
    return true;
  }
  for (char c : digits) {
    unsigned d = static_cast<unsigned>(c - '0');
    if (d > 9 || __builtin_mul_overflow(value, uint64_t{10}, &value) ||
        __builtin_add_overflow(value, uint64_t{d}, &value))
      return false;
  }
  out = value;
  return true;
}

// The number of decimal digits of v (1 for zero), from its bit length.
inline int decimalDigits(uint64_t v) {
  static constexpr uint64_t kPowers[] = {
      1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull, 100000000ull,
      1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull,
      100000000000000ull, 1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
      1000000000000000000ull, 10000000000000000000ull};
  if (v == 0) return 1;
  int guess = ((64 - __builtin_clzll(v)) * 1233) >> 12;  // 1233 / 4096 is about log10(2)
  return guess + (v >= kPowers[guess]);
}

// The eight ASCII digits of v < 10^8, the first in the lowest byte: each
// step divides all lanes at once by multiplying with a scaled reciprocal
// (exact for lanes below 10^4 and below 100).
inline uint64_t eightAsciiDigits(uint64_t v) {
  uint64_t x = (v / 10000) | ((v % 10000) << 32);
  uint64_t hundreds = ((x * 10486) >> 20) & 0x0000007F0000007Full;
  x = hundreds | ((x - hundreds * 100) << 16);
  uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000Full;
  x = tens | ((x - tens * 10) << 8);
  return x + 0x3030303030303030ull;
}

// Room for the digits of any 128-bit value and a sign.
inline constexpr int kWideDigitRoom = 48;

// Writes the decimal digits of v so that they end just before `end`, and
// returns where they start.  Zero gives "0".
inline char* writeDecimalBackwards(char* end, u128 v) {
  char* p = end;
  // Peel 19 digits at a time so that the inner loop runs on 64 bits.
  constexpr uint64_t kChunk = 10000000000000000000ull;
  while (v > UINT64_MAX) {
    uint64_t low = static_cast<uint64_t>(v % kChunk);
    v /= kChunk;
    for (int i = 0; i < 19; i++) {
      *--p = static_cast<char>('0' + low % 10);
      low /= 10;
    }
  }
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  uint64_t rest = static_cast<uint64_t>(v);
  while (rest >= 100) {
    const char* pair = kPairs + 2 * (rest % 100);
    rest /= 100;
    *--p = pair[1];
    *--p = pair[0];
  }
  if (rest >= 10) {
    *--p = kPairs[2 * rest + 1];
    *--p = kPairs[2 * rest];
  } else {
    *--p = static_cast<char>('0' + rest);
  }
  return p;
}

}  // namespace quorl
