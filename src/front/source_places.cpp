// Places in a program's text.
#include "front/source_places.hpp"

#include <string>

#include "term/node.hpp"

namespace quorl {

namespace {

constexpr int kCodeDigits = 5;

bool isSpace(char c) { return c == ' ' || c == '\n'; }

}  // namespace

std::optional<int64_t> decodePosition(std::string_view code) {
  if (code.size() == kCodeDigits + 2 && code.front() == '[' && code.back() == ']')
    code = code.substr(1, kCodeDigits);
  if (code == "!!!!!") return int64_t{1} << 30;
  if (code.size() != kCodeDigits) return std::nullopt;
  std::string_view digits(kLengthDigits, 64);
  int64_t offset = 0;
  for (char c : code) {
    size_t value = digits.find(c);
    if (value == std::string_view::npos) return std::nullopt;
    offset = offset * 64 + static_cast<int64_t>(value);
  }
  return offset;
}

// Normalisation keeps every byte other than blanks and newlines, in order,
// and copies whitespace inside [...] texts unchanged; it only drops or
// merges runs of whitespace elsewhere.  So the k-th such byte of the
// normalised text is the k-th of the file, and a whitespace byte of the
// normalised text lies as far behind the byte before it as in the file.
int64_t rawOffsetOfNormalised(std::string_view raw, std::string_view normal, int64_t offset) {
  int64_t kept = 0;      // non-whitespace bytes before the offset
  int64_t lastKept = -1;  // the last of them
  for (int64_t i = 0; i < offset; i++)
    if (!isSpace(normal[i])) {
      kept++;
      lastKept = i;
    }
  bool onKept = offset < static_cast<int64_t>(normal.size()) && !isSpace(normal[offset]);
  int64_t wanted = onKept ? kept : kept - 1;  // index among the kept bytes
  int64_t rawIndex = -1;
  for (int64_t i = 0, seen = -1; i < static_cast<int64_t>(raw.size()); i++) {
    if (isSpace(raw[i])) continue;
    if (++seen == wanted) {
      rawIndex = i;
      break;
    }
  }
  if (onKept) return rawIndex;
  if (rawIndex < 0) return 0;  // nothing kept before: the start of the text
  int64_t shifted = rawIndex + (offset - lastKept);
  return shifted < static_cast<int64_t>(raw.size()) ? shifted : rawIndex;
}

LineColumn lineColumnOf(std::string_view text, int64_t offset) {
  LineColumn place;
  int64_t lineStart = 0;
  for (int64_t i = 0; i < offset && i < static_cast<int64_t>(text.size()); i++)
    if (text[i] == '\n') {
      place.line++;
      lineStart = i + 1;
    }
  place.column = offset - lineStart + 1;
  return place;
}

}  // namespace quorl
