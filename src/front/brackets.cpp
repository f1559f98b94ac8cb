// The check of brackets and commas on raw source text, run once before any
// source is normalised or parsed: the parser itself reports nothing.
#include "front/brackets.hpp"

#include <vector>

#include "front/chars.hpp"
#include "front/front_checks.hpp"
#include "term/node.hpp"

namespace quorl {

namespace {

bool isOpening(char c) { return c == '(' || c == '[' || c == '{'; }
bool isClosing(char c) { return c == ')' || c == ']' || c == '}'; }
bool isInfix(char c) { return kInfixChars.find(c) != std::string_view::npos; }

bool fail(RunOutcome& outcome, const char* status, std::string message, std::string vip,
          std::string tip = {}) {
  outcome.status = status;
  outcome.message = std::move(message);
  outcome.vip = std::move(vip);
  if (!tip.empty()) outcome.tip = std::move(tip);
  return false;
}

std::string quotedPosition(int64_t p) { return "[" + positionCode(p) + "]"; }

// Pass 1: every bracket has a partner of its own kind.  Inside a text group
// only square brackets count.
bool checkPairs(std::string_view text, RunOutcome& outcome, int64_t& position) {
  std::vector<int64_t> open;
  for (int64_t i = 0; i < static_cast<int64_t>(text.size()); ++i) {
    char c = text[i];
    if (!open.empty() && text[open.back()] == '[') {
      if (c == '[') open.push_back(i);
      if (c == ']') open.pop_back();
      continue;
    }
    if (isOpening(c)) {
      open.push_back(i);
    } else if (isClosing(c)) {
      if (open.empty()) {
        position = i;
        return fail(
            outcome, "match",
            std::string("Dangling right-") + bracketKind(c) + " at " + quotedPosition(i) + ".",
            positionCode(i));
      }
      int64_t q = open.back();
      if (std::string_view(bracketKind(text[q])) != bracketKind(c)) {
        position = q;
        return fail(outcome, "match",
                    "'" + std::string(1, text[q]) + "' at " + quotedPosition(q) + " doesn't fit '" +
                        std::string(1, c) + "' at " + quotedPosition(i) + ".",
                    positionCode(q), positionCode(i));
      }
      open.pop_back();
    }
  }
  if (open.empty()) return true;
  int64_t q = open.back();
  position = q;
  return fail(
      outcome, "match",
      std::string("Dangling left-") + bracketKind(text[q]) + " at " + quotedPosition(q) + ".",
      positionCode(q));
}

// A round group holds commas only as a call list: when something other than
// an operator stands right before its '('.
bool isCallList(std::string_view text, size_t open) { return open > 0 && !isInfix(text[open - 1]); }

// Pass 2, right to left: every comma separates definitions, wing elements or
// call arguments.  The stack holds closing brackets, and above a round one
// the leftmost comma seen so far inside it.
bool checkCommas(std::string_view text, RunOutcome& outcome, int64_t& position) {
  std::vector<size_t> stack;
  auto topIs = [&](char c) { return !stack.empty() && text[stack.back()] == c; };
  for (size_t i = text.size(); i-- > 0;) {
    switch (text[i]) {
      case ']':
        i = matchBracket(text, i);  // commas in text groups are data
        break;
      case ')':
      case '}':
        stack.push_back(i);
        break;
      case ',':
        if (topIs(')'))
          stack.push_back(i);
        else if (topIs(','))
          stack.back() = i;
        break;
      case '{':
        stack.pop_back();
        break;
      case '(':
        if (topIs(',')) {
          size_t comma = stack.back();
          if (!isCallList(text, i)) {
            position = static_cast<int64_t>(comma);
            return fail(
                outcome, "comma",
                "Comma at " + quotedPosition(position) + " is not part of a valid call list.",
                positionCode(position));
          }
          stack.pop_back();
        }
        stack.pop_back();
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace

bool checkBrackets(std::string_view text, RunOutcome& outcome, int64_t& position) {
  return checkPairs(text, outcome, position) && checkCommas(text, outcome, position);
}

std::string positionCode(int64_t offset) {
  constexpr int64_t kLimit = int64_t{1} << 30;
  if (offset < 0) checkFailure(kCoreModule, kCheckPositionRange);
  // Five digits reach 2^30 - 1; a source file may be longer than that, and
  // a fault beyond it is still reported, at the code that marks the end.
  if (offset >= kLimit) return "!!!!!";
  std::string code(5, '_');
  for (int digit = 4; digit >= 0; --digit) {
    code[digit] = kLengthDigits[offset % 64];
    offset /= 64;
  }
  return code;
}

}  // namespace quorl
