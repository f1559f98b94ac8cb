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
#include "front/source_places.hpp"
#include "term/node.hpp"

namespace {

void say(FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

int usage() {
  say(stderr,
      "usage: quorl-where FILE CODE\n"
      "  CODE is a position code from an error box, such as ____l or [____l].\n");
  return 2;
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

// FILE:LINE:COLUMN, a note, the line itself and a caret under the byte.
void showPlace(const char* path, std::string_view text, int64_t offset, const char* note) {
  quorl::LineColumn place = quorl::lineColumnOf(text, offset);
  int64_t lineStart = offset - (place.column - 1);
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
  std::printf("%s:%lld:%lld: %s\n", path, static_cast<long long>(place.line),
              static_cast<long long>(place.column), note);
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
  std::optional<int64_t> offset = quorl::decodePosition(argv[2]);
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
    showPlace(path, raw, quorl::rawOffsetOfNormalised(raw, normal, *offset), normalNote);
  else showPastEnd(path, "normalised text", normal.size(), normalNote);
  return 0;
}
