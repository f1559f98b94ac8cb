// Machine-word helpers for the fast paths: decimal digits to and from 64-
// and 128-bit values without going through big limbs.
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
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    uint64_t d = static_cast<uint64_t>(c - '0');
    if (__builtin_mul_overflow(value, uint64_t{10}, &value) ||
        __builtin_add_overflow(value, d, &value))
      return false;
  }
  out = value;
  return true;
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
  uint64_t rest = static_cast<uint64_t>(v);
  do {
    *--p = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  return p;
}

}  // namespace quorl
