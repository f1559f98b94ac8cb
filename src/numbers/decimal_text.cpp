// Long integer texts with a machine word, on the decimal digits.
#include "numbers/decimal_text.hpp"

#include <cstddef>
#include <cstring>

#include "numbers/operands.hpp"
#include "numbers/wide.hpp"

namespace quorl {

namespace {

// Eight digits a block: read with one load, and a block times a factor
// below 2^32 plus the carry stays below 2^63.
constexpr uint64_t kBlockBase = 100000000;
constexpr int kBlockDigits = 8;

std::string_view magnitudeOf(std::string_view text, bool& negative) {
  negative = text[0] == '0';
  return negative ? text.substr(1) : text;
}

// The value of the digits [from, to) of `digits`.
uint64_t blockValue(std::string_view digits, size_t from, size_t to) {
  uint64_t v = 0;
  for (size_t i = from; i < to; i++) v = v * 10 + static_cast<uint64_t>(digits[i] - '0');
  return v;
}

// The value of the eight digits at p.
uint64_t fullBlockValue(const char* p) { return words_detail::eightDigits(words_detail::granule(p)); }

// Writes the eight digits of `block` (leading zeros kept) ending before `end`.
char* writeBlock(char* end, uint64_t block) {
  uint64_t digits = eightAsciiDigits(block);
  std::memcpy(end - kBlockDigits, &digits, sizeof digits);
  return end - kBlockDigits;
}

// The digits [start, end) with leading zeros dropped, after a sign "0"
// when negative; the magnitude is never zero here.
std::string canonical(const char* start, const char* end, bool negative) {
  while (start + 1 < end && *start == '0') start++;
  std::string text;
  text.reserve(static_cast<size_t>(end - start) + 1);
  if (negative) text.push_back('0');
  text.append(start, end);
  return text;
}

}  // namespace

bool isLongIntegerText(std::string_view text) {
  if (text.empty()) return false;
  bool negative;
  std::string_view digits = magnitudeOf(text, negative);
  return digits.size() >= 20 && digits[0] != '0';
}

std::string longTextPlusWord(std::string_view text, bool negative, uint64_t magnitude) {
  bool textNegative;
  std::string_view digits = magnitudeOf(text, textNegative);
  // |text| >= 10^19 > |w|: the sign is the text's, and the magnitude is
  // |text| + |w| or |text| - |w|.
  bool add = textNegative == negative;
  char word[kWideDigitRoom];
  char* wordEnd = word + sizeof word;
  char* wordStart = writeDecimalBackwards(wordEnd, magnitude);
  size_t wordLength = static_cast<size_t>(wordEnd - wordStart);
  size_t n = digits.size();
  std::string out(n + 1, '0');  // one digit of room for a carry
  char* result = out.data() + 1;
  int carry = 0;  // or borrow
  size_t i = 0;   // digits from the least significant end
  for (; i < n && (i < wordLength || carry != 0); i++) {
    int d = digits[n - 1 - i] - '0';
    int w = i < wordLength ? wordEnd[-1 - static_cast<std::ptrdiff_t>(i)] - '0' : 0;
    int t = add ? d + w + carry : d - w - carry;
    carry = add ? (t >= 10) : (t < 0);
    result[n - 1 - i] = static_cast<char>('0' + (add ? t % 10 : t + 10 * carry));
  }
  std::memcpy(result, digits.data(), n - i);
  if (carry) out[0] = '1';
  return canonical(out.data(), out.data() + out.size(), textNegative);
}

std::string longTextTimesWord(std::string_view text, bool negative, uint64_t magnitude) {
  bool textNegative;
  std::string_view digits = magnitudeOf(text, textNegative);
  size_t n = digits.size();
  // The product has at most n + 10 digits: blocks of eight from the right,
  // and two more blocks for the carry.
  size_t blocks = (n + kBlockDigits - 1) / kBlockDigits;
  std::string out((blocks + 2) * kBlockDigits, '0');
  char* end = out.data() + out.size();
  uint64_t carry = 0;
  for (size_t b = 0; b < blocks; b++) {
    size_t to = n - b * kBlockDigits;
    size_t from = to > kBlockDigits ? to - kBlockDigits : 0;
    uint64_t block = to - from == kBlockDigits ? fullBlockValue(digits.data() + from) : blockValue(digits, from, to);
    uint64_t t = block * magnitude + carry;
    end = writeBlock(end, t % kBlockBase);
    carry = t / kBlockBase;
  }
  while (carry != 0) {
    end = writeBlock(end, carry % kBlockBase);
    carry /= kBlockBase;
  }
  return canonical(out.data(), out.data() + out.size(), textNegative != negative);
}

}  // namespace quorl
