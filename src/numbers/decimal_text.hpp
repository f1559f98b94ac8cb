// Sums and products of a long integer text and a machine word, computed
// on the decimal digits in one pass.
//
// A number leaf holds its integer as decimal text.  When one operand is a
// word, reading the other into GMP and printing the result back costs far
// more than the operation (n * acc over a factorial of 35,000 digits spends
// nearly all its time converting), so these two cases stay in decimal.
// Both require a long text: a magnitude of at least 20 digits, above any
// word, so that the word never outweighs it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorl {

// A canonical integer text whose magnitude has at least 20 digits.
bool isLongIntegerText(std::string_view text);

// The canonical text of `text` + w, where w = -magnitude when negative.
std::string longTextPlusWord(std::string_view text, bool negative, uint64_t magnitude);

// Factors below this magnitude scale a text digit block by digit block.
inline constexpr uint64_t kScaleLimit = uint64_t{1} << 32;
// The canonical text of `text` * w for 0 < |w| < kScaleLimit, w = -magnitude
// when negative.
std::string longTextTimesWord(std::string_view text, bool negative, uint64_t magnitude);

}  // namespace quorl
