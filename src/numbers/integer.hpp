// Unbounded integer arithmetic on canonical integer texts ("0", "42",
// "042" for -42).  Every result is again a canonical text.
//
// Values that fit in a machine word are computed directly; larger ones go
// through GMP (see big_integer.hpp).  Results do not depend on the path
// taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorl {

// Non-empty, and a leading '0' is not followed by another '0'.
bool isIntegerText(std::string_view text);
bool integerTextIsNonNegative(std::string_view text);
std::string negateIntegerText(std::string_view text);

// All of these check that their operands are integer texts (check 2974).
std::string integerSum(std::string_view x, std::string_view y);
std::string integerDifference(std::string_view x, std::string_view y);
std::string integerProduct(std::string_view x, std::string_view y);
// Floor division; nothing when y is zero.
std::optional<std::string> integerQuotient(std::string_view x, std::string_view y);
// The remainder r with 0 <= r < |y| (7 % -2 is 1, while 7 / -2 is -4);
// nothing when y is zero.
std::optional<std::string> integerRemainder(std::string_view x, std::string_view y);
// x^e for e >= 0 (0^0 is 1); "0" for every negative e.
std::string integerPower(std::string_view x, std::string_view e);
bool integerLess(std::string_view x, std::string_view y);
bool integerAtLeast(std::string_view x, std::string_view y);
// -1, 0 or 1.
int integerCompare(std::string_view x, std::string_view y);

}  // namespace quorl
