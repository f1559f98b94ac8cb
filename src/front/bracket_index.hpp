// The partner of every bracket of one checked text, found in a single pass,
// so that the parser jumps over a group in constant time at every level
// instead of rescanning it once per level of nesting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorl {

class BracketIndex {
 public:
  // Pairs brackets as matchBracket does: inside a text group only square
  // brackets count.  Unpaired brackets are an internal failure.
  explicit BracketIndex(std::string_view text);

  // The partner of the bracket at pos; meaningless for other bytes.
  size_t partner(size_t pos) const { return wide_.empty() ? narrow_[pos] : wide_[pos]; }

 private:
  void set(size_t at, size_t partnerAt);

  // One of the two is filled: four bytes a position unless the text is too
  // long to be indexed that way.
  std::vector<uint32_t> narrow_;
  std::vector<uint64_t> wide_;
};

}  // namespace quorl
