// Numbers of the front end's internal checks.  Each guards a shape that the
// bracket check (or the fixed Prelude text) rules out before it can happen.
#pragma once

#include "driver/check.hpp"

namespace quorl {

inline constexpr int kCheckKeyOfNonName = 3101;     // keyOf of a non-name
inline constexpr int kCheckBracketKind = 3102;      // bracketKind of a non-bracket
inline constexpr int kCheckBracketOutside = 3103;   // a bracket scan left the text
inline constexpr int kCheckBracketFacing = 3104;    // a bracket met facing the wrong way
inline constexpr int kCheckEmptyToken = 3105;       // a token of length zero
inline constexpr int kCheckLongSingleToken = 3106;  // a one-byte token rule given more
inline constexpr int kCheckEmptyOperand = 3107;     // empty text at the prefix or word level
inline constexpr int kCheckPositionRange = 3108;    // a negative position
inline constexpr int kCheckPreludeShape = 3109;     // a Prelude piece that is no definition
inline constexpr int kCheckOrderPosition = 3110;    // a position past the byte ordering

}  // namespace quorl
