// What is typed at the prompt: lines gathered into entries, and an entry
// cut into its expression and its definitions.
#pragma once

#include <string>
#include <string_view>

namespace quorl {

// Whether the text leaves a bracket open, so that the entry goes on on the
// next line.  A closing bracket that fits nothing ends the entry: the
// bracket check reports it.
bool leavesBracketOpen(std::string_view text);

// The text without the blanks and newlines around it.
std::string_view trimmed(std::string_view text);

// An entry is a piece of a program: pieces cut at the commas outside
// brackets.  The first is an expression, or a definition `name\p\body`;
// every later one is a definition, or a remark, as in a program.
struct EntryParts {
  std::string expression;  // the first piece's text; empty when it defines
  bool defines = false;    // some piece defines a name
};
// The entry's brackets must have passed the check.
EntryParts partsOf(std::string_view entry);

}  // namespace quorl
