// The program behind the prompt: the definitions of the files loaded and
// of the entries typed, and the evaluation of expressions against them.
//
// The definitions are kept as their sources, in the order they came, and
// the program is built again from all of them whenever one is added: a
// later definition of a name replaces an earlier one exactly as it does in
// a program file, and nothing that the engine derived from an earlier
// definition (its code, the arity cached in every term that names it, a
// constant's value) can outlive it.  Constants are therefore computed
// afresh after every definition.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/outcome.hpp"
#include "term/tables.hpp"

namespace quorl {

struct Source {
  std::string text;
  std::string path;                // the file's; empty for an entry typed at the prompt
  std::vector<std::string> names;  // the keys it defines, in order
};

struct Session {
  std::vector<Source> sources;
  // The definition table as the last build left it, before anything ran:
  // what an evaluation that was cut short gets back.
  DefinitionMap built;
};

// What adding definitions has to say besides its outcome: definitions left
// out or lost, one sentence each.
using Notes = std::vector<std::string>;

// Starts the session with the Prelude and the builtins alone.
void startSession(Session& session);

// Adds the definitions of an entry typed at the prompt (its first piece
// may be one).  On failure the program stays as it was.
RunOutcome defineFromPrompt(Session& session, std::string_view entry, Notes& notes);

// Adds the definitions of a program file; its main expression is not used.
// A file loaded before under the same path is replaced.  A file that cannot
// be read is a failure with status "start".
RunOutcome loadFile(Session& session, const std::string& path, Notes& notes);

struct Answer {
  RunOutcome outcome;             // a failed check, or a failure record raised
  std::optional<NodeRef> value;   // set when the expression has a value
  bool interrupted = false;       // Ctrl-C stopped it
};

// Checks the expression against the program and reduces it.  Only this
// evaluation watches for interruptions.
Answer evaluateExpression(Session& session, std::string_view expression);

}  // namespace quorl
