// Failure records.
#include "eval/failure_record.hpp"

#include <string>

namespace quorl {

namespace {

constexpr size_t kRecordLead = 2;  // "['"
// The status of a record that never said what went wrong: it must not read
// as success.
constexpr const char* kUnnamedFailure = "range";

// The index of the bracket that closes the group opening at `open`, or
// npos when the text ends first.  Only square brackets count inside a
// record.
size_t closingBracket(std::string_view text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); i++) {
    if (text[i] == '[') depth++;
    else if (text[i] == ']' && --depth == 0) return i;
  }
  return std::string_view::npos;
}

// Fields are free text (a bracket message quotes a lone ']'), but the record
// is read back by matching brackets, so every bracket inside a field is
// written as the group "[q]" or "[r]", as in the language's own texts.
void appendEscaped(std::string& out, std::string_view field) {
  for (char c : field) {
    if (c == '[') out += "[q]";
    else if (c == ']') out += "[r]";
    else out += c;
  }
}

std::string unescaped(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); i++) {
    if (field.substr(i, 3) == "[q]") {
      out += '[';
      i += 2;
    } else if (field.substr(i, 3) == "[r]") {
      out += ']';
      i += 2;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

NodeRef failureRecord(const RunOutcome& outcome) {
  std::string text = "['";
  for (const std::string* field :
       {&outcome.message, &outcome.status, &outcome.vip, &outcome.tip, &outcome.way}) {
    text += "[\"";
    appendEscaped(text, *field);
    text += ']';
  }
  text += ']';
  return apply(leaf("]"), leaf(text));
}

RunOutcome readFailureRecord(std::string_view text) {
  RunOutcome outcome;
  std::string* fields[] = {&outcome.message, &outcome.status, &outcome.vip, &outcome.tip,
                           &outcome.way};
  bool statusFound = false;
  size_t open = kRecordLead;
  for (int i = 0; i < 5; i++) {
    if (open >= text.size() || text[open] != '[') break;
    size_t close = closingBracket(text, open);
    if (close == std::string_view::npos || close < open + 2) break;
    // The group is "[", a marker byte, the field, "]".
    *fields[i] = unescaped(text.substr(open + 2, close - open - 2));
    if (i == 1) statusFound = true;
    open = close + 1;
  }
  if (!statusFound || outcome.ok()) outcome.status = kUnnamedFailure;
  return outcome;
}

}  // namespace quorl
