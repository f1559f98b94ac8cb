// Places in a program's text: position codes read back, offsets of the
// normalised text taken back to the file, lines and columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorl {

// The offset a position code stands for (five digits, or the same in
// square brackets), or nothing when it is not one.  "!!!!!" is the code of
// offsets the five digits cannot reach.
std::optional<int64_t> decodePosition(std::string_view code);

// The offset in `raw` of the byte at `offset` in `normal`, its
// normalisation.
int64_t rawOffsetOfNormalised(std::string_view raw, std::string_view normal, int64_t offset);

// Line and column of a byte, both from 1; a column counts bytes.
struct LineColumn {
  int64_t line = 1;
  int64_t column = 1;
};
LineColumn lineColumnOf(std::string_view text, int64_t offset);

}  // namespace quorl
