// quorl-where FILE CODE: shows where a position code of an error box points.
//
// A position code is five base-64 digits (the digit set of term/node.hpp).
// Two kinds of failure count their offsets in two different texts: bracket
// and comma failures ("match", "comma") in the program text as it is in the
// file, definition-name failures ("lower", "built") in the text after
// whitespace normalisation.  The tool shows both places, each as
// FILE:LINE:COLUMN, the source line and a caret; for the normalised reading
// it maps the offset back into the file through the interpreter's own
// normalisation.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "front/chars.hpp"
#include "term/node.hpp"

namespace {

constexpr int kCodeDigits = 5;

void say(FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

int usage() {
  say(stderr,
      "usage: quorl-where FILE CODE\n"
      "  CODE is a position code from an error box, such as ____l or [____l].\n");
  return 2;
}

// The offset a code stands for, or nothing when it is not a code.  "!!!!!"
// is the code of offsets the five digits cannot reach.
std::optional<int64_t> decodePosition(std::string_view code) {
  if (code.size() == kCodeDigits + 2 && code.front() == '[' && code.back() == ']')
    code = code.substr(1, kCodeDigits);
  if (code == "!!!!!") return int64_t{1} << 30;
  if (code.size() != kCodeDigits) return std::nullopt;
  std::string_view digits(quorl::kLengthDigits, 64);
  int64_t offset = 0;
  for (char c : code) {
    size_t value = digits.find(c);
    if (value == std::string_view::npos) return std::nullopt;
    offset = offset * 64 + static_cast<int64_t>(value);
  }
  return offset;
}

bool readFile(const char* path, std::string& text) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char chunk[4096];
  size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

bool isSpace(char c) { return c == ' ' || c == '\n'; }

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

// FILE:LINE:COLUMN, a note, the line itself and a caret under the byte.
void showPlace(const char* path, std::string_view text, int64_t offset, const char* note) {
  int64_t lineStart = 0, line = 1;
  for (int64_t i = 0; i < offset; i++)
    if (text[i] == '\n') {
      line++;
      lineStart = i + 1;
    }
  size_t lineEnd = text.find('\n', static_cast<size_t>(lineStart));
  if (lineEnd == std::string_view::npos) lineEnd = text.size();
  std::string_view source = text.substr(lineStart, lineEnd - lineStart);
  std::string caret;
  for (int64_t i = lineStart; i < offset && i < static_cast<int64_t>(lineEnd); i++) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte == '\t') caret += '\t';
    else if ((byte & 0xC0) != 0x80) caret += ' ';  // one column per UTF-8 character
  }
  caret += '^';
  std::printf("%s:%lld:%lld: %s\n", path, static_cast<long long>(line),
              static_cast<long long>(offset - lineStart + 1), note);
  say(stdout, source);
  std::printf("\n%s\n", caret.c_str());
}

void showPastEnd(const char* path, const char* reading, size_t length, const char* note) {
  std::printf("%s: past the end of the %s (%zu bytes): %s\n", path, reading, length, note);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return usage();
  const char* path = argv[1];
  std::optional<int64_t> offset = decodePosition(argv[2]);
  if (!offset) {
    std::fprintf(stderr, "quorl-where: %s is not a position code (five of the digits %s)\n",
                 argv[2], quorl::kLengthDigits);
    return 1;
  }
  std::string raw;
  if (!readFile(path, raw)) {
    std::fprintf(stderr, "quorl-where: cannot read %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  const char* rawNote = "in the file as written: bracket and comma failures (match, comma)";
  const char* normalNote = "in the normalised text: definition name failures (lower, built)";
  std::printf("offset %lld\n", static_cast<long long>(*offset));
  if (*offset < static_cast<int64_t>(raw.size())) showPlace(path, raw, *offset, rawNote);
  else showPastEnd(path, "file", raw.size(), rawNote);
  std::string normal = quorl::normaliseSource(raw);
  if (*offset < static_cast<int64_t>(normal.size()))
    showPlace(path, raw, rawOffsetOfNormalised(raw, normal, *offset), normalNote);
  else showPastEnd(path, "normalised text", normal.size(), normalNote);
  return 0;
}
