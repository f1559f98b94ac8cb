// Character sets, whitespace normalisation and the tests on names.
#include "front/chars.hpp"

#include "front/front_checks.hpp"

namespace quorl {

namespace {

bool isBlankOrNewline(char c) { return c == ' ' || c == '\n'; }
bool isInfix(char c) { return kInfixChars.find(c) != std::string_view::npos; }
bool isNameChar(unsigned char c) { return (c >= 'a' && c <= 'z') || c == '_'; }

// Control bytes, capitals and high bytes: the single-byte global names.
bool isSingleByteName(unsigned char c) {
  return (c >= 1 && c <= 31) || (c >= 'A' && c <= 'Z') || c >= 127;
}

bool isNameablePunctuation(char c) {
  return kNameablePunctuation.find(c) != std::string_view::npos;
}

// Whether a run of blanks and newlines between `before` and `after` may be
// dropped: operators and group edges already separate their neighbours.
bool separatorIsRedundant(char before, char after) {
  if (isInfix(before) || isInfix(after)) return true;
  if (before == '(' || before == '{' || before == '}') return true;
  return after == ')' || after == '}' || after == '{';
}

// Copies the text group that opens at text[i] and returns the index behind
// it; an unclosed group runs to the end.
size_t copyTextGroup(std::string_view text, size_t i, std::string& out) {
  long depth = 0;
  do {
    char c = text[i++];
    if (c == '[') ++depth;
    if (c == ']') --depth;
    out += c;
  } while (depth > 0 && i < text.size());
  return i;
}

}  // namespace

std::string normaliseSource(std::string_view text) {
  size_t first = text.find_first_not_of(" \n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \n");
  text = text.substr(first, last - first + 1);

  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '[') {
      i = copyTextGroup(text, i, out);
    } else if (isBlankOrNewline(c)) {
      // Stripping guarantees a non-blank byte on both sides of the run.
      size_t runEnd = text.find_first_not_of(" \n", i);
      bool hasNewline = text.substr(i, runEnd - i).find('\n') != std::string_view::npos;
      if (!separatorIsRedundant(text[i - 1], text[runEnd])) out += hasNewline ? '\n' : ' ';
      i = runEnd;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

bool isLowerName(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (!isNameChar(c)) return false;
  return true;
}

bool isLocalName(std::string_view name) {
  return name.size() == 1 && name[0] >= 'a' && name[0] <= 'z';
}

bool isFunctionName(std::string_view name) {
  if (isLowerName(name)) return true;
  if (name.size() == 1) return isSingleByteName(static_cast<unsigned char>(name[0]));
  return name.size() == 3 && name[0] == '[' && name[2] == ']' && isNameablePunctuation(name[1]);
}

bool isKey(std::string_view key) {
  if (isLowerName(key)) return true;
  if (key.size() != 1) return false;
  return isSingleByteName(static_cast<unsigned char>(key[0])) || isNameablePunctuation(key[0]);
}

std::string keyOf(std::string_view name) {
  QUORL_CHECK(isFunctionName(name), kCheckKeyOfNonName);
  if (name.size() == 3 && name[0] == '[') return std::string(1, name[1]);
  return std::string(name);
}

std::string shortName(std::string_view name) {
  constexpr size_t kLongest = 72;
  constexpr size_t kKept = 69;
  if (name.size() <= kLongest) return std::string(name);
  std::string cut(name.substr(0, kKept));
  cut += "...";
  return cut;
}

const char* bracketKind(unsigned char c) {
  switch (c) {
    case '(':
    case ')':
      return "parenthesis";
    case '[':
    case ']':
      return "bracket";
    case '{':
    case '}':
      return "wing";
    default:
      checkFailure(kCoreModule, kCheckBracketKind);
  }
}

bool isBracket(unsigned char c) {
  return c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}';
}

}  // namespace quorl
