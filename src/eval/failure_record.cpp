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

}  // namespace

NodeRef failureRecord(const RunOutcome& outcome) {
  std::string text = "['";
  for (const std::string* field :
       {&outcome.message, &outcome.status, &outcome.vip, &outcome.tip, &outcome.way}) {
    text += "[\"";
    text += *field;
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
    fields[i]->assign(text.substr(open + 2, close - open - 2));
    if (i == 1) statusFound = true;
    open = close + 1;
  }
  if (!statusFound || outcome.ok()) outcome.status = kUnnamedFailure;
  return outcome;
}

}  // namespace quorl
